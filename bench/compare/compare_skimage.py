"""mexsets against scikit-image's region adjacency graph: region_graph
against rag_boundary, and region_graph + merge_regions + a cut against
rag_boundary + merge_hierarchical, on the same SLIC labels of mosaics of
scikit-image's photographs (2x2 up to 2,000 regions, 4x4 and 8x8 beyond)
with the same Sobel edge map.

Each measurement runs in a fresh process that reads the labels and the edge
map, resets its peak resident memory (Linux: /proc/self/clear_refs), times
the call with time.perf_counter and reports the peak above the memory in use
before the call (VmHWM - VmRSS), which sees NumPy's and the C++ kernels'
allocations alike; its time is the best of three calls in that process
(one for skimage's merging past 10,000 regions), its memory that of the
first. The two libraries run alternately, --repeats processes each (one for
the merging past 10,000 regions). Growth exponents are the log-log slopes of time over regions between
the smallest and the largest size.

The two graphs are not the same graph: rag_boundary (connectivity 2, its
default) gives a pair the mean edge-map value of the boundary pixels that
see the other region as their smallest or largest 8-neighbour, while
region_graph with weight 'mean' gives each crack between 4-neighbours the
mean of its two pixels' values. Agreement of the merging is therefore
checked on one graph: merge_hierarchical (mean boundary, weakest first, as
skimage's gallery merges) on a RAG built from region_graph's lists, against
the merge tree of merge_regions on the same lists cut at the same threshold
(tree_cut when the build has it, else the first merges up to the first one
at or above the threshold). The pixel partitions are compared, without
exact ties (see agreement()); the column reads gallery weight / sums kept.

  python3 bench/compare/compare_skimage.py [--build DIR] [--sizes 400,2000,...]
                                           [--repeats N] [--huge REGIONS]

--huge times region_graph + merge_regions + cut (mexsets only) on a grid
labelling of about REGIONS regions at 100 pixels a region. Not a test: the
numbers go into the README's table by hand.
"""
import argparse
import json
import math
import os
import subprocess
import sys
import tempfile
import time

import numpy as np

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PHOTOS = ("astronaut", "coffee", "chelsea", "rocket")
PIXELS_PER_REGION = 160


def proc_bytes(field):
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith(field + ":"):
                return 1024 * int(line.split()[1])
    return float("nan")


def reset_peak():
    with open("/proc/self/clear_refs", "w") as clear:
        clear.write("5")
    return proc_bytes("VmRSS")


# --- The measured jobs (run in the child process) -------------------------

def boundary_weight(graph, src, dst, n):
    """skimage's gallery weight for merging by mean boundary value."""
    default = {"weight": 0.0, "count": 0}
    count_src = graph[src].get(n, default)["count"]
    count_dst = graph[dst].get(n, default)["count"]
    weight_src = graph[src].get(n, default)["weight"]
    weight_dst = graph[dst].get(n, default)["weight"]
    count = count_src + count_dst
    return {"count": count, "weight": (count_src * weight_src + count_dst * weight_dst) / count}


def boundary_sum_weight(graph, src, dst, n):
    """The same criterion with the boundary's strength sum kept, so that a
    weight is a sum over a count as merge_regions compares it, not an
    average of rounded averages."""
    default = {"strength": 0.0, "count": 0}
    one, other = graph[src].get(n, default), graph[dst].get(n, default)
    strength, count = one["strength"] + other["strength"], one["count"] + other["count"]
    return {"strength": strength, "count": count, "weight": strength / count}


def boundary_merge(graph, src, dst):
    pass


def skimage_graph():
    try:
        from skimage import graph
        graph.rag_boundary  # noqa: B018 (skimage >= 0.20)
    except (ImportError, AttributeError):
        from skimage.future import graph
    return graph


