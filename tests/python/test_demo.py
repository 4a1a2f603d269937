"""python -m mexsets.demo on small photographs: one run end to end and its
picture, and batches on threads and on a Dask LocalCluster, which must give
the serial run's results in input order."""
import numpy as np
import pytest

for _module in ("skimage", "scipy", "matplotlib"):
    pytest.importorskip(_module, reason=f"mexsets.demo needs {_module} "
                        "(Debian: python3-skimage python3-matplotlib)")

from cases import LISTED, NAMES  # noqa: E402
from mexsets import _demo_pipeline as pipeline  # noqa: E402
from mexsets import demo  # noqa: E402

# The demo calls nearly every function: a build with only some (MEXSETS_ONLY)
# has nothing to run it with.
pytestmark = pytest.mark.skipif(set(LISTED) - set(NAMES) != set(),
                                reason="this build has only some of the functions")

SIZE = "96x128"
OPTIONS = dict(regions=60)


@pytest.fixture(scope="module")
def pictures():
    return [pipeline.load_picture(name, SIZE)[0]
            for name in ("astronaut", "coffee", "chelsea", "coins")]


@pytest.fixture(scope="module")
def serial(pictures):
    results = demo.run_batch(pictures, **OPTIONS)
    # Distinct pictures give distinct results, so a shuffled batch would show.
    assert not pipeline.same_digests(results[0][0], results[1][0])
    return results


def assert_same_as(results, serial):
    assert len(results) == len(serial)
    for (digest, times), (expected, _) in zip(results, serial):
        assert pipeline.same_digests(digest, expected)
        assert times["merge_regions"] >= 0


def test_demo_end_to_end_draws_the_masks_it_returns(tmp_path, capsys):
    png = tmp_path / "demo.png"
    r = demo.main(["--image", "chelsea", "--size", SIZE, "--regions", "60",
                   "--png", str(png)])
    out = capsys.readouterr().out
    assert str(png) in out and "time in the mexsets calls" in out
    assert r["areas_agree"] and 0 < r["best"].size <= 6

    from matplotlib import image
    drawn = np.round(255 * image.imread(str(png))[:, :, :3]).astype(int)
    h, w, scale, gap = 96, 128, 2, 6                    # small pictures are doubled
    rows = -(-(2 + r["best"].size) // 4)
    assert drawn.shape == (rows * (scale * h + gap) + gap, 4 * (scale * w + gap) + gap, 3)

    def tile(k):
        top = gap + (k // 4) * (scale * h + gap)
        left = gap + (k % 4) * (scale * w + gap)
        return drawn[top:top + scale * h:scale, left:left + scale * w:scale]

    assert np.array_equal(tile(0), np.round(255 * r["picture"]))
    dimmed = np.round(255 * (r["picture"] * 0.3 + 0.15))
    for k, c in enumerate(r["best"]):
        mask = r["masks"][:, :, c]
        leaves = r["subsets"][c]                  # regions 0..L-1 are the labels 1..L
        assert np.array_equal(mask, np.isin(r["labels"] - 1, leaves[leaves >= 0]))
        outline = np.zeros_like(mask)
        outline[:, :-1] |= mask[:, :-1] != mask[:, 1:]
        outline[:-1] |= mask[:-1] != mask[1:]
        untouched = np.all(tile(k + 2) == dimmed, axis=2)
        assert np.array_equal(untouched[~outline], ~mask[~outline]), f"tile {k + 3}"


def test_coins_are_found():
    picture, _ = pipeline.load_picture("coins", "152x192")
    result = pipeline.propose(picture, regions=300)
    objects = pipeline.coin_objects(picture)
    assert objects.max() == 23          # the 24th coin touches the lit table edge
    assert np.median(pipeline.best_overlaps(result, objects)) > 0.7


def test_batch_on_threads_gives_the_serial_results(pictures, serial):
    assert_same_as(demo.run_batch(pictures, threads=2, **OPTIONS), serial)


def test_batch_on_a_local_cluster_gives_the_serial_results(pictures, serial, monkeypatch):
    distributed = pytest.importorskip("distributed", reason="Dask's distributed is not "
                                      "installed (Debian: python3-distributed)")
    from distributed.core import Status
    started = []

    class Recorded(distributed.LocalCluster):
        def __init__(self, *args, **kwargs):
            super().__init__(*args, **kwargs)
            started.append(self)

    monkeypatch.setattr(distributed, "LocalCluster", Recorded)
    assert_same_as(demo.run_batch(pictures, workers=2, timeout=60, **OPTIONS), serial)
    # One region per picture fails on the workers; the cluster closes all the same.
    with pytest.raises(ValueError, match="one region"):
        demo.run_batch(pictures[:2], workers=2, timeout=60, regions=1)
    assert len(started) == 2
    assert all(cluster.status == Status.closed for cluster in started)


def test_candidates_past_the_budget_are_parts_of_cuts():
    # A chain: region 1 takes in regions 2, 3, ... one at a time, so every
    # merge node lies in the area range and the lists outgrow the budget.
    n = 2000
    merges = np.array([[0 if r == 0 else n + r - 1, r + 1, n + r] for r in range(n - 1)])
    merges[:, :2].sort(axis=1)
    node_area = np.concatenate([np.ones(n), np.arange(2, n + 1)]).astype(float)
    nodes, rule = pipeline.candidate_nodes(merges, node_area, n, n)
    assert "cuts" in rule
    # Brute force: the parts of the tree after its first n - k merges.
    expected = set()
    for k in 2 ** np.arange(1, 11):
        if k > n:
            continue
        merged = {int(c) for row in merges[:n - k] for c in row[:2]}
        roots = set(range(2 * n - k)) - merged
        expected |= {r for r in roots if 0.005 * n <= node_area[r] <= 0.5 * n}
    assert set(nodes.tolist()) == expected and len(expected) > 0


def test_grid_labels_number_every_region_once():
    picture = pipeline.load_picture("coffee", "60x90")[0]
    labels = pipeline.grid_labels(picture, 50, rows_at_once=7)
    assert labels.shape == (60, 90)
    assert np.array_equal(np.unique(labels), np.arange(1, labels.max() + 1))
    assert 40 <= labels.max() <= 60
    assert np.array_equal(labels, pipeline.grid_labels(picture, 50))
