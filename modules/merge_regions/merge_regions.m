%MERGE_REGIONS Build a merge tree by joining the weakest boundaries first.
%   [MERGES, AREAS, HEIGHTS] = MERGE_REGIONS(FIRST, SECOND, LENGTHS,
%   STRENGTHS, REGION_AREAS) builds the merge tree of L =
%   numel(REGION_AREAS) regions by joining, L-1 times, the two current nodes
%   whose common boundary is weakest on average (strength sum over length
%   sum). Listing k says that regions FIRST(k) and SECOND(k) touch along a
%   boundary of length LENGTHS(k) and strength sum STRENGTHS(k);
%   REGION_AREAS(n) is the area of region n.
%   [MERGES, AREAS, HEIGHTS] = MERGE_REGIONS(FIRST, SECOND, LENGTHS,
%   STRENGTHS, REGION_AREAS, BASE) numbers the nodes of MERGES from BASE, 0
%   or 1 (default 1).
%
%   FIRST, SECOND, LENGTHS and STRENGTHS hold E elements each, read in
%   column order whatever their shapes (a boundary_sums pair matrix gives
%   them as [FIRST, SECOND, LENGTHS] = find(P)). Region ids are 1-based and
%   truncated toward zero after subtracting 1 (0.5 names region 1), in either
%   order; every length is positive. A pair listed more than once is one
%   boundary, its lengths and strengths added in listing order.
%
%   MERGES is (L-1)-by-3: row r is [C1 C2 L+r], the two nodes joined by
%   merge r (C1 < C2) and the new node. Leaves are nodes 1..L, merge r makes
%   node L+r, so MERGES(1, end) - 1 is L: the form that TREE_LEAF_SETS and
%   TREE_OCCURRENCE_MASKS read. With BASE 0 every id is one less: the form
%   that TREE_OVERLAP_MATRIX reads (no end marker is needed, and AREAS serves
%   as its NODE_ROWS). AREAS, (2L-1)-by-1, is the area of every node, leaves
%   first; a merge node's is the sum of its children's. HEIGHTS,
%   (L-1)-by-1, is the height of every merge: the average of the boundary
%   that merge r joined along, the quotient it won with, or NaN when it
%   joined two nodes that touch nothing (below). With L = 1 MERGES is 0-by-3
%   and HEIGHTS 0-by-1. TREE_CUT cuts the tree at a height.
%
%   The new node touches every neighbour of its children: a neighbour
%   touching both gets the two boundaries' length and strength sums added,
%   and the boundary between the children disappears. Averages are compared
%   exactly as the double quotients STRENGTH/LENGTH (NaN after every number).
%   Equal averages go by the boundary's number: leaf boundaries are numbered
%   in ascending order of (lower id, higher id); a boundary summed by a merge
%   is numbered after all earlier ones, in ascending order of the
%   neighbour's id; a boundary that passes unchanged to the new node keeps
%   its number; the smallest number wins. When no boundary is left (parts
%   that touch nothing else), each merge joins the two current nodes of
%   smallest area, the smaller id among equal areas (NaN last).
%
%   Heights never decrease in exact arithmetic: a summed boundary's average
%   is a mean of the two averages it sums, weighted by their lengths, so it
%   is at least the smaller, and every boundary left is at least as strong
%   as the one just taken. HEIGHTS then holds numbers in ascending order
%   followed by NaNs (a NaN average comes after every number, its sums stay
%   NaN, and the joins of nodes that touch nothing are NaN). Rounding a
%   quotient keeps order, so when every sum is exact (whole lengths and
%   strengths below 2^53, say) the computed HEIGHTS never decrease either.
%   They can decrease only where a length or strength sum is rounded: by a
%   few units in the last place, or by any amount when a sum overflows (a
%   length sum of Inf makes the average 0 or NaN, a strength sum of
%   negative numbers -Inf). All inputs
%   are real, full, two-dimensional double matrices. A message about an
%   entry names its input, row, column and value.
%
%   MERGES, AREAS and HEIGHTS take 48*L - 40 bytes.
%@include memory
%
%@include errors
%     nargin                 not five or six inputs
%     nargout                more than three outputs
%@include input_errors an input before BASE
%     badScalar              BASE is empty or not numeric (a cell, say)
%     badBase                BASE is neither 0 nor 1
%     noRegions              REGION_AREAS is empty
%     tooManyRegions         REGION_AREAS holds more than 2^31 elements
%     tooManyPairs           FIRST holds 2^31 elements or more
%     sizeMismatch           numel(SECOND, LENGTHS or STRENGTHS) ~= numel(FIRST)
%     idOutOfRange           an id outside 1..L (Inf too)
%     idNotANumber           an id is NaN
%     selfPair               FIRST(k) and SECOND(k) name the same region
%     badLength              a length is not positive (or NaN)
%     outputTooLarge         MERGES, AREAS and HEIGHTS exceed the memory
%     outOfMemory            no memory left for the boundaries
%
%   Example:
%     [m, a, h] = merge_regions([1 2 3 1], [2 3 4 3], [2 1 2 1], ...
%                               [1 3 2 2], [4 3 5 2 1]);
%     % m = [1 2 6; 3 4 7; 6 7 8; 5 8 9]
%     % a = [4; 3; 5; 2; 1; 7; 7; 14; 15]
%     % h = [0.5; 1; 2.5; NaN]
%     % (boundary 1-2 averages 0.5, 3-4 1, and node 6 meets 3 along
%     % (3 + 2)/(1 + 1) = 2.5, as it meets 7; region 5 touches nothing)
%     m0 = merge_regions([1 2 3 1], [2 3 4 3], [2 1 2 1], [1 3 2 2], ...
%                        [4 3 5 2 1], 0);
%     % m0 = [0 1 5; 2 3 6; 5 6 7; 4 7 8]
%
%   See also BOUNDARY_SUMS, TREE_CUT, TREE_LEAF_SETS, TREE_OCCURRENCE_MASKS,
%   TREE_OVERLAP_MATRIX.

