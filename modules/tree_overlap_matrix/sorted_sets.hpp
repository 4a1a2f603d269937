// Union and intersection of two ascending vectors of unsigned 32-bit ids,
// with multiset rules: a value that occurs a times in `first` and b times in
// `second` occurs max(a, b) times in the union and min(a, b) times in the
// intersection. Where equal values meet, `first`'s value is written. Only the
// less-than comparison is used, so inputs that are not ascending are walked
// by the same step rule (at most |first| + |second| elements written by the
// union, at most min(|first|, |second|) by the intersection).
//
// `output` is resized to |first| + |second| before the walk and cut to the
// number of elements written after it; its previous contents are discarded.
// The inputs are only read. An `output` that is one of the inputs is allowed:
// the result is then built aside and moved in. Cost: one linear walk.
#pragma once

#include <vector>

namespace mexsets {

void vector_union(std::vector<unsigned int>& first, std::vector<unsigned int>& second,
                  std::vector<unsigned int>& output);

void vector_intersection(std::vector<unsigned int>& first, std::vector<unsigned int>& second,
                         std::vector<unsigned int>& output);

}  // namespace mexsets