def prefix_cut(merges, heights, n_leaves, threshold):
    """Leaf labels (0-based) after the merges before the first one whose
    height reaches THRESHOLD: merge_hierarchical's partition."""
    done = int(np.argmax(heights >= threshold)) if np.any(heights >= threshold) \
        else heights.size
    parent = np.arange(2 * n_leaves - 1)
    rows = merges[:done].astype(np.int64) - 1
    parent[rows[:, 0]] = rows[:, 2]
    parent[rows[:, 1]] = rows[:, 2]
    # Children have smaller ids than their parents: one pass from the top down.
    for node in range(n_leaves + done - 1, -1, -1):
        parent[node] = parent[parent[node]]
    return parent[:n_leaves]


def mexsets_cut(mexsets, merges, heights, n_leaves, threshold):
    if hasattr(mexsets, "tree_cut"):
        return np.asarray(mexsets.tree_cut(merges, heights, height=threshold)).ravel()
    return prefix_cut(merges, heights, n_leaves, threshold)


def merge_outputs(mexsets, f, s, lengths, strengths, areas):
    out = mexsets.merge_regions(f, s, lengths, strengths, areas)
    return out[0], (out[2] if len(out) > 2 else None)


def job(kind, labels, edge, threshold):
    """Runs one job; returns what it made (kept alive until timed)."""
    if kind.startswith("mexsets"):
        # SLIC labels from 1: the faithful layer reads them as they are.
        from mexsets import octave as mexsets
        f, s, lengths, strengths, areas, _ = mexsets.region_graph(labels, edge, weight="mean")
        if kind == "mexsets_graph":
            return f
        merges, heights = merge_outputs(mexsets, f, s, lengths, strengths, areas)
        if heights is None:
            return merges
        leaf_labels = mexsets_cut(mexsets, merges, heights, areas.size, threshold)
        return np.asarray(leaf_labels)[labels - 1]
    graph = skimage_graph()
    rag = graph.rag_boundary(labels, edge)
    if kind == "skimage_graph":
        return rag
    return graph.merge_hierarchical(labels, rag, thresh=threshold, rag_copy=False,
                                    in_place_merge=True, merge_func=boundary_merge,
                                    weight_func=boundary_weight)


def child(args):
    data = np.load(args.measure)
    labels, edge = data["labels"], data["edge"]
    threshold = float(data["threshold"])
    if args.kind.startswith("mexsets"):
        from mexsets import octave  # noqa: F401 (imported before the clock starts)
    else:
        skimage_graph()
    # The first call gives the peak (nothing allocated before it), the best
    # of all calls the time: a first call in a fresh process also pays the
    # page faults of memory it is the first to touch.
    peak, seconds = None, float("inf")
    for _ in range(args.inner):
        base = reset_peak()
        start = time.perf_counter()
        out = job(args.kind, labels, edge, threshold)
        seconds = min(seconds, time.perf_counter() - start)
        if peak is None:
            peak = proc_bytes("VmHWM") - base
        del out
    print(json.dumps({"seconds": seconds, "peak": peak}))


# --- The parent: workloads, alternation, tables ---------------------------

def mosaic(tiles_per_side, tile):
    from skimage import color, data, transform, util
    rows = []
    for i in range(tiles_per_side):
        row = []
        for j in range(tiles_per_side):
            photo = util.img_as_float(getattr(data, PHOTOS[(i * tiles_per_side + j) %
                                                          len(PHOTOS)])())
            if photo.ndim == 2:
                photo = color.gray2rgb(photo)
            row.append(transform.resize(photo[:, :, :3], (tile, tile), anti_aliasing=True))
        rows.append(np.concatenate(row, axis=1))
    return np.concatenate(rows, axis=0)


def workload(regions, folder):
    """SLIC labels (1..L) of a mosaic of about REGIONS * 160 pixels and its
    Sobel edge map, saved once to FOLDER/REGIONS.npz."""
    from skimage import color, filters, segmentation
    path = os.path.join(folder, "%d.npz" % regions)
    if os.path.exists(path):
        return path
    side = 2 if regions <= 2000 else 4 if regions <= 10000 else 8
    tile = int(round(math.sqrt(regions * PIXELS_PER_REGION) / side))
    picture = mosaic(side, tile)
    start = time.perf_counter()
    # SLIC makes about 70% of the segments asked for on these mosaics.
    labels = segmentation.slic(picture, n_segments=int(regions / 0.7), compactness=10,
                               start_label=1)
    labels = segmentation.relabel_sequential(labels)[0].astype(np.int64)
    slic_seconds = time.perf_counter() - start
    edge = filters.sobel(color.rgb2gray(picture))
    np.savez(path, labels=labels, edge=edge, threshold=np.nan, slic=slic_seconds)
    return path


