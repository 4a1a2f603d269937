"""The object-proposal pipeline of ``python -m mexsets.demo`` on one picture.

Routes: ``load_picture`` reads a built-in or a file; ``propose`` runs the
pipeline (superpixels, contour grid, boundary sums, merge tree, candidates,
features, ranking, suppression, Pareto front); ``digest`` keeps what a batch
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


def propose(picture, regions=300, lambda_=0.75, overlap=0.5, top=6):
    """Runs the pipeline on an h-by-w-by-3 picture in [0, 1]; returns a dict
    of every intermediate result (ids as the mexsets functions give them)
    and ``time``, the seconds spent in each function."""
    from scipy import ndimage
    from skimage import color, filters, segmentation
    clock = _Clock()
    h, w = picture.shape[:2]

    # 1. Regions (leaves), numbered 1..L.
    start = time.perf_counter()
    labels = segmentation.slic(picture, n_segments=regions, compactness=10, start_label=1,
                               channel_axis=-1)
    labels = segmentation.relabel_sequential(labels)[0]
    clock.seconds["slic"] = time.perf_counter() - start
    n_leaves = int(labels.max())
    if n_leaves < 2:
        raise ValueError("mexsets.demo: the picture is one region; nothing to merge")
    flat = labels.ravel()
    leaf_area = np.bincount(flat, minlength=n_leaves + 1)[1:].astype(float)
    luma = picture @ np.array([0.299, 0.587, 0.114])
    leaf_luma = np.bincount(flat, luma.ravel(), n_leaves + 1)[1:] / leaf_area
    leaf_box = np.array([[s[0].start + 1, s[1].start + 1, s[0].stop, s[1].stop]
                         for s in ndimage.find_objects(labels)], float)

    # 2. Boundaries: the colour step between neighbouring pixels (smoothed
    # Lab, /100) summed per pair of regions over the contour grid.
    start = time.perf_counter()
    lab = filters.gaussian(color.rgb2lab(picture) / 100, sigma=1, channel_axis=-1)
    clock.seconds["gradient"] = time.perf_counter() - start
    grid, strength, keys, first, second = clock(mexsets.boundary_grid, labels, lab)
    pair_strength, _ = clock(mexsets.boundary_sums, n_leaves, first, second, keys, grid,
                             strength)
    pair_length, rim_length = clock(mexsets.boundary_sums, n_leaves, first, second, keys,
                                    grid, np.ones(grid.shape))

    # 3. The merge tree; its nodes of 0.5% to 50% of the picture are the candidates.
    a, b = np.nonzero(pair_length)                 # each touching pair once, a < b
    merges, node_area, _ = clock(mexsets.merge_regions, a + 1, b + 1, pair_length[a, b],
                              pair_strength[a, b], leaf_area)
    in_range = (node_area >= 0.005 * h * w) & (node_area <= 0.5 * h * w)
    nodes = np.flatnonzero(in_range) + 1.0
    if nodes.size == 0:                   # a picture of one region: the root alone
        nodes = np.array([float(node_area.size)])
    n_cand = nodes.size

    # 4. Leaf sets, masks, areas and overlaps.
    leaves = clock(mexsets.tree_leaf_sets, merges, nodes[:, None])
    masks = clock(mexsets.tree_occurrence_masks, labels, merges, nodes[:, None])
    subsets = clock(mexsets.tree_leaf_matrix, merges, nodes[:, None])  # 1-based, 0 pads
    area, luma_sum = clock(mexsets.score_subsets, leaf_area, leaf_luma * leaf_area, subsets)
    brightness = luma_sum / area
    areas_agree = bool(np.array_equal(area, masks.sum(axis=(0, 1)))
                       and np.array_equal(area, node_area[nodes.astype(int) - 1]))
    node_rows = np.concatenate([leaf_area, np.zeros(node_area.size - n_leaves)])[:, None]
    shared = clock(mexsets.tree_overlap_matrix, [], merges - 1, node_rows)
    node_weight = shared + np.diag(node_area)

    # 5. Features.
    ids = subsets - 1                                          # 0-based, -1 pads
    shared_length = pair_length + pair_length.T
    shared_strength = pair_strength + pair_strength.T
    perimeter, _ = clock(mexsets.set_features, ids,
                         (shared_length.sum(axis=1) + rim_length)[:, None], 3, shared_length)
    contour, _ = clock(mexsets.set_features, ids, shared_strength.sum(axis=1)[:, None], 3,
                       shared_strength)
    uniformity, _ = clock(mexsets.set_features, ids, leaf_luma[:, None], 2)
    _, box = clock(mexsets.set_features, ids, leaf_box, 4)
    contrast = contour / perimeter                    # mean colour step along the outline
    irregularity = perimeter ** 2 / (4 * np.pi * area)

    # 6. Ranking, suppression, Pareto front.
    relevance = contrast / contrast.max() if contrast.max() > 0 else np.ones(n_cand)
    order, scores = clock(mexsets.rank_diverse, ids, relevance, np.diag(leaf_area), lambda_)
    ranked_nodes = nodes[order.astype(int) - 1]
    _, kept = clock(mexsets.suppress_overlaps, ranked_nodes[:, None] - 1, node_area,
                    node_weight, overlap)
    front = clock(mexsets.nondominated, np.column_stack([-contrast, irregularity]))
    kept_rank = kept.astype(int)               # ranked_nodes[kept_rank - 1] are kept
    best = order[kept_rank[:top] - 1].astype(int) - 1      # candidate rows, best first

    return dict(picture=picture, labels=labels, leaf_area=leaf_area, merges=merges,
                node_area=node_area, nodes=nodes, leaves=leaves, masks=masks,
                subsets=subsets, area=area, brightness=brightness,
                areas_agree=areas_agree, shared=shared, pair_length=pair_length,
                rim_length=rim_length, perimeter=perimeter, contrast=contrast,
                irregularity=irregularity, uniformity=uniformity, box=box, order=order,
                scores=scores, kept=kept, kept_rank=kept_rank, front=front, best=best,
                lambda_=lambda_, overlap=overlap, time=clock.seconds)


def digest(result):
    """What a batch brings back of one picture: every result that says which
    regions, candidates and proposals were found (the masks of the best
    ones only) and the times, apart."""
    keys = ("labels", "merges", "node_area", "nodes", "area", "contrast", "irregularity",
            "order", "scores", "kept", "front", "best")
    out = {key: result[key] for key in keys}
    out["best_masks"] = np.ascontiguousarray(result["masks"][:, :, result["best"]])
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
    """Writes montage(...) to PATH with matplotlib's Agg backend, pixel for pixel."""
    import matplotlib
    matplotlib.use("Agg")
    from matplotlib import image
    image.imsave(str(path), montage(picture, labels, masks))
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
    # Pixels of each object per region; a candidate is a union of regions.
    shared = np.zeros((n_leaves + 1, n_objects + 1))
    np.add.at(shared, (labels.ravel(), objects.ravel()), 1)
    shared[0] = 0
    rows = np.arange(result["nodes"].size) if candidates is None else np.asarray(candidates)
    inter = shared[result["subsets"][rows].astype(int)].sum(axis=1)[:, 1:]
    object_area = np.bincount(objects.ravel(), minlength=n_objects + 1)[1:]
    union = result["area"][rows][:, None] + object_area[None, :] - inter
    return (inter / union).max(axis=0) if rows.size else np.zeros(n_objects)


def process(picture, regions=300, lambda_=0.75, overlap=0.5, top=6):
    """propose() then digest(): the per-picture job of a batch, on a thread
    or on a Dask worker."""
    return digest(propose(picture, regions, lambda_, overlap, top))


def same_digests(one, other):
    """True when two digests (of the same picture) hold equal arrays."""
    return one.keys() == other.keys() and all(
        np.array_equal(one[key], other[key]) for key in one)
