#include "sorted_sets.hpp"

#include <cstddef>
#include <utility>

namespace mexsets {

namespace {

using Ids = std::vector<unsigned int>;

void union_into(const Ids& a, const Ids& b, Ids& out) {
  out.resize(a.size() + b.size());
  std::size_t i = 0, j = 0, k = 0;
  while (i < a.size()) {
    if (j == b.size()) {
      while (i < a.size()) out[k++] = a[i++];
      break;
    }
    if (b[j] < a[i]) {
      out[k++] = b[j++];
    } else {
      out[k++] = a[i];
      if (!(a[i] < b[j])) ++j;
      ++i;
    }
  }
  while (j < b.size()) out[k++] = b[j++];
  out.resize(k);
}

void intersection_into(const Ids& a, const Ids& b, Ids& out) {
  out.resize(a.size() + b.size());
  std::size_t i = 0, j = 0, k = 0;
  while (i < a.size() && j < b.size()) {
    if (a[i] < b[j]) {
      ++i;
    } else {
      if (!(b[j] < a[i])) out[k++] = a[i++];
      ++j;
    }
  }
  out.resize(k);
}

// Writing into an input while walking it would corrupt the walk.
template <class Combine>
void combine(Ids& first, Ids& second, Ids& output, Combine combine_into) {
  if (&output == &first || &output == &second) {
    Ids result;
    combine_into(first, second, result);
    output = std::move(result);
  } else {
    combine_into(first, second, output);
  }
}

}  // namespace

void vector_union(Ids& first, Ids& second, Ids& output) {
  combine(first, second, output, union_into);
}

void vector_intersection(Ids& first, Ids& second, Ids& output) {
  combine(first, second, output, intersection_into);
}

}  // namespace mexsets