def huge_workload(regions, folder):
    """A grid labelling (pipeline.grid_labels) of an 8x8 mosaic of about
    REGIONS * 100 pixels, and its Sobel edge map."""
    from skimage import color, filters
    sys.path.insert(0, os.path.join(ROOT, "python"))
    from mexsets import _demo_pipeline as pipeline
    path = os.path.join(folder, "huge-%d.npz" % regions)
    side = 8
    tile = int(round(math.sqrt(regions * 100) / side))
    picture = mosaic(side, tile)
    labels = pipeline.grid_labels(picture, regions)
    edge = filters.sobel(color.rgb2gray(picture))
    del picture
    np.savez(path, labels=labels, edge=edge, threshold=np.nan, slic=np.nan)
    return path


def set_threshold(path, mexsets):
    """The threshold: the median of the leaf boundaries' mean edge values,
    so that about half of the regions merge."""
    data = dict(np.load(path))
    _, _, lengths, strengths, _, _ = mexsets.region_graph(data["labels"], data["edge"],
                                                          weight="mean")
    data["threshold"] = float(np.median(strengths / lengths))
    np.savez(path, **data)
    return data


def measure(kind, path, env, inner):
    out = subprocess.run([sys.executable, __file__, "--measure", path, "--kind", kind,
                          "--inner", str(inner), "--build", env["MEXSETS_BUILD"]],
                         env=env, check=True, capture_output=True, text=True).stdout
    return json.loads(out.strip().splitlines()[-1])


def same_partition(a, b):
    pairs = np.unique(np.stack([a.ravel(), b.ravel()]), axis=1)
    return pairs.shape[1] == np.unique(a).size == np.unique(b).size


