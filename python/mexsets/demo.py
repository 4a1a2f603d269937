"""Object proposals on photographs with mexsets: ``python -m mexsets.demo``.

Cuts a photograph into superpixels (scikit-image's SLIC; past a megapixel
a one-round grid-seeded labelling), lists every two touching regions with
the length of their boundary and the sum of the colour steps along it
(region_graph), merges neighbours weakest boundary first (merge_regions),
takes the merge tree's nodes as candidate objects (tree_leaf_sets,
tree_leaf_matrix, tree_occurrence_masks, score_subsets, and in small trees
tree_overlap_matrix as a check), measures them (set_features), ranks them
(rank_diverse), drops the ones that overlap a better one
(suppress_overlaps) and finds the front of contrast against irregularity
(nondominated). It prints the time spent in each function, the seconds and
peak memory of each step, and writes a PNG of the photograph, its regions
and the best proposals. Memory stays linear in pixels and regions: a
5-megapixel photograph of 50,000 superpixels runs in a few GB.

    python -m mexsets.demo                          # skimage.data.astronaut()
    python -m mexsets.demo --image coffee --size 256
    python -m mexsets.demo --size 1936x2592 --regions 50000
    python -m mexsets.demo --check coins            # against the coins' own outlines
    python -m mexsets.demo --batch 8 --threads 2 --verify
    python -m mexsets.demo --batch photos/ --workers 2
    python -m mexsets.demo --batch 8 --scheduler tcp://HOST:8786

It needs scikit-image, SciPy and matplotlib, and Dask's distributed for
--workers and --scheduler (``pip install mexsets[demo]``; Debian:
python3-skimage python3-matplotlib python3-distributed). The package itself
needs NumPy only and never imports this module.
"""
import argparse
import importlib.util
import os
import sys
import tempfile
import time
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

import numpy as np

from . import _demo_pipeline as pipeline

IMAGE_FILES = (".png", ".jpg", ".jpeg", ".tif", ".tiff", ".bmp", ".gif", ".webp")


def _require(*modules):
    missing = [name for name in modules if importlib.util.find_spec(name) is None]
    if missing:
        sys.exit(f"mexsets.demo: {', '.join(missing)} not found; install the extra "
                 "(pip install 'mexsets[demo]') or, on Debian, "
                 "apt-get install python3-skimage python3-matplotlib python3-distributed")


def batch_sources(items):
    """The pictures of --batch: N (that many built-in photographs, in turn),
    folders (their image files, sorted) and image files or built-in names."""
    if len(items) == 1 and items[0].isdigit():
        return [pipeline.BUILT_IN[k % len(pipeline.BUILT_IN)] for k in range(int(items[0]))]
    sources = []
    for item in items:
        path = Path(item)
        if path.is_dir():
            sources += sorted(str(p) for p in path.iterdir() if p.suffix.lower() in IMAGE_FILES)
        else:
            sources.append(item)
    return sources


def run_batch(pictures, threads=1, scheduler=None, workers=None, timeout=None, **options):
    """pipeline.process on every picture, in input order: serially, on a
    pool of THREADS threads, on the Dask cluster at SCHEDULER, or on a
    LocalCluster of WORKERS processes (closed again whatever happens).
    TIMEOUT bounds, in seconds, starting or reaching the cluster (60 when
    None) and the whole run (no bound when None). OPTIONS go to
    pipeline.propose."""
    if scheduler is None and workers is None:
        if threads <= 1:
            return [pipeline.process(picture, **options) for picture in pictures]
        with ThreadPoolExecutor(threads) as pool:
            return list(pool.map(lambda picture: pipeline.process(picture, **options),
                                 pictures))
    from distributed import Client, LocalCluster, wait
    cluster = None
    try:
        if scheduler is None:
            cluster = LocalCluster(n_workers=workers, threads_per_worker=max(1, threads),
                                   processes=True, host="127.0.0.1",
                                   dashboard_address=None, timeout=timeout or 60)
        with Client(cluster or scheduler, timeout=timeout or 60) as client:
            futures = client.map(pipeline.process, client.scatter(list(pictures)),
                                 pure=False, **options)
            wait(futures, timeout=timeout)
            return client.gather(futures)
    finally:
        if cluster is not None:
            cluster.close()


