"""
Overlap suppression at three thresholds
=======================================

``suppress_overlaps`` walks the candidates in order and keeps a candidate
only when its overlap ratio (shared area over its own, with W the vector
of superpixel areas) with every candidate already kept stays below the
threshold. A low threshold keeps a few disjoint regions, a high one keeps
nearly all.
"""
import matplotlib.pyplot as plt
import numpy as np
from skimage import data, filters, segmentation, transform

import mexsets

image = transform.rescale(data.rocket(), 0.5, channel_axis=2)
labels = segmentation.slic(image, n_segments=300, compactness=10, start_label=0)
graph = mexsets.region_graph(labels, filters.sobel(image.mean(axis=2)), weight="mean")
tree = mexsets.merge_regions(*graph[:5])
_, region = np.unique(labels, return_inverse=True)
region = region.reshape(labels.shape)
n_regions = len(graph.areas)

# %%
# Candidates: the nodes of 0.5% to 30% of the picture, largest first.
node_area = tree.areas                      # every node's, leaves first
nodes = np.flatnonzero((node_area >= 0.005 * labels.size) & (node_area <= 0.3 * labels.size))
nodes = nodes[np.argsort(-node_area[nodes], kind="stable")]
items = mexsets.tree_leaf_sets(tree.merges, [[node] for node in nodes])

# %%
# Three thresholds. ``kept`` holds the rows (0-based) of the candidates
# kept; the pictures count how many kept candidates cover each pixel.
fig, axes = plt.subplots(1, 3, figsize=(12, 3.2), layout="constrained")
for ax, threshold in zip(axes, (0.05, 0.3, 0.7)):
    result = mexsets.suppress_overlaps(items, graph.areas, graph.areas, threshold)
    masks = mexsets.tree_occurrence_masks(region, tree.merges,
                                          [[node] for node in nodes[result.kept]])
    cover = masks.sum(axis=2)
    shown = ax.imshow(cover, cmap="magma", vmin=0, vmax=8)
    ax.set_title(f"threshold {threshold}: {len(result.kept)} of {len(nodes)} kept", fontsize=10)
    ax.set_axis_off()
    print(f"threshold {threshold}: kept rows {result.kept[:6]}..., "
          f"at most {cover.max()} over a pixel")
fig.colorbar(shown, ax=axes, shrink=0.8, label="kept candidates over a pixel")
plt.show()
