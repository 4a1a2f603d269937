"""The object-proposal pipeline of ``python -m mexsets.demo`` on one picture.

Routes: ``load_picture`` reads a built-in or a file; ``propose`` runs the
pipeline (superpixels, region graph, merge tree, candidates, features,
ranking, suppression, Pareto front); ``digest`` keeps what a batch
brings back; ``montage`` and ``write_png`` draw the result; ``coin_objects``
and ``best_overlaps`` measure it against a thresholded photograph.

scikit-image, SciPy and matplotlib are imported here, never by the package
itself, which needs NumPy only.
"""
import time
from pathlib import Path

import numpy as np

import mexsets

# The photographs of scikit-image's data module that need no download.
BUILT_IN = ("astronaut", "coffee", "chelsea", "rocket", "coins", "camera",
            "immunohistochemistry", "hubble_deep_field", "retina", "moon")

GAP = 6
COLUMNS = 4
TINTS = np.array([[0.95, 0.2, 0.2], [0.2, 0.6, 1.0], [1.0, 0.75, 0.1],
                  [0.6, 0.3, 0.9], [0.1, 0.8, 0.5], [1.0, 0.4, 0.8]])


def parse_size(text):
    """'256' (the longer side) or '96x128' (rows x columns); None keeps the size."""
    if text is None or str(text).lower() in ("", "full", "none"):
        return None
    parts = str(text).lower().split("x")
    size = tuple(int(p) for p in parts)
    if len(size) not in (1, 2) or min(size) < 16:
        raise ValueError(f"size must be N or ROWSxCOLS, each at least 16: {text}")
    return size


def load_picture(source, size=None):
    """An RGB float64 picture in [0, 1] and its name: SOURCE names a built-in
    photograph (BUILT_IN) or an image file; SIZE as parse_size gives it."""
    from skimage import color, data, io, transform, util
    path = Path(str(source))
    if path.exists():
        picture, name = io.imread(str(path)), path.name
    elif str(source) in BUILT_IN:
        picture, name = getattr(data, str(source))(), str(source)
    else:
        raise FileNotFoundError(f"no image file and no built-in picture named {source!r} "
                                f"(built-in: {', '.join(BUILT_IN)})")
    picture = np.asarray(picture)
    if picture.ndim == 3 and picture.shape[2] == 4:
        picture = color.rgba2rgb(picture)
    elif picture.ndim == 2:
        picture = color.gray2rgb(picture)
    picture = util.img_as_float(picture)
    size = parse_size(size)
    if size is not None:
        h, w = picture.shape[:2]
        if len(size) == 1:
            scale = min(1.0, size[0] / max(h, w))
            size = (max(16, round(h * scale)), max(16, round(w * scale)))
        if size != (h, w):
            picture = transform.resize(picture, size, anti_aliasing=size[0] < h)
    return np.ascontiguousarray(np.clip(picture, 0, 1)), name


class _Clock:
    """Seconds spent per function, summed over the calls."""

    def __init__(self):
        self.seconds = {}

    def __call__(self, function, *args, **kwargs):
        start = time.perf_counter()
        out = function(*args, **kwargs)
        name = function.__name__
        self.seconds[name] = self.seconds.get(name, 0.0) + time.perf_counter() - start
        return out


def _proc_bytes(field):
    try:
        with open("/proc/self/status") as status:
            for line in status:
                if line.startswith(field + ":"):
                    return 1024 * int(line.split()[1])
    except OSError:
        pass
    return float("nan")


def _reset_peak():
    """Resets the process's peak resident memory (VmHWM) to the memory in
    use (Linux: 5 into /proc/self/clear_refs) and returns that memory."""
    try:
        with open("/proc/self/clear_refs", "w") as clear:
            clear.write("5")
    except OSError:
        pass
    return _proc_bytes("VmRSS")


class _Steps:
    """Seconds and peak memory of each step: ``end(name)`` closes the step
    begun at the last call, with the peak resident memory above the memory
    in use when it began. Resident memory sees what NumPy and the C++
    kernels allocate alike (tracemalloc sees NumPy's only). Threads of a
    batch share the process, so there the peaks are of the whole batch."""

    def __init__(self):
        self.rows = []
        self.start = time.perf_counter()
        self.base = _reset_peak()

    def end(self, name):
        seconds = time.perf_counter() - self.start
        self.rows.append((name, seconds, _proc_bytes("VmHWM") - self.base))
        self.base = _reset_peak()
        self.start = time.perf_counter()