%!demo
%! % Four regions in a row and one apart: 1-2 is the weakest boundary, then
%! % 3-4; region 5 touches nothing and joins last.
%! [merges, areas, heights] = merge_regions ([1 2 3 1], [2 3 4 3], ...
%!                                           [2 1 2 1], [1 3 2 2], [4 3 5 2 1])

%!test
%! [m, a, h] = merge_regions ([1 2 3 1], [2 3 4 3], [2 1 2 1], [1 3 2 2], ...
%!                            [4 3 5 2 1]);
%! assert (m, [1 2 6; 3 4 7; 6 7 8; 5 8 9]);
%! assert (a, [4; 3; 5; 2; 1; 7; 7; 14; 15]);
%! assert (h, [0.5; 1; 2.5; NaN]);
%! assert (merge_regions ([1 2 3 1], [2 3 4 3], [2 1 2 1], [1 3 2 2], ...
%!                        [4 3 5 2 1], 0), m - 1);
%!test
%! % A chain of 8 regions: each merge takes the weakest boundary left.
%! [m, a, h] = merge_regions (1:7, 2:8, ones (1, 7), [5 1 7 2 6 3 4], ...
%!                            ones (1, 8));
%! assert (m(:, 1:2), [2 3; 4 5; 6 7; 8 11; 1 9; 10 12; 13 14]);
%! assert (a(end), 8);
%! assert (h, (1:7)');
%!error id=mexsets:merge_regions:selfPair merge_regions (1, 1, 1, 1, [1 1])
%!error id=mexsets:merge_regions:idOutOfRange merge_regions (1, 3, 1, 1, [1 1])
%!error id=mexsets:merge_regions:badLength merge_regions (1, 2, 0, 1, [1 1])
