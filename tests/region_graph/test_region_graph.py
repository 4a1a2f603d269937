"""region_graph from Python: the named lists, the demo's boundary_grid and
boundary_sums route to merge_regions bit for bit, and failures located as
NumPy indexes them; the native layer against the faithful one after the id
shift, the native pipeline down to a cut label image, and its own
refusals."""
import numpy as np
import pytest

import mexsets
from mexsets import octave


def demo_route(labels, lab):
    """The lists as the demo pipeline makes them for merge_regions."""
    n = int(labels.max())
    grid, strength, keys, first, second = octave.boundary_grid(labels, lab)
    pair_strength, _ = octave.boundary_sums(n, first, second, keys, grid, strength)
    pair_length, rim = octave.boundary_sums(n, first, second, keys, grid, np.ones(grid.shape))
    a, b = np.nonzero(pair_length)
    area = np.bincount(labels.ravel().astype(int), minlength=n + 1)[1:].astype(float)
    return a + 1.0, b + 1.0, pair_length[a, b], pair_strength[a, b], area, rim


def test_lists_equal_the_demo_route_and_feed_merge_regions():
    rng = np.random.default_rng(4)
    labels = rng.integers(1, 30, size=(40, 50)).astype(float)
    labels[labels == 7] = 8   # a gap: ids with gaps number compactly
    lab = rng.random((40, 50, 3))
    graph = octave.region_graph(labels, lab)
    assert graph._fields == ("first", "second", "lengths", "strengths", "areas", "border")
    # The demo's regions are the label values; renumber its lists compactly.
    rank = np.zeros(31)
    rank[np.unique(labels).astype(int)] = np.arange(1, np.unique(labels).size + 1)
    first, second, lengths, strengths, area, rim = demo_route(labels, lab)
    assert np.array_equal(graph.first, rank[first.astype(int)])
    assert np.array_equal(graph.second, rank[second.astype(int)])
    assert np.array_equal(graph.lengths, lengths)
    assert graph.strengths.tobytes() == strengths.tobytes()
    assert np.array_equal(graph.areas, area[area > 0])
    assert np.array_equal(graph.border, rim[area > 0])
    merges = octave.merge_regions(*graph[:5])[0]
    assert merges.shape == (graph.areas.size - 1, 3)


def test_zero_based_labels_with_background_and_volumes():
    labels = np.array([[0, 0, 1], [2, 1, 1]])
    graph = octave.region_graph(labels, background=0)
    assert np.array_equal(graph.areas, [3, 1]) and np.array_equal(graph.border, [5, 2])
    volume = np.arange(8.0).reshape(2, 2, 2)
    graph = octave.region_graph(volume, volume, weight="mean")
    assert graph.lengths.sum() == 12 and graph.border.sum() == 24
    assert np.array_equal(graph.strengths, (graph.first - 1 + graph.second - 1) / 2)


def test_failures_locate_entries_in_python_terms():
    labels = np.ones((2, 2, 2))
    labels[0, 1, 1] = np.nan
    with pytest.raises(mexsets.Error, match=r"labels\[0, 1, 1\] holds NaN") as error:
        octave.region_graph(labels)
    assert error.value.identifier == "mexsets:region_graph:idNotANumber"
    with pytest.raises(mexsets.Error, match="labelNotWhole|whole"):
        octave.region_graph([[1, 2.5]])
    with pytest.raises(mexsets.Error, match="background holds 2 elements") as error:
        octave.region_graph([[1, 2]], background=[1, 2])
    assert error.value.identifier == "mexsets:region_graph:badBackground"


def test_options_are_keywords_with_defaults_and_exact_choices():
    volume = np.array([[[1.0, 2.0], [1.0, 5.0]]])  # 1-by-2-by-2
    edges = np.array([[[1.0, 3.0], [2.0, 8.0]]])
    default = octave.region_graph(volume, edges)
    for given in default, octave.region_graph(volume, edges, weight="step", background=None):
        assert np.array_equal(given.strengths, [2.0, 6.0, 5.0])
    graph = octave.region_graph(volume, edges, background=5, weight="mean")
    assert np.array_equal(graph.strengths, [2.0]) and np.array_equal(graph.areas, [2, 1])
    assert np.array_equal(octave.region_graph(volume, edges, weight="max").strengths, [3, 8, 8])
    with pytest.raises(TypeError):
        octave.region_graph(volume, edges, 5)   # keyword-only
    with pytest.raises(TypeError):
        octave.region_graph(volume, edges, weights="max")
    for weight, what in ("Max", "weight is 'Max'"), (2, "weight is int, not text"):
        with pytest.raises(mexsets.Error, match=what) as error:
            octave.region_graph(volume, edges, weight=weight)
        assert error.value.identifier == "mexsets:region_graph:badChoice"
        assert str(error.value).startswith("Expected 'step', 'mean' or 'max': ")


def test_native_graph_is_the_faithful_one_less_one():
    """Any label values and dtypes, images and volumes, with and without a
    background: the faithful lists, the pairs less one as intp."""
    rng = np.random.default_rng(10)
    for _ in range(100):
        shape = tuple(rng.integers(1, 6, rng.integers(2, 4)))
        labels = rng.integers(-3, 5, size=shape).astype(rng.choice([np.int8, np.int64,
                                                                        np.float64]))
        values = rng.random(shape) if rng.random() < 0.7 else None
        background = rng.integers(-3, 5) if rng.random() < 0.5 else None
        weight = "step" if values is None else str(rng.choice(["step", "mean", "max"]))
        native = mexsets.region_graph(labels, values, background=background, weight=weight)
        faithful = octave.region_graph(labels, values, background=background, weight=weight)
        assert native._fields == faithful._fields
        for mine, theirs in zip(native[:2], faithful[:2]):
            assert mine.dtype == np.intp and np.array_equal(mine, theirs - 1)
        for mine, theirs in zip(native[2:], faithful[2:]):
            assert mine.tobytes() == theirs.tobytes()


def test_native_pipeline_cuts_a_label_image():
    """region_graph, merge_regions, tree_cut and np.unique's numbering."""
    rng = np.random.default_rng(11)
    labels = rng.integers(3, 12, size=(20, 30))
    graph = mexsets.region_graph(labels, rng.random((20, 30)))
    tree = mexsets.merge_regions(*graph[:5])
    cut = mexsets.tree_cut(tree.merges, tree.heights, 4)
    _, region = np.unique(labels, return_inverse=True)
    segments = cut[region].reshape(labels.shape)
    assert segments.dtype == np.intp and set(segments.ravel()) == {0, 1, 2, 3}
    faithful = octave.tree_cut(tree.merges + 1, tree.heights, 4)
    assert np.array_equal(cut, faithful - 1)


def test_native_refusals():
    def failure(*args, **kwargs):
        with pytest.raises(mexsets.Error) as error:
            mexsets.region_graph(*args, **kwargs)
        return error.value.reason

    assert failure([0, 1, 1]) == "badShape"
    assert failure(None) == "missingArgument"
    assert failure([[0, 1.5]]) == "labelNotWhole"