def _total_times(times):
    total = {}
    for one in times:
        for name, seconds in one.items():
            total[name] = total.get(name, 0.0) + seconds
    return total


def _time_report(times):
    names = sorted(times, key=lambda name: -times[name])
    mexsets_names = [name for name in names if name not in ("slic", "grid", "gradient")]
    each = ", ".join(f"{name} {1000 * times[name]:.1f}" for name in mexsets_names)
    others = ", ".join(f"{name} {1000 * times[name]:.1f}" for name in names
                       if name not in mexsets_names)
    return (f"time in the mexsets calls: {1000 * sum(times[n] for n in mexsets_names):.1f} ms\n"
            f"  ({each})\n  besides: {others} ms")


def report(result, name, say=print):
    """Prints what each step found, the best proposals and the front."""
    r = result
    labels, nodes = r["labels"], r["nodes"]
    h, w = labels.shape
    leaf_area = r["leaf_area"]
    say(f"mexsets demo: {name}, {h}-by-{w}\n")
    say(f" 1 regions     {r['superpixels']}: {leaf_area.size} regions of {leaf_area.min():.0f} "
        f"to {leaf_area.max():.0f} pixels")
    say(f" 2 boundaries  region_graph: {r['pair_first'].size} "
        f"pairs of regions touch along {r['lengths'].sum():.0f} pixel edges;")
    say(f"               {np.count_nonzero(r['rim_length'])} regions touch the picture's rim")
    say(f" 3 merge tree  merge_regions: {r['merges'].shape[0]} merges, weakest mean "
        f"boundary first;")
    say(f"               {nodes.size} of its {r['node_area'].size} nodes {r['rule']}: "
        "the candidates")
    counts = [leaf.size for leaf in r["leaves"]]
    say(f" 4 leaf sets   tree_leaf_sets, tree_leaf_matrix: {min(counts)} to {max(counts)} "
        f"regions per candidate")
    masks = r["masks"]
    agree = "yes" if r["areas_agree"] else "NO"
    if masks is not None:
        say(f"   masks       tree_occurrence_masks: {'-by-'.join(map(str, masks.shape))} "
            f"bool, {masks.nbytes / 2 ** 20:.1f} MB")
        say(f"   areas       score_subsets: pixel counts agree with the masks and the tree: "
            f"{agree}")
    else:
        say(f"   masks       tree_occurrence_masks: of the best ones only (all: "
            f"{nodes.size * h * w / 2 ** 20:.0f} MB)")
        say(f"   areas       score_subsets: pixel counts agree with the tree: {agree}")
    n_nodes = r["node_area"].size
    if r["shared"] is not None:
        shared = r["shared"][np.ix_(nodes, nodes)]
        say(f"   overlaps    tree_overlap_matrix: {n_nodes}-by-{n_nodes} shared areas; "
            f"{np.count_nonzero(np.triu(shared, 1))} candidate pairs overlap")
    else:
        say(f"   overlaps    tree_overlap_matrix: not run, {n_nodes}-by-{n_nodes} would take "
            f"{8 * n_nodes ** 2 / 2 ** 30:.1f} GB")
    say(" 5 features    set_features: perimeter, contour contrast, uniformity, box")
    say(f" 6 ranking     rank_diverse (lambda {r['lambda_']:g}): relevance = contrast, "
        f"redundancy = overlap ratio")
    say(f"   suppression suppress_overlaps at overlap {r['overlap']:g} keeps "
        f"{r['kept'].size} of {nodes.size} candidates")
    say(f"   front       nondominated on (-contrast, irregularity): "
        f"{np.count_nonzero(r['front'])} candidates")
    say("\nbest candidates that overlap no better one (tiles 3 on in the picture)")
    say(" tile  rank  node  pixels  rows     cols     contrast  perimeter  irregular  "
        "uniform  bright  score")
    for k, c in enumerate(r["best"]):
        place = r["kept"][k]                                  # 0-based place in the order
        box = r["box"][c].astype(int)
        say(f" {k + 3:4d}  {place + 1:4d}  {nodes[c]:4d}  {r['area'][c]:6.0f}  "
            f"{box[0]:3d}-{box[2]:<3d}  {box[1]:3d}-{box[3]:<3d}  {r['contrast'][c]:8.3f}  "
            f"{r['perimeter'][c]:9.0f}  {r['irregularity'][c]:9.2f}  "
            f"{r['uniformity'][c]:7.2f}  {r['brightness'][c]:6.2f}  "
            f"{r['scores'][place]:5.3f}")
    on_front = np.flatnonzero(r["front"])
    on_front = on_front[np.argsort(-r["contrast"][on_front], kind="stable")]
    say("\nPareto front: no other candidate has higher contrast and a more regular outline")
    say("  node  pixels  contrast  irregular")
    for c in on_front:
        say(f"  {nodes[c]:4d}  {r['area'][c]:6.0f}  {r['contrast'][c]:8.3f}  "
            f"{r['irregularity'][c]:9.2f}")
    say("\n" + _time_report(r["time"]))
    say("\nsteps: seconds and peak memory above the memory in use before the step")
    for name, seconds, peak in r["steps"]:
        say(f"  {name:34s} {seconds:8.2f} s  {peak / 2 ** 20:9.1f} MB")


