"""
Boxes, areas and brightness of sets
===================================

``set_features`` with mode ``'box'`` gives the bounding box of each set of
superpixels from the superpixels' own boxes, and ``score_subsets`` sums two
per-superpixel values over each set at once: here area and total
brightness, whose ratio is each set's mean brightness. The sets are the
regions of a cut of the merge tree.
"""
import matplotlib.pyplot as plt
import numpy as np
from matplotlib.patches import Rectangle
from skimage import data, filters, measure, segmentation

import mexsets

image = data.coins()
labels = segmentation.slic(image, n_segments=400, compactness=0.1, start_label=0,
                           channel_axis=None)
graph = mexsets.region_graph(labels, filters.sobel(image), weight="mean")
tree = mexsets.merge_regions(*graph[:5])
n_regions = len(graph.areas)

# %%
# Per superpixel: its box (min row, min column, max row, max column) and
# its brightness summed over its pixels.
props = measure.regionprops(labels + 1, intensity_image=image)
boxes = np.array([[p.bbox[0], p.bbox[1], p.bbox[2] - 1, p.bbox[3] - 1] for p in props],
                 dtype=float)
brightness = np.array([p.intensity_image[p.image].sum() for p in props], dtype=float)

# %%
# The sets: the 40 regions of the tree's cut, each a list of superpixels.
cut = mexsets.tree_cut(tree.merges, tree.heights, 40)
sets = [np.flatnonzero(cut == k) for k in range(cut.max() + 1)]
box = mexsets.set_features(sets, boxes, "box")
sums = mexsets.score_subsets(graph.areas, brightness, sets)
mean = sums.sums_b / sums.sums_a
bright = mean > filters.threshold_otsu(image)
print(f"{bright.sum()} bright regions of {len(sets)}")

fig, ax = plt.subplots(figsize=(6.5, 5))
ax.imshow(image, cmap="gray")
for (top, left, bottom, right), value, is_bright in zip(box, mean, bright):
    if is_bright:
        ax.add_patch(Rectangle((left - 0.5, top - 0.5), right - left + 1, bottom - top + 1,
                               fill=False, edgecolor="yellow", linewidth=1.2))
        ax.text(left, top - 2, f"{value:.0f}", color="yellow", fontsize=7)
ax.set_title("bright regions of a 40-region cut, with their mean brightness")
ax.set_axis_off()
fig.tight_layout()
plt.show()
