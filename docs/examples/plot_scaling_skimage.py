"""
Scaling against scikit-image's region graph
===========================================

``region_graph`` against scikit-image's ``rag_boundary`` on the same SLIC
labels and Sobel edge map, at four sizes of the same photograph (about 160
pixels a region, as in ``bash tools/bench.sh --skimage``). The two graphs
weigh slightly different things (``rag_boundary``: boundary pixels of
8-neighbours; ``region_graph``: cracks between 4-neighbours), but both list
the touching pairs with a boundary length and strength. Times are the best
of three calls on this machine while the gallery was built, so they are
only indicative: the :doc:`../benchmarks` page has the measured tables.
"""
import time

import matplotlib.pyplot as plt
import numpy as np
from skimage import data, filters, segmentation, transform

try:
    from skimage.graph import rag_boundary          # scikit-image >= 0.20
except ImportError:
    from skimage.future.graph import rag_boundary   # 0.19

import mexsets


def best_of(repeat, call, *args, **kwargs):
    best = np.inf
    for _ in range(repeat):
        start = time.perf_counter()
        call(*args, **kwargs)
        best = min(best, time.perf_counter() - start)
    return best


photo = data.astronaut()
rows = []
for side in (128, 224, 400, 560):
    image = transform.resize(photo, (side, side), anti_aliasing=True)
    labels = segmentation.slic(image, n_segments=side * side // 160, compactness=10,
                               start_label=0)
    edges = filters.sobel(image.mean(axis=2))
    n_regions = len(np.unique(labels))
    ours = best_of(3, mexsets.region_graph, labels, edges, weight="mean")
    theirs = best_of(3, rag_boundary, labels, edges)
    rows.append((n_regions, ours, theirs))
    print(f"{n_regions:5d} regions: region_graph {ours * 1e3:7.2f} ms, "
          f"rag_boundary {theirs * 1e3:7.2f} ms ({theirs / ours:.0f}x)")

# %%
# Time against the number of regions, log-log: a slope of 1 is linear
# growth.
regions, ours, theirs = map(np.array, zip(*rows))
slope = lambda t: np.polyfit(np.log(regions), np.log(t), 1)[0]
fig, ax = plt.subplots(figsize=(5.5, 4))
ax.loglog(regions, ours, "o-", label=f"mexsets.region_graph (slope {slope(ours):.2f})")
ax.loglog(regions, theirs, "s-", label=f"skimage rag_boundary (slope {slope(theirs):.2f})")
ax.set_xlabel("regions")
ax.set_ylabel("seconds (best of 3)")
ax.legend(fontsize=8)
ax.grid(True, which="both", alpha=0.3)
fig.tight_layout()
plt.show()