def check_coins(result, say=print):
    """The best intersection over union of each coin over the candidates
    and over the proposals kept; returns both arrays."""
    objects = pipeline.coin_objects(result["picture"])
    every = pipeline.best_overlaps(result, objects)
    kept = result["order"][result["kept"]]
    proposals = pipeline.best_overlaps(result, objects, kept)
    say(f"\ncoins: Otsu's threshold finds {objects.max()} coins; best intersection over "
        "union per coin")
    for label, iou in (("candidates", every), ("kept proposals", proposals)):
        say(f"  over the {len(result['nodes']) if label == 'candidates' else kept.size} "
            f"{label}: mean {iou.mean():.3f}, min {iou.min():.3f}, "
            f"{np.count_nonzero(iou >= 0.5)} of {iou.size} at 0.5 or more")
    return every, proposals


def _default_png():
    folder = Path.cwd() if os.access(Path.cwd(), os.W_OK) else Path(tempfile.gettempdir())
    return folder / "mexsets_demo.png"


def _arguments(argv):
    parser = argparse.ArgumentParser(
        prog="python -m mexsets.demo",
        description="Object proposals on photographs with mexsets.")
    parser.add_argument("--image", default=None,
                        help="an image file or a built-in photograph: "
                             + ", ".join(pipeline.BUILT_IN) + " (default astronaut)")
    parser.add_argument("--size", default="320",
                        help="downscale to N pixels on the longer side, or resize to ROWSxCOLS; "
                             "'full' keeps the size (default 320)")
    parser.add_argument("--regions", type=int, default=300,
                        help="about how many superpixels (default 300)")
    parser.add_argument("--superpixels", choices=["slic", "grid"], default=None,
                        help="SLIC, or one round of k-means from grid seeds (default: SLIC "
                             "up to a megapixel, the grid past it)")
    parser.add_argument("--lambda", dest="lambda_", type=float, default=0.75,
                        help="relevance weight of rank_diverse (default 0.75)")
    parser.add_argument("--overlap", type=float, default=0.5,
                        help="overlap ratio at which a candidate is dropped (default 0.5)")
    parser.add_argument("--top", type=int, default=6, help="how many proposals to show")
    parser.add_argument("--png", default=None,
                        help="where to write the picture (default ./mexsets_demo.png, or "
                             "the temp folder when . is read-only)")
    parser.add_argument("--check", choices=["coins"],
                        help="run on skimage.data.coins() and score the proposals against "
                             "the coins that a threshold separates")
    parser.add_argument("--batch", nargs="+", metavar="ITEM",
                        help="many pictures: N built-ins, folders, files or built-in names")
    parser.add_argument("--threads", type=int, default=1,
                        help="batch threads (per Dask worker with --workers; default 1)")
    parser.add_argument("--workers", type=int,
                        help="batch on a LocalCluster of N worker processes")
    parser.add_argument("--scheduler", metavar="tcp://HOST:PORT",
                        help="batch on the Dask cluster of this scheduler")
    parser.add_argument("--verify", action="store_true",
                        help="batch: also run serially, compare and give the speed-up")
    parser.add_argument("--quiet", action="store_true", help="print nothing")
    args = parser.parse_args(argv)
    if args.regions < 4 or args.top < 0 or args.threads < 1:
        parser.error("--regions must be at least 4, --top and --threads not negative")
    if args.workers is not None and args.scheduler is not None:
        parser.error("--workers and --scheduler exclude each other")
    if (args.workers or args.scheduler) and not args.batch:
        parser.error("--workers and --scheduler need --batch")
    return args


