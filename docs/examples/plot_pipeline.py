"""
From superpixels to a merge tree
================================

SLIC cuts the photograph into a few hundred superpixels. ``region_graph``
lists every two touching superpixels with the length of their common
boundary and the sum of an edge map along it, ``merge_regions`` joins the
weakest boundary (on average) first into a merge tree, and ``tree_cut``
cuts that tree into any number of regions, here 64, 16 and 4.
"""
import matplotlib.pyplot as plt
import numpy as np
from skimage import data, filters, segmentation, transform

import mexsets

image = transform.rescale(data.astronaut(), 0.5, channel_axis=2)
labels = segmentation.slic(image, n_segments=400, compactness=10, start_label=0)
edges = filters.sobel(image.mean(axis=2))

# %%
# The region graph and the merge tree. Regions are numbered 0..L-1 in
# ascending label value; merge r joins ``merges[r, 0]`` and ``merges[r, 1]``
# into node ``L + r``.
graph = mexsets.region_graph(labels, edges, weight="mean")
tree = mexsets.merge_regions(*graph[:5])
n_regions = len(graph.areas)
print(f"{n_regions} superpixels, {len(graph.first)} touching pairs")
print("first merges:\n", tree.merges[:3])

# %%
# Cuts at three counts. ``tree_cut`` labels every leaf; one indexing step
# through ``np.unique``'s inverse labels the pixels.
_, region = np.unique(labels, return_inverse=True)
region = region.reshape(labels.shape)
fig, axes = plt.subplots(1, 4, figsize=(12, 3.4))
axes[0].imshow(segmentation.mark_boundaries(image, labels))
axes[0].set_title(f"{n_regions} superpixels")
for ax, count in zip(axes[1:], (64, 16, 4)):
    cut = mexsets.tree_cut(tree.merges, tree.heights, count)
    segments = cut[region]
    ax.imshow(segmentation.mark_boundaries(image, segments, color=(1, 0.2, 0)))
    ax.set_title(f"tree_cut: {count} regions")
for ax in axes:
    ax.set_axis_off()
fig.tight_layout()
plt.show()
