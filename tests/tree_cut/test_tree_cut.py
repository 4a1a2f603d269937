"""tree_cut from Python: keywords, the labels as a 1-D array, failures that
locate entries as NumPy indexes them, and, when scikit-image is installed,
its greedy merging stopped at a threshold against region_graph,
merge_regions and a cut at that height; the native layer against the
faithful one after the id shift, and its own refusals."""
import numpy as np
import pytest

import mexsets
from mexsets import octave

MERGES = [[1, 2, 6], [3, 4, 7], [6, 7, 8], [5, 8, 9]]
HEIGHTS = [0.5, 1, 2.5, np.nan]


def test_keywords_and_labels():
    labels = octave.tree_cut(np.array(MERGES, np.int32), HEIGHTS, count=3)
    assert labels.shape == (5,) and labels.dtype == np.float64
    assert labels.tolist() == [1, 1, 2, 2, 3]
    assert octave.tree_cut(MERGES, HEIGHTS, height=1).tolist() == [1, 1, 2, 3, 4]
    assert octave.tree_cut(MERGES, HEIGHTS, 2).tolist() == [1, 1, 1, 1, 2]
    assert octave.tree_cut(np.zeros((0, 3)), [], count=1).tolist() == [1]


def test_failures_locate_entries_in_python_terms():
    def failure(*args, **kwargs):
        with pytest.raises(mexsets.Error) as error:
            octave.tree_cut(*args, **kwargs)
        return error.value.reason, str(error.value)

    assert failure(MERGES, HEIGHTS) == (
        "noCut", "Neither count nor height given: give one of count and height")
    assert failure(MERGES, HEIGHTS, count=2, height=1)[0] == "twoCuts"
    assert failure(MERGES, HEIGHTS, count=6) == (
        "badCount", "Count not a whole number in 1..5: count holds 6")
    assert failure([[1, 2, 4], [1, 4, 5]], [1, 2], count=1) == (
        "childReused", "Child already merged by an earlier row: merges[1, 0] holds 1")
    assert failure(MERGES, HEIGHTS[:3], height=1)[0] == "sizeMismatch"


def test_agrees_with_scikit_image_merge_hierarchical():
    """skimage's greedy merging, over a graph that carries region_graph's
    crack counts and strength sums and averages them as merge_regions does,
    stops where the cut at the same height does: the same partition."""
    data = pytest.importorskip("skimage.data")
    segmentation = pytest.importorskip("skimage.segmentation")
    try:
        from skimage import graph as skgraph
        skgraph.merge_hierarchical
    except (ImportError, AttributeError):
        skgraph = pytest.importorskip("skimage.future.graph")
    from skimage import color, filters

    image = data.coffee()[::4, ::4]
    labels = segmentation.slic(image, n_segments=150, compactness=10, start_label=0)
    edges = filters.sobel(color.rgb2gray(image))
    g = octave.region_graph(labels, edges, weight="mean")
    merges, _, heights = octave.merge_regions(*g[:5])
    values, region = np.unique(labels, return_inverse=True)
    region = region.reshape(labels.shape)

    def averaged(graph, src, dst, n):
        both = [graph[x][n] for x in (src, dst) if n in graph[x]]
        count = sum(e["count"] for e in both)
        strength = both[0]["strength"] + both[1]["strength"] if len(both) == 2 \
            else both[0]["strength"]
        return {"count": count, "strength": strength, "weight": strength / count}

    distinct = np.unique(heights[~np.isnan(heights)])
    for k in [3, 20, 60, distinct.size - 5]:
        thresh = (distinct[k] + distinct[k + 1]) / 2  # no merge ties with it
        rag = skgraph.RAG()
        rag.add_nodes_from(range(values.size))
        for n in rag.nodes:
            rag.nodes[n]["labels"] = [n]
        for a, b, length, strength in zip(g.first, g.second, g.lengths, g.strengths):
            rag.add_edge(int(a) - 1, int(b) - 1, count=length, strength=strength,
                         weight=strength / length)
        theirs = skgraph.merge_hierarchical(region, rag, thresh, rag_copy=False,
                                            in_place_merge=True,
                                            merge_func=lambda graph, src, dst: None,
                                            weight_func=averaged)
        ours = octave.tree_cut(merges, heights, height=thresh)[region]
        # Equal partitions: each of our regions is one of theirs and back.
        pairs = np.unique(np.stack([ours.ravel(), theirs.ravel()]), axis=1)
        assert pairs.shape[1] == np.unique(ours).size == np.unique(theirs).size, thresh


def test_native_cut_is_the_faithful_one_less_one():
    """Random trees of merge_regions (0-based intp, or as floats and
    int32), cut at a count or a height: the faithful labels less one."""
    rng = np.random.default_rng(12)
    for _ in range(200):
        regions = int(rng.integers(1, 10))
        first = rng.integers(0, regions, 2 * regions)
        second = rng.integers(0, regions, 2 * regions)
        keep = first != second
        tree = mexsets.merge_regions(first[keep], second[keep], np.ones(keep.sum()),
                                     rng.integers(0, 5, keep.sum()).astype(float),
                                     np.ones(regions))
        merges = tree.merges.astype(rng.choice([np.intp, np.int32, np.float64]))
        if rng.random() < 0.5:
            args, kwargs = (int(rng.integers(1, regions + 1)),), {}
        else:
            args, kwargs = (), {"height": float(rng.integers(0, 6))}
        native = mexsets.tree_cut(merges, tree.heights, *args, **kwargs)
        faithful = octave.tree_cut(tree.merges + 1.0, tree.heights, *args, **kwargs)
        assert native.dtype == np.intp and np.array_equal(native, faithful - 1)
    assert mexsets.tree_cut([], [], 1).tolist() == [0]


def test_native_refusals():
    def failure(*args, **kwargs):
        with pytest.raises(mexsets.Error) as error:
            mexsets.tree_cut(*args, **kwargs)
        return error.value.reason

    merges = [[0, 1, 2]]
    assert failure([0, 1, 2], [1], 1) == "badShape"
    assert failure([[0, 1.5, 2]], [1], 1) == "idNotWhole"
    assert failure(None, [1], 1) == "missingArgument"
    assert failure(merges, [1]) == "noCut"
    assert failure([[0, 1, 4], [2, 3, 3]], [1, 2], 1) == "badNewNode"
