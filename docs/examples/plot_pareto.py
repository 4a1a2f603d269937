"""
A Pareto front of two features
==============================

Two features of every candidate, computed with ``set_features`` over its
superpixels: its *contrast* (the mean edge strength along its outline) and
its *irregularity* (perimeter squared over area). ``nondominated`` marks
the candidates no other beats in both (higher contrast, lower
irregularity): the Pareto front, from which the chosen candidates are
drawn.
"""
import matplotlib.pyplot as plt
import numpy as np
import scipy.sparse
from skimage import data, filters, segmentation, transform

import mexsets

image = transform.rescale(data.astronaut(), 0.5, channel_axis=2)
labels = segmentation.slic(image, n_segments=300, compactness=10, start_label=0)
graph = mexsets.region_graph(labels, filters.sobel(image.mean(axis=2)), weight="mean")
tree = mexsets.merge_regions(*graph[:5])
_, region = np.unique(labels, return_inverse=True)
region = region.reshape(labels.shape)
n_regions = len(graph.areas)

node_area = tree.areas                      # every node's, leaves first
nodes = np.flatnonzero((node_area >= 0.005 * labels.size) & (node_area <= 0.5 * labels.size))
items = mexsets.tree_leaf_sets(tree.merges, [[node] for node in nodes])

# %%
# A set's outline is the sum of its superpixels' outlines less twice what
# they share: mode ``'perimeter'`` with W the (symmetric, sparse) matrix of
# shared lengths, once for the lengths and once for the edge strengths.
def outline(per_pair, per_rim):
    shared = scipy.sparse.coo_matrix((per_pair, (graph.first, graph.second)),
                                     shape=(n_regions, n_regions)).tocsc()
    shared = shared + shared.T
    own = per_rim + np.asarray(shared.sum(axis=1)).ravel()
    return mexsets.set_features(items, own, "perimeter", w=shared).perimeter


length = outline(graph.lengths, graph.border)
strength = outline(graph.strengths, np.zeros(n_regions))
contrast = strength / length
irregularity = length ** 2 / node_area[nodes]

# %%
# ``nondominated`` treats smaller as better in every column.
front = mexsets.nondominated(np.column_stack([-contrast, irregularity]))
chosen = np.flatnonzero(front)
chosen = chosen[np.argsort(-contrast[chosen])][:4]
print(f"{front.sum()} of {len(nodes)} candidates on the front")

fig = plt.figure(figsize=(12, 4.6))
ax = fig.add_subplot(1, 3, 1)
ax.scatter(irregularity, contrast, s=10, c="0.6", label="candidates")
ax.scatter(irregularity[front], contrast[front], s=18, c="C3", label="front")
ax.scatter(irregularity[chosen], contrast[chosen], s=80, facecolors="none",
           edgecolors="k", label="chosen")
ax.set_xscale("log")
ax.set_xlabel("irregularity (perimeter² / area)")
ax.set_ylabel("contrast (mean edge strength)")
ax.legend(fontsize=8)
masks = mexsets.tree_occurrence_masks(region, tree.merges, [[nodes[k]] for k in chosen])
for place in range(2):
    ax = fig.add_subplot(1, 3, place + 2)
    shown = segmentation.mark_boundaries(image, masks[:, :, 2 * place].astype(int),
                                         color=(1, 1, 0), mode="thick")
    shown = segmentation.mark_boundaries(shown, masks[:, :, 2 * place + 1].astype(int),
                                         color=(0, 1, 1), mode="thick")
    ax.imshow(shown)
    ax.set_title(f"chosen {2 * place + 1} (yellow), {2 * place + 2} (cyan)")
    ax.set_axis_off()
fig.tight_layout()
plt.show()
