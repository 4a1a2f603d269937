"""region_graph from Python: the named lists, the demo's boundary_grid and
boundary_sums route to merge_regions bit for bit, and failures located as
NumPy indexes them."""
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
