"""The named tuples that native functions with several results return
(unpackable as plain tuples; the fields are named as in the help)."""
from __future__ import annotations

from typing import NamedTuple

import numpy as np


class SubsetSums(NamedTuple):
    """score_subsets: the sums of `a` and of `b` over each set."""
    sums_a: np.ndarray
    sums_b: np.ndarray


class Ranking(NamedTuple):
    """rank_diverse: the 0-based rows in the order picked, and their scores."""
    order: np.ndarray
    scores: np.ndarray


class Suppression(NamedTuple):
    """suppress_overlaps: the kept rows (0-based ids, padded with -1) and
    their 0-based row numbers."""
    accepted: np.ndarray
    kept: np.ndarray


class BoundarySums(NamedTuple):
    """boundary_sums: the sums per pair of ids, and per id on the border."""
    pair: np.ndarray
    border: np.ndarray


class Ratio(NamedTuple):
    """set_features(mode='ratio'): minimum / maximum, and the sum per set."""
    ratio: np.ndarray
    total: np.ndarray


class Perimeter(NamedTuple):
    """set_features(mode='perimeter'): the perimeter and the shared
    boundary per set."""
    perimeter: np.ndarray
    shared: np.ndarray


class BoundaryGrid(NamedTuple):
    """boundary_grid: the boundary grid, its strengths, its keys and the
    0-based region ids of each key."""
    grid: np.ndarray
    strength: np.ndarray
    keys: np.ndarray
    first: np.ndarray
    second: np.ndarray


class MergeTree(NamedTuple):
    """merge_regions: the merges, the area and the height of every node."""
    merges: np.ndarray
    areas: np.ndarray
    heights: np.ndarray


class RegionGraph(NamedTuple):
    """region_graph: the graph of adjacent regions (0-based ids)."""
    first: np.ndarray
    second: np.ndarray
    lengths: np.ndarray
    strengths: np.ndarray
    areas: np.ndarray
    border: np.ndarray


__all__ = ["BoundaryGrid", "BoundarySums", "MergeTree", "Perimeter", "Ranking", "Ratio",
           "RegionGraph", "SubsetSums", "Suppression"]
