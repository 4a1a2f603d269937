% mexsets: set and merge-tree bookkeeping on matrices of item and node ids.
% Version 1.0.0
%
% Subsets and item lists
%   score_subsets         - Sum two per-item value rows over every row of a subset matrix.
%   rank_diverse          - Greedy ranking by relevance against redundancy.
%   suppress_overlaps     - Keep the rows whose overlap with every earlier kept row stays below a threshold.
%   set_features          - Per-set minimum, min/max ratio and sum, perimeter, or box.
%
% Merge trees
%   tree_overlap_matrix   - Pairwise shared leaf weight of the nodes of a merge tree.
%   tree_leaf_sets        - Sorted leaf lists of requested node sets.
%   tree_occurrence_masks - Where the nodes of each node set occur in a label matrix.
%
% Grids and fronts
%   boundary_sums         - Per-label sums over a contour grid's mixed-parity cells.
%   nondominated          - Mark the non-dominated rows (Pareto front) of a matrix.
