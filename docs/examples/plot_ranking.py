"""
Ranking for diversity
=====================

The nodes of a merge tree make object candidates, but the most relevant
ones are often nested: a region, the same region with a sliver more, and
so on. ``rank_diverse`` orders the candidates greedily by relevance minus
``lambda_`` times their redundancy (the share of their area already
covered by the candidates taken before), so the first few cover different
parts of the picture. Here a candidate's relevance is its *contrast*, the
mean edge strength along its outline.
"""
import matplotlib.pyplot as plt
import numpy as np
import scipy.sparse
from skimage import data, filters, segmentation, transform

import mexsets

image = transform.rescale(data.coffee(), 0.5, channel_axis=2)
labels = segmentation.slic(image, n_segments=300, compactness=10, start_label=0)
graph = mexsets.region_graph(labels, filters.sobel(image.mean(axis=2)), weight="mean")
tree = mexsets.merge_regions(*graph[:5])
_, region = np.unique(labels, return_inverse=True)
region = region.reshape(labels.shape)
n_regions = len(graph.areas)

# %%
# Candidates: the nodes of 1% to 50% of the picture, as sets of superpixels.
share = tree.areas / labels.size
nodes = np.flatnonzero((share >= 0.01) & (share <= 0.5))
items = mexsets.tree_leaf_sets(tree.merges, [[node] for node in nodes])
print(f"{len(nodes)} candidates")

# %%
# Contrast: the edge strength summed along a set's outline over the
# outline's length. A set's outline is its superpixels' outlines less twice
# what they share (``set_features``, mode ``'perimeter'``, W the symmetric
# sparse matrix of what each two superpixels share).
def outline(per_pair, per_rim):
    shared = scipy.sparse.coo_matrix((per_pair, (graph.first, graph.second)),
                                     shape=(n_regions, n_regions)).tocsc()
    shared = shared + shared.T
    own = per_rim + np.asarray(shared.sum(axis=1)).ravel()
    return mexsets.set_features(items, own, "perimeter", w=shared).perimeter


relevance = outline(graph.strengths, np.zeros(n_regions)) / outline(graph.lengths, graph.border)

# %%
# The plain relevance order against ``rank_diverse``'s, the weight of a
# superpixel being its area (W a vector: the diagonal of the weights).
plain = np.argsort(-relevance, kind="stable")
ranking = mexsets.rank_diverse(items, relevance, graph.areas, lambda_=0.75)
masks = mexsets.tree_occurrence_masks(region, tree.merges, [[node] for node in nodes])

fig, axes = plt.subplots(2, 4, figsize=(12, 4.6))
for row, (name, order) in enumerate((("relevance", plain), ("rank_diverse", ranking.order))):
    for place, ax in enumerate(axes[row]):
        k = order[place]
        ax.imshow(segmentation.mark_boundaries(image, masks[:, :, k].astype(int),
                                               color=(1, 1, 0), mode="thick"))
        ax.set_title(f"{name} #{place + 1}: node {nodes[k]}", fontsize=9)
        ax.set_axis_off()
fig.tight_layout()
plt.show()

# %%
# How much of the picture the first four cover more than once.
for name, order in (("relevance", plain), ("rank_diverse", ranking.order)):
    cover = masks[:, :, order[:4]].sum(axis=2)
    print(f"{name:12s}: first four {list(nodes[order[:4]])}, "
          f"{np.mean(cover > 1):.1%} of the picture covered twice or more")