def agreement(data, mexsets):
    """merge_hierarchical on a RAG of region_graph's lists against
    merge_regions cut by tree_cut at the same threshold: same pixel
    partition? Flat parts of the photographs give boundaries of strength 0,
    exact ties that the two break differently (the heap by node ids,
    merge_regions by boundary numbers); a jitter of 1e-9 at most on the edge
    map (seeded, the same for both) leaves none. Checked with the gallery's
    weight (an average of rounded averages: near ties can go either way)
    and with the strength sums kept."""
    graph = skimage_graph()
    labels, threshold = data["labels"], float(data["threshold"])
    jitter = np.random.default_rng(1).uniform(0, 1e-9, data["edge"].shape)
    f, s, lengths, strengths, areas, _ = mexsets.region_graph(labels, data["edge"] + jitter,
                                                              weight="mean")
    merges, heights = merge_outputs(mexsets, f, s, lengths, strengths, areas)
    if heights is None:
        return "no heights"
    ours = np.asarray(mexsets_cut(mexsets, merges, heights, areas.size, threshold))[labels - 1]
    verdicts = []
    for weight_func in (boundary_weight, boundary_sum_weight):
        rag = graph.RAG()
        rag.add_nodes_from(range(1, areas.size + 1))
        for a, b, n, w in zip(f.astype(int), s.astype(int), lengths, strengths):
            rag.add_edge(a, b, weight=w / n, count=n, strength=w)
        for n in rag.nodes():
            rag.nodes[n]["labels"] = [n]
        theirs = graph.merge_hierarchical(labels, rag, thresh=threshold, rag_copy=False,
                                          in_place_merge=True, merge_func=boundary_merge,
                                          weight_func=weight_func)
        verdicts.append("same" if same_partition(theirs, ours) else "DIFFERENT")
    return "%s/%s (%d parts)" % (verdicts[0], verdicts[1], np.unique(ours).size)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--sizes", default="400,2000,10000,50000")
    parser.add_argument("--repeats", type=int, default=3)
    parser.add_argument("--huge", type=int, default=0)
    parser.add_argument("--work", default=None, help="folder for the workloads (kept)")
    parser.add_argument("--measure", help=argparse.SUPPRESS)
    parser.add_argument("--kind", help=argparse.SUPPRESS)
    parser.add_argument("--inner", type=int, default=3, help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.measure:
        sys.path.insert(0, os.path.join(args.build, "python"))
        return child(args)

    sys.path.insert(0, os.path.join(args.build, "python"))
    from mexsets import octave as mexsets
    env = dict(os.environ, PYTHONPATH=os.path.join(args.build, "python"),
               MEXSETS_BUILD=args.build)
    folder = args.work or tempfile.mkdtemp(prefix="mexsets-skimage-")
    os.makedirs(folder, exist_ok=True)
    sizes = [int(size) for size in args.sizes.split(",") if size]
    rows = []
    for regions in sizes:
        path = workload(regions, folder)
        data = set_threshold(path, mexsets)
        n_regions = int(data["labels"].max())
        best = {}
        # Fewer runs of skimage's merging where one takes minutes.
        for kind in ("graph", "merge"):
            slow = kind == "merge" and n_regions > 10000
            for _ in range(1 if slow else args.repeats):
                for lib in ("mexsets", "skimage"):
                    got = measure("%s_%s" % (lib, kind), path, env,
                                  1 if slow and lib == "skimage" else 3)
                    key = (lib, kind)
                    if key not in best or got["seconds"] < best[key]["seconds"]:
                        best[key] = dict(got, peak=min(got["peak"], best.get(
                            key, got)["peak"]))
        rows.append((regions, n_regions, data["labels"].size, best, agreement(data, mexsets)))
        print_row(rows[-1])
        sys.stdout.flush()
    print_tables(rows)
    if args.huge:
        path = huge_workload(args.huge, folder)
        data = set_threshold(path, mexsets)
        got = measure("mexsets_merge", path, env, 1)
        print("\nregion_graph + merge_regions + cut, %d regions, %.1f megapixels: %.1f s, "
              "%.0f MB above the inputs" % (data["labels"].max(), data["labels"].size / 1e6,
                                           got["seconds"], got["peak"] / 2 ** 20))


def print_row(row):
    regions, n, pixels, best, agree = row
    print("# %d regions asked, %d made, %.2f megapixels: %s" % (
        regions, n, pixels / 1e6, ", ".join("%s %s %.3f s %.0f MB" % (
            lib, kind, v["seconds"], v["peak"] / 2 ** 20) for (lib, kind), v in best.items())),
        file=sys.stderr)


def print_tables(rows):
    print("regions  megapixels | graph s: mexsets  skimage  ratio | graph+merge+cut s: mexsets  "
          "skimage  ratio | extra peak MB, graph: mexsets  skimage | graph+merge: mexsets  "
          "skimage | same partition")
    for regions, n, pixels, best, agree in rows:
        mg, sg = best["mexsets", "graph"], best["skimage", "graph"]
        mm, sm = best["mexsets", "merge"], best["skimage", "merge"]
        print("%7d  %10.2f | %16.4f  %7.3f  %5.1f | %26.4f  %7.2f  %5.1f | %29.0f  %7.0f | "
              "%20.0f  %7.0f | %s" % (
                  n, pixels / 1e6, mg["seconds"], sg["seconds"], sg["seconds"] / mg["seconds"],
                  mm["seconds"], sm["seconds"], sm["seconds"] / mm["seconds"],
                  mg["peak"] / 2 ** 20, sg["peak"] / 2 ** 20, mm["peak"] / 2 ** 20,
                  sm["peak"] / 2 ** 20, agree))
    if len(rows) >= 2:
        first, last = rows[0], rows[-1]
        span = math.log(last[1] / first[1])
        for lib in ("mexsets", "skimage"):
            print("growth exponent %-8s graph %.2f, graph+merge+cut %.2f" % (lib, *[
                math.log(last[3][lib, kind]["seconds"] / first[3][lib, kind]["seconds"]) / span
                for kind in ("graph", "merge")]))


if __name__ == "__main__":
    main()
