// W = tree_overlap_matrix(unused, merges, node_rows): the argument rules that
// every host follows.
#pragma once

#include <string>

#include "mexsets/contract.hpp"
#include "mexsets/result_size.hpp"
#include "tree_overlap_matrix.hpp"

namespace mexsets {

struct TreeOverlapMatrixContract : ContractDefaults {
  enum { IN_UNUSED, IN_MERGES, IN_NODE_ROWS };
  enum { OUT_OVERLAPS };
  static constexpr const char* name = "tree_overlap_matrix";
  static constexpr Argument inputs[] = {matrix_argument("unused"), matrix_argument("merges"),
                                        matrix_argument("node_rows")};
  // Inputs after the third are ignored.
  static constexpr std::size_t min_inputs = 3, max_inputs = any_number_of_inputs;
  static constexpr int outputs = 1;
  static constexpr const char* nargin_message = "There should be at least 3 input parameters";

  // The first input only has to be a two-dimensional double array: it is
  // never read, so the MEX host accepts a sparse or complex one. The result
  // (8*R^2 bytes) is checked against the memory the machine can give, then
  // created while only the merge matrix's ids, in the host's scratch
  // memory, are held: a host that ends the call on a failed allocation then
  // leaks nothing. Once created it belongs to the host, which releases it if
  // building the lists fails.
  template <class Call>
  static void run(Call& call) {
    call.unread(IN_UNUSED);
    const ConstMatrix merges = call.matrix(IN_MERGES);
    const ConstMatrix node_rows = call.matrix(IN_NODE_ROWS);
    const MergeRows rows = check_merge_matrix(merges, node_rows.rows, call.scratch());
    check_leaf_weights(rows, node_rows.rows, node_rows.cols);
    const std::size_t r = node_rows.rows;
    require_result_fits(
        saturating_product(saturating_product(r, r), sizeof(double)), call.result_copies(),
        [&] { return "the " + std::to_string(r) + "-by-" + std::to_string(r) + " overlap matrix"; },
        "pass a tree with fewer nodes (rows of node_rows)", named_arg("node_rows"));
    double* overlaps = call.matrix_output(OUT_OVERLAPS, node_rows.rows, node_rows.rows);
    const LeafLists lists(rows, node_rows.rows);
    fill_overlap_matrix(lists, node_rows.cols ? node_rows.data : nullptr, overlaps);
  }
};

}  // namespace mexsets
