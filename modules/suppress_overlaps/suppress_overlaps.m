%SUPPRESS_OVERLAPS Keep the rows whose overlap with every row kept before stays below a threshold.
%   ACCEPTED = SUPPRESS_OVERLAPS(ITEMS, WEIGHTS, W) walks the rows of the
%   M-by-N matrix ITEMS from first to last and keeps a row unless its overlap
%   ratio with some row kept before it reaches 1. Row i lists 0-based item
%   ids from its first column on, up to its first negative entry; 0 is item
%   0, ids are truncated toward zero and a repeated id counts each time. The
%   overlap ratio of a kept row's list P and the tested row's list Q is
%       S / (w(P) + w(Q) - S),  S = sum of W(a+1,b+1) over a in P and b in Q,
%   w(L) = sum of WEIGHTS(a+1) over a in L. A NaN ratio never reaches the
%   threshold; an infinite one reaches any threshold but NaN.
%
%   ACCEPTED = SUPPRESS_OVERLAPS(ITEMS, WEIGHTS, W, THRESHOLD) drops a row as
%   soon as a ratio is >= THRESHOLD (default 1, which with W = diag(WEIGHTS)
%   drops repeats of a kept item set).
%
%   ACCEPTED is K-by-N double: the kept rows in their order, every entry
%   truncated toward zero and raised by 1, so ids come back 1-based and an end
%   marker of -1 comes back as 0. A kept row is remembered as its entries
%   truncated to integers, so an entry between -1 and 0 ends a row's list
%   while the row is tested but is item 0 of it once the row is kept; the list
%   of a kept row ends at its first entry <= -1.
%
%   ITEMS, WEIGHTS and W must be real, full, two-dimensional double matrices;
%   THRESHOLD is any numeric scalar. Every entry up to a row's first entry
%   <= -1 must be an id below numel(WEIGHTS) and below both dimensions of W,
%   and not NaN (errors mexsets:suppress_overlaps:idOutOfRange and
%   :idNotANumber); every entry must fit a 32-bit integer once truncated
%   (mexsets:suppress_overlaps:entryNotInt32). Errors name the row and column.
%   Sums are accumulated in a fixed order, so results are reproducible bit for
%   bit.
%
%   Example:
%     kept = suppress_overlaps([0 1 -1; 1 0 -1; 2 -1 -1; 0 2 -1], [1; 1; 1], eye(3))
%     % kept = [1 2 0; 3 0 0; 1 3 0]: row 2 holds the items of row 1 again
%
%   See also RANK_DIVERSE, UNIQUE.
