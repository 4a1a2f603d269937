"""
A batch of pictures on a Dask cluster
=====================================

Every mexsets call releases the GIL, so one process can work on several
pictures at once, and Dask's ``distributed`` scheduler spreads a batch over
the workers of a cluster. Here a small ``LocalCluster`` of two workers in
this process (no network and no worker processes to start) segments six
photographs; on several machines, ``Client("tcp://HOST:8786")`` connects to
a ``dask scheduler`` instead, and the same code runs unchanged.
"""
import matplotlib.pyplot as plt
import numpy as np
from dask.distributed import Client, LocalCluster
from skimage import data, filters, segmentation, transform

import mexsets


def segment(image, count=6):
    """Superpixels, their merge tree and its cut into COUNT regions."""
    labels = segmentation.slic(image, n_segments=250, compactness=10, start_label=0)
    graph = mexsets.region_graph(labels, filters.sobel(image.mean(axis=2)), weight="mean")
    tree = mexsets.merge_regions(*graph[:5])
    _, region = np.unique(labels, return_inverse=True)
    return mexsets.tree_cut(tree.merges, tree.heights, count)[region].reshape(labels.shape)


names = ["astronaut", "coffee", "chelsea", "rocket", "immunohistochemistry", "retina"]
pictures = [transform.resize(getattr(data, name)(), (160, 200), anti_aliasing=True)
            for name in names]

# %%
# ``client.map`` sends one task a picture; ``client.gather`` returns the
# results in input order.
with LocalCluster(n_workers=2, threads_per_worker=1, processes=False,
                  dashboard_address=None) as cluster, Client(cluster) as client:
    futures = client.map(segment, pictures)
    cuts = client.gather(futures)

# The same results as a serial run: the computations are exact.
assert all(np.array_equal(cut, segment(picture)) for cut, picture in zip(cuts, pictures))

fig, axes = plt.subplots(2, 3, figsize=(11, 5.4))
for ax, name, picture, cut in zip(axes.flat, names, pictures, cuts):
    ax.imshow(segmentation.mark_boundaries(picture, cut, color=(1, 1, 0)))
    ax.set_title(name)
    ax.set_axis_off()
fig.tight_layout()
plt.show()