def grid_labels(picture, count, rows_at_once=256):
    """About COUNT regions numbered 1..L, fast enough for pictures of
    millions of pixels: seeds on a regular grid at the cells' centres with
    the colour found there, and each pixel joins the nearest in (row,
    column, colour) of the seeds of its own cell and the eight around it,
    one round of the local k-means that SLIC runs ten times. Regions need
    not be connected; region_graph and merge_regions do not ask it. Seeds
    that no pixel joined are left out."""
    h, w = picture.shape[:2]
    step = np.sqrt(h * w / count)
    ny, nx = max(1, round(h / step)), max(1, round(w / step))
    sy = (np.arange(ny) + 0.5) * h / ny
    sx = (np.arange(nx) + 0.5) * w / nx
    seed_colour = picture[np.clip(np.round(sy).astype(int), 0, h - 1)[:, None],
                          np.clip(np.round(sx).astype(int), 0, w - 1)[None, :]]
    colour_weight = 40.0
    cell_col = np.minimum(nx - 1, (np.arange(w) * nx) // w)
    labels = np.empty((h, w), np.int64)
    for top in range(0, h, rows_at_once):
        rows = np.arange(top, min(h, top + rows_at_once))
        cell_row = np.minimum(ny - 1, (rows * ny) // h)
        colour = picture[rows]
        best = np.full((rows.size, w), np.inf)
        label = np.zeros((rows.size, w), np.int64)
        for dy in (-1, 0, 1):
            r = cell_row + dy
            r_ok = (r >= 0) & (r < ny)
            r = np.clip(r, 0, ny - 1)
            for dx in (-1, 0, 1):
                c = cell_col + dx
                ok = r_ok[:, None] & ((c >= 0) & (c < nx))[None, :]
                c = np.clip(c, 0, nx - 1)
                d = (((rows - sy[r]) ** 2)[:, None] + ((np.arange(w) - sx[c]) ** 2)[None, :]) \
                    / step ** 2
                d += colour_weight * ((colour - seed_colour[r[:, None], c[None, :]]) ** 2).sum(2)
                d[~ok] = np.inf
                closer = d < best
                best[closer] = d[closer]
                label[closer] = (r[:, None] * nx + c[None, :])[closer]
        labels[rows] = label
    return np.unique(labels, return_inverse=True)[1].reshape(h, w) + 1


def candidate_nodes(merges, node_area, n_leaves, pixels):
    """The candidates (node ids, ascending) and how they were chosen:
    the nodes that cover 0.5% to 50% of the picture while their leaf lists,
    one padded row each (candidates by widest list), take at most 256
    entries per region. Past that (a region grown one small neighbour at a
    time puts a node per merge in the range, so both grow with L), only the
    nodes in the range that are whole parts of the picture when the tree is
    cut into 2, 4, ..., 1024 parts (the roots left after the first L-2,
    L-4, ... merges). A cut has at most 200 parts of 0.5% or more, so at
    most 2000 candidates, and each cut's lists hold each region once: at
    most 10 entries per region plus the padding of the rows."""
    in_range = (node_area >= 0.005 * pixels) & (node_area <= 0.5 * pixels)
    rows = np.asarray(merges, np.intp)
    leaf_count = np.concatenate([np.ones(n_leaves, np.int64),
                                 np.zeros(rows.shape[0], np.int64)])
    for first, second, new in rows:                        # children come first
        leaf_count[new] = leaf_count[first] + leaf_count[second]
    nodes = np.flatnonzero(in_range)
    rule = "cover 0.5% to 50% of the picture"
    if nodes.size * (leaf_count[nodes].max() if nodes.size else 0) > 256 * n_leaves:
        parent = np.full(node_area.size, np.iinfo(np.int64).max)
        parent[rows[:, 0]] = rows[:, 2]
        parent[rows[:, 1]] = rows[:, 2]
        node = np.arange(node_area.size)
        root = np.zeros(node_area.size, bool)
        for parts in 2 ** np.arange(1, 11):
            newest = 2 * n_leaves - parts - 1            # the id of the last node made
            root |= (node <= newest) & (parent > newest)
        nodes = np.flatnonzero(root & in_range)
        rule = ("cover 0.5% to 50% of the picture and are parts of cuts into "
                "2, 4, ..., 1024")
    return nodes, rule


def propose(picture, regions=300, lambda_=0.75, overlap=0.5, top=6, superpixels=None):
    """Runs the pipeline on an h-by-w-by-3 picture in [0, 1]; returns a dict
    of every intermediate result (ids as the mexsets functions give them:
    regions 0..L-1 are the labels 1..L),
    ``time``, the seconds spent in each function, and ``steps``, the
    (name, seconds, peak bytes) of each step. SUPERPIXELS is 'slic' or
    'grid' (grid_labels); None takes SLIC up to a megapixel (2**20 pixels)
    and the grid past it, where SLIC takes long."""
    from scipy import ndimage, sparse
    from skimage import color, filters, segmentation
    clock = _Clock()
    steps = _Steps()
    h, w = picture.shape[:2]
    if superpixels is None:
        superpixels = "slic" if h * w <= 2 ** 20 else "grid"

    # 1. Regions (leaves), numbered 1..L.
    start = time.perf_counter()
    if superpixels == "slic":
        labels = segmentation.slic(picture, n_segments=regions, compactness=10, start_label=1,
                                   channel_axis=-1)
        labels = segmentation.relabel_sequential(labels)[0]
    elif superpixels == "grid":
        labels = grid_labels(picture, regions)
    else:
        raise ValueError(f"superpixels must be 'slic' or 'grid', not {superpixels!r}")
    clock.seconds[superpixels] = time.perf_counter() - start
    n_leaves = int(labels.max())
    if n_leaves < 2:
        raise ValueError("mexsets.demo: the picture is one region; nothing to merge")
    flat = labels.ravel()
    region = labels - 1                       # 0..L-1: the leaves of the merge tree
    leaf_area = np.bincount(flat, minlength=n_leaves + 1)[1:].astype(float)
    luma = picture @ np.array([0.299, 0.587, 0.114])
    leaf_luma = np.bincount(flat, luma.ravel(), n_leaves + 1)[1:] / leaf_area
    del luma
    leaf_box = np.array([[s[0].start + 1, s[1].start + 1, s[0].stop, s[1].stop]
                         for s in ndimage.find_objects(labels)], float)
    steps.end(f"superpixels ({superpixels})")

    # 2. Boundaries: the colour step between neighbouring pixels (smoothed
    # Lab, /100), each touching pair of regions once (first < second,
    # sorted) with the count of pixel edges between them and the sum of the
    # steps across those edges, in one pass: the same bits as boundary_grid
    # and boundary_sums, in memory linear in pixels and pairs instead of an
    # L-by-L matrix.
    start = time.perf_counter()
    lab = filters.gaussian(color.rgb2lab(picture) / 100, sigma=1, channel_axis=-1)
    clock.seconds["gradient"] = time.perf_counter() - start
    steps.end("gradient")
    graph = clock(mexsets.region_graph, labels, lab)
    pair_first, pair_second, lengths, strengths = graph[:4]
    rim_length = graph.border
    del lab
    steps.end("region_graph")

    # 3. The merge tree and its candidate nodes (candidate_nodes).
    merges, node_area, heights = clock(mexsets.merge_regions, pair_first, pair_second,
                                       lengths, strengths, leaf_area)
    steps.end("merge_regions")
    nodes, rule = candidate_nodes(merges, node_area, n_leaves, h * w)
    if nodes.size == 0:                   # a picture of one region: the root alone
        nodes = np.array([node_area.size - 1], np.intp)
    n_cand = nodes.size
    steps.end("candidates")

    # 4. Leaf sets, masks, areas and overlaps. Every candidate's mask while
    # they fit in 128 MB, past that only those of the best ones, at the end.
    leaves = clock(mexsets.tree_leaf_sets, merges, nodes[:, None])
    subsets = clock(mexsets.tree_leaf_matrix, merges, nodes[:, None])  # padded with -1
    steps.end("tree_leaf_sets, tree_leaf_matrix")
    all_masks = n_cand * h * w <= 2 ** 27
    if all_masks:
        masks = clock(mexsets.tree_occurrence_masks, region, merges, nodes[:, None])
        steps.end("tree_occurrence_masks")
    area, luma_sum = clock(mexsets.score_subsets, leaf_area, leaf_luma * leaf_area, subsets)
    brightness = luma_sum / area
    areas_agree = bool(np.array_equal(area, node_area[nodes])
                       and (not all_masks or np.array_equal(area, masks.sum(axis=(0, 1)))))
    steps.end("score_subsets")
    # The shared area of every two nodes takes 8*n_nodes**2 bytes: worked
    # out while that stays under 64 MB, not at scale; suppression below
    # needs no node-by-node matrix. Of the node areas only the leaves' count.
    shared = None
    if 8 * node_area.size ** 2 <= 2 ** 26:
        shared = clock(mexsets.tree_overlap_matrix, merges, node_area)
        steps.end("tree_overlap_matrix")

    # 5. Features. Shared boundaries as sparse symmetric L-by-L matrices,
    # each region's totals summed over its neighbours in ascending order.
    ids = subsets
    ends = np.concatenate([pair_first, pair_second])
    other = np.concatenate([pair_second, pair_first])
    both_lengths = np.concatenate([lengths, lengths])
    both_strengths = np.concatenate([strengths, strengths])
    shape = (n_leaves, n_leaves)
    shared_length = sparse.csc_matrix((both_lengths, (ends, other)), shape)
    shared_strength = sparse.csc_matrix((both_strengths, (ends, other)), shape)
    by_neighbour = np.lexsort((other, ends))
    leaf_length = np.bincount(ends[by_neighbour], both_lengths[by_neighbour], n_leaves)
    leaf_strength = np.bincount(ends[by_neighbour], both_strengths[by_neighbour], n_leaves)
    perimeter, _ = clock(mexsets.set_features, ids, leaf_length + rim_length, "perimeter",
                         w=shared_length)
    contour, _ = clock(mexsets.set_features, ids, leaf_strength, "perimeter", w=shared_strength)
    uniformity, _ = clock(mexsets.set_features, ids, leaf_luma, "ratio")
    box = clock(mexsets.set_features, ids, leaf_box, "box")
    contrast = contour / perimeter                    # mean colour step along the outline
    irregularity = perimeter ** 2 / (4 * np.pi * area)
    steps.end("set_features")

    # 6. Ranking, suppression, Pareto front. Overlaps are areas of shared
    # regions: W is the vector of region areas, no L-by-L matrix. Suppression
    # reads the ranked candidates' region lists with the same W; their
    # shared area summed over regions is what tree_overlap_matrix gives for
    # their nodes, whole numbers either way, so the ratios are the same bits.
    relevance = contrast / contrast.max() if contrast.max() > 0 else np.ones(n_cand)
    order, scores = clock(mexsets.rank_diverse, ids, relevance, leaf_area, lambda_)
    steps.end("rank_diverse")
    _, kept = clock(mexsets.suppress_overlaps, ids[order], leaf_area, leaf_area, overlap)
    steps.end("suppress_overlaps")
    front = clock(mexsets.nondominated, np.column_stack([-contrast, irregularity]))
    steps.end("nondominated")
    best = order[kept[:top]]              # candidate rows, best first (kept: places in order)
    if all_masks:
        best_masks = masks[:, :, best]
    else:
        masks = None
        best_masks = clock(mexsets.tree_occurrence_masks, region, merges, nodes[best][:, None])
        steps.end("tree_occurrence_masks")

    return dict(picture=picture, labels=labels, leaf_area=leaf_area, merges=merges,
                node_area=node_area, nodes=nodes, rule=rule, leaves=leaves, masks=masks,
                best_masks=best_masks, subsets=subsets, area=area, brightness=brightness,
                areas_agree=areas_agree, shared=shared, pair_first=pair_first,
                pair_second=pair_second, lengths=lengths, strengths=strengths,
                rim_length=rim_length, perimeter=perimeter, contrast=contrast,
                irregularity=irregularity, uniformity=uniformity, box=box, order=order,
                scores=scores, kept=kept, front=front, best=best,
                lambda_=lambda_, overlap=overlap, superpixels=superpixels,
                time=clock.seconds, steps=steps.rows)


def digest(result):
    """What a batch brings back of one picture: every result that says which
    regions, candidates and proposals were found (the masks of the best
    ones only) and the times, apart."""
    keys = ("labels", "merges", "node_area", "nodes", "area", "contrast", "irregularity",
            "order", "scores", "kept", "front", "best")
    out = {key: result[key] for key in keys}
    out["best_masks"] = np.ascontiguousarray(result["best_masks"])
    return out, result["time"]


def _outline(panel, labels, colour):
    """Paints COLOUR on the pixels whose right or lower neighbour lies in
    another region (of a 0/1 mask: the border of the 1 part, both sides)."""
    edge = np.zeros(labels.shape, bool)
    across = labels[:, :-1] != labels[:, 1:]
    down = labels[:-1, :] != labels[1:, :]
    edge[:, :-1] |= across
    edge[:-1, :] |= down
    panel = panel.copy()
    panel[edge] = colour
    return panel


def montage(picture, labels, masks):
    """A uint8 RGB montage: the picture, its regions outlined, then one tile
    per page of MASKS tinted over the dimmed picture; COLUMNS tiles a row,
    GAP white pixels between tiles, tiles doubled when the picture is small."""
    h, w = labels.shape
    scale = 1 + (max(h, w) <= 320)
    panels = [picture, _outline(picture, labels, 0.0)]
    for k in range(masks.shape[2]):
        inside = masks[:, :, k]
        tint = TINTS[k % len(TINTS)]
        panel = picture * 0.3 + 0.15
        panel[inside] = 0.55 * picture[inside] + 0.45 * tint
        panels.append(_outline(panel, inside, tint))
    rows = -(-len(panels) // COLUMNS)
    th, tw = h * scale, w * scale
    tiles = np.ones((rows * th + (rows + 1) * GAP, COLUMNS * tw + (COLUMNS + 1) * GAP, 3))
    for k, panel in enumerate(panels):
        top = GAP + (k // COLUMNS) * (th + GAP)
        left = GAP + (k % COLUMNS) * (tw + GAP)
        tiles[top:top + th, left:left + tw] = panel.repeat(scale, 0).repeat(scale, 1)
    return np.round(255 * np.clip(tiles, 0, 1)).astype(np.uint8)


def write_png(path, picture, labels, masks):
    """Writes montage(...) to PATH with matplotlib's Agg backend, pixel for
    pixel; tiles are at most 640 pixels a side, a larger picture shown
    every few pixels."""
    import matplotlib
    matplotlib.use("Agg")
    from matplotlib import image
    every = -(-max(labels.shape) // 640)
    image.imsave(str(path), montage(picture[::every, ::every], labels[::every, ::every],
                                    masks[::every, ::every]))
    return Path(path)


def coin_objects(picture):
    """The coins of skimage.data.coins(), numbered 1..K: the parts of Otsu's
    bright foreground, holes filled, that cover 0.2% to 5% of the picture
    (smaller ones are specks, the larger one the lit edge of the table)."""
    from scipy import ndimage
    from skimage import filters, measure
    gray = picture @ np.array([0.299, 0.587, 0.114])
    bright = ndimage.binary_fill_holes(gray > filters.threshold_otsu(gray))
    parts = measure.label(bright, connectivity=1)
    sizes = np.bincount(parts.ravel())
    sizes[0] = 0
    coin = (sizes >= 0.002 * gray.size) & (sizes <= 0.05 * gray.size)
    numbers = np.zeros(sizes.size, int)
    numbers[coin] = np.arange(1, coin.sum() + 1)
    return numbers[parts]


def best_overlaps(result, objects, candidates=None):
    """For each object 1..K of OBJECTS, the best intersection over union with
    the masks of CANDIDATES (rows of result['nodes']; default all)."""
    n_objects = int(objects.max())
    labels = result["labels"]
    n_leaves = int(labels.max())
    # Pixels of each object per label (region + 1); a candidate is a union
    # of regions, its list padded with -1, which row 0 (no label) takes.
    shared = np.zeros((n_leaves + 1, n_objects + 1))
    np.add.at(shared, (labels.ravel(), objects.ravel()), 1)
    shared[0] = 0
    rows = np.arange(result["nodes"].size) if candidates is None else np.asarray(candidates)
    inter = shared[result["subsets"][rows] + 1].sum(axis=1)[:, 1:]
    object_area = np.bincount(objects.ravel(), minlength=n_objects + 1)[1:]
    union = result["area"][rows][:, None] + object_area[None, :] - inter
    return (inter / union).max(axis=0) if rows.size else np.zeros(n_objects)


def process(picture, regions=300, lambda_=0.75, overlap=0.5, top=6, superpixels=None):
    """propose() then digest(): the per-picture job of a batch, on a thread
    or on a Dask worker."""
    return digest(propose(picture, regions, lambda_, overlap, top, superpixels))


def same_digests(one, other):
    """True when two digests (of the same picture) hold equal arrays."""
    return one.keys() == other.keys() and all(
        np.array_equal(one[key], other[key]) for key in one)