def main(argv=None):
    """Runs the demo; returns the result of propose() (a single picture) or
    the list of (digest, times) of a batch."""
    args = _arguments(argv)
    say = (lambda *a, **k: None) if args.quiet else print
    _require("skimage", "scipy", "matplotlib",
             *(["distributed"] if args.workers or args.scheduler else []))
    options = dict(regions=args.regions, lambda_=args.lambda_, overlap=args.overlap,
                   top=args.top, superpixels=args.superpixels)
    if args.batch:
        return _main_batch(args, options, say)

    source = "coins" if args.check == "coins" else args.image or "astronaut"
    picture, name = pipeline.load_picture(source, args.size)
    result = pipeline.propose(picture, **options)
    report(result, name, say)
    if args.check == "coins":
        result["coins"] = check_coins(result, say)
    png = Path(args.png) if args.png else _default_png()
    pipeline.write_png(png, picture, result["labels"], result["best_masks"])
    result["png"] = png
    say(f"the picture (tile 1), its regions (tile 2) and the {result['best'].size} best "
        f"proposals (tiles 3 on) written to\n  {png}")
    return result


def _main_batch(args, options, say):
    sources = batch_sources(args.batch)
    pictures = [pipeline.load_picture(source, args.size) for source in sources]
    where = (f"the Dask cluster at {args.scheduler}" if args.scheduler else
             f"a LocalCluster of {args.workers} worker processes" if args.workers else
             f"{args.threads} thread{'s' if args.threads > 1 else ''}")
    say(f"mexsets demo: {len(pictures)} pictures on {where}")
    if not (args.workers or args.scheduler):
        pipeline.process(pictures[0][0], **options)   # first-call imports, untimed
    start = time.perf_counter()
    results = run_batch([p for p, _ in pictures], threads=args.threads,
                        scheduler=args.scheduler, workers=args.workers, **options)
    seconds = time.perf_counter() - start
    say("  picture                  size      regions  candidates  kept  front  seconds")
    for (picture, name), (digest, times) in zip(pictures, results):
        say(f"  {name[:22]:22s}  {picture.shape[0]:4d}x{picture.shape[1]:<4d}  "
            f"{digest['labels'].max():7d}  {digest['nodes'].size:10d}  "
            f"{digest['kept'].size:4d}  {np.count_nonzero(digest['front']):5d}  "
            f"{sum(times.values()):7.2f}")
    say(f"\n{len(pictures)} pictures in {seconds:.2f} s on {where}")
    say(_time_report(_total_times([times for _, times in results])))
    if args.verify:
        start = time.perf_counter()
        serial = run_batch([p for p, _ in pictures], **options)
        serial_seconds = time.perf_counter() - start
        same = all(pipeline.same_digests(one[0], other[0])
                   for one, other in zip(serial, results))
        say(f"serial run: {serial_seconds:.2f} s, speed-up {serial_seconds / seconds:.2f}; "
            f"results equal to the serial run: {'yes' if same else 'NO'}")
        if not same:
            sys.exit(1)
    return results


if __name__ == "__main__":
    main()
