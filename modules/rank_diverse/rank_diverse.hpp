// rank_diverse: orders M candidates greedily by relevance against redundancy.
//
// Inputs (column-major doubles):
//   items      M-by-N item-list matrix. Row c lists candidate c's zero-based
//              item ids from column 0 on, up to (not including) its first
//              negative entry, or all N entries. 0 is item 0; NaN does not end
//              a list. Ids are truncated toward zero (2.9 is item 2) and a
//              repeated id counts once per occurrence.
//   relevance  v(c) = relevance[c], c = 0..M-1.
//   pairs      W, rows-by-cols; W(a, b) is row a, column b. W(a, a) is the
//              weight of item a. Dense, compressed columns, or the vector w
//              of L item weights meaning diag(w) (WeightMatrix): the same
//              entries give the same bits in every form.
//   lambda     the trade-off (0.75 when a caller leaves it out).
// Outputs (M doubles each): order[k] = p_k + 1, the 1-based number of the
// candidate picked at step k; scores[k] = the score it was picked with.
//
// score(c) = v(c)*lambda - r(c)*(1 - lambda), both products formed first;
// r(c), the redundancy, starts at 0. Step k picks, among the candidates not
// picked yet, visited in ascending order, the first whose score is strictly
// greater than every earlier one and than the most negative finite double;
// then, for every candidate c still remaining, rho = overlap ratio with
// P = the picked list and Q = c's list (common/overlap_ratio.hpp, item
// weights from the diagonal of W) replaces r(c) when rho > r(c) (so NaN
// never does). A step in which no score qualifies (all NaN, -Inf or the most
// negative finite double, e.g. with a NaN lambda) picks the lowest-numbered
// remaining candidate and reports its own score, so order is always a
// permutation of 1..M.
//
// Exactness: every S, w(P), w(Q) is the sum in the defining order of
// overlap_ratio.hpp, whatever SumStrategy is used; the strategies only
// differ in speed (the tests compare them bit for bit with a plain
// transcription).
//
// Limits: relevance holds at least M values; ids (before each list's end)
// are not NaN and are below both dimensions of W. check_ranking_limits
// reports the first breach (a Failure naming "relevance", or the first bad
// id in row order as an entry of "items"). rank_diverse reads each id once
// more, into lists of its own, and reports a bad one there too: another
// thread writing to items in between can change the order, never what is
// addressed.
//
// A sparse or diagonal W always takes the postings (skip_zeros; plain when
// asked for), built from its stored entries: no K-by-K copy, no pass over
// K^2 entries. By the postings a step forms S only for the candidates that
// share a non-zero term with the pick (every other S is +0, whose ratio,
// +-0 or NaN, never raises a redundancy), forms the scores anew only where a
// redundancy rose, and finds the best score from the best of each block of
// 64 candidates, which is kept up to date where scores change: no step
// passes over every candidate.
//
// Cost: M(M-1)/2 overlap ratios, each |P|*|Q| terms of W in the plain loop.
// The fast strategies add only the non-zero terms (through postings: for
// each row a of W, the non-zero W(a, b) over every occurrence of b in the
// lists), or eight ratios' terms at a time over a row-major copy of W, or,
// for integral W, sums by columns. Memory: O(M*N) for the extracted lists
// plus the postings or the copy of W's K-by-K block (K = largest id + 1).
// The automatic choice takes the route of least estimated time whose
// working data (the postings, about 12 bytes per non-zero W(a, b) for every
// occurrence of b in the lists, or the copy, 8*(K+1)^2 bytes) stays within
// half the memory the machine reports available (half MEXSETS_MEMORY_LIMIT
// when that is set); past that bound the next fastest route is taken, and
// the plain loop, which holds nothing more, when none fits.
//
// Threads: each step's shared weights are formed on the threads of the call
// (common/parallel.hpp), each S whole on one thread, the candidates (or W's
// columns, for the column sums) split between them; the best score is the
// first greatest whatever the split. Steps too small to pay for the threads
// (about 30 microseconds of work per chunk) run on the calling thread alone;
// with a sparse or diagonal W most steps are. The passes over a dense W's
// columns (its non-zeros, the route estimate) split the columns. The bits
// are the same on any number.
#pragma once

#include <cstddef>

#include "common/overlap_ratio.hpp"
#include "mexsets/column_major.hpp"
#include "mexsets/compressed_columns.hpp"
#include "mexsets/failure.hpp"

namespace mexsets {

// Throws a Failure unless relevance_count >= M (tooFewValues) and every id
// is below both dimensions of W (idNotANumber, idOutOfRange: the first in
// row order).
void check_ranking_limits(ConstMatrix items, std::size_t relevance_count,
                          const WeightMatrix& pairs);

// Fills order and scores (M each); returns the strategy used. `ratios`, when
// given, receives the number of overlap ratios computed.
SumStrategy rank_diverse(ConstMatrix items, const double* relevance, const WeightMatrix& pairs,
                         double lambda, double* order, double* scores,
                         SumStrategy strategy = SumStrategy::automatic,
                         std::size_t* ratios = nullptr);

}  // namespace mexsets
