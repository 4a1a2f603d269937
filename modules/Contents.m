% mexsets: set and merge-tree bookkeeping on matrices of item and node ids.
% Version 1.0.0
%
% Subsets and item lists
%   score_subsets         - Sum two per-item value rows over each subset.
%   rank_diverse          - Rank candidates by relevance against redundancy.
%   suppress_overlaps     - Drop the rows that overlap a kept row too much.
%   set_features          - Aggregate per set: minimum, ratio, perimeter, box.
%
% Merge trees
%   tree_overlap_matrix   - Sum the leaf weight shared by each pair of nodes.
%   tree_leaf_sets        - List the sorted leaves below each node set.
%   tree_occurrence_masks - Mark where each node set occurs in a label matrix.
%   tree_leaf_matrix      - List the leaves below each node set as a padded id matrix.
%   merge_regions         - Build a merge tree by joining the weakest boundaries first.
%   region_graph          - Boundary graph of a label image as lists, for MERGE_REGIONS.
%   tree_cut              - Label the leaves of a merge tree by the regions of a cut.
%
% Grids and fronts
%   boundary_sums         - Sum a grid's mixed-parity cell weights per label.
%   boundary_grid         - Contour grid of a label image, ready for BOUNDARY_SUMS.
%   nondominated          - Mark the non-dominated rows (Pareto front).
%
% Demonstrations
%   mexsets_demo          - Find objects in a generated picture with mexsets.
