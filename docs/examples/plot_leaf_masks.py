"""
Leaf sets and masks of tree nodes
=================================

Every node of a merge tree stands for the set of leaves (superpixels)
below it. ``tree_leaf_sets`` lists them, ``tree_occurrence_masks`` paints
where a set of nodes lies in the label image, and ``score_subsets`` sums the
superpixels' areas over each leaf set: the node areas that ``merge_regions``
also gives.
"""
import matplotlib.pyplot as plt
import numpy as np
from skimage import data, filters, segmentation, transform

import mexsets

image = transform.rescale(data.coffee(), 0.5, channel_axis=2)
labels = segmentation.slic(image, n_segments=300, compactness=10, start_label=0)
graph = mexsets.region_graph(labels, filters.sobel(image.mean(axis=2)), weight="mean")
tree = mexsets.merge_regions(*graph[:5])
_, region = np.unique(labels, return_inverse=True)
region = region.reshape(labels.shape)

# %%
# The largest parts below a fifth of the picture: the nodes of at most 20%
# of the pixels whose parent is larger (a partition of the superpixels),
# the six largest of them.
n_regions = len(graph.areas)
parent = np.full(2 * n_regions - 1, -1)
parent[tree.merges[:, :2]] = tree.merges[:, 2:]
share = tree.areas / labels.size
nodes = np.flatnonzero((share <= 0.2) & (share[parent] > 0.2))
nodes = nodes[np.argsort(-tree.areas[nodes], kind="stable")][:6]
leaves = mexsets.tree_leaf_sets(tree.merges, [[node] for node in nodes])
sums = mexsets.score_subsets(graph.areas, np.ones(n_regions), leaves)
for node, leaf_set, area, count in zip(nodes, leaves, sums.sums_a, sums.sums_b):
    assert area == tree.areas[node]    # merge_regions' node areas, the same bits
    print(f"node {node}: {int(count)} superpixels, {int(area)} pixels")

# %%
# Their masks: one (h, w) plane per set of nodes.
masks = mexsets.tree_occurrence_masks(region, tree.merges, [[node] for node in nodes])
fig, axes = plt.subplots(2, 3, figsize=(10, 5))
for ax, node, k in zip(axes.flat, nodes, range(len(nodes))):
    ax.imshow(image)
    ax.imshow(np.ma.masked_where(~masks[:, :, k], masks[:, :, k]), alpha=0.6,
              cmap="cool")
    ax.set_title(f"node {node}: {len(leaves[k])} leaves")
    ax.set_axis_off()
fig.tight_layout()
plt.show()
