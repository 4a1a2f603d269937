// Every function, every argument, every class and awkward shape: starting from
// a valid call, one argument at a time is replaced by a variant (another class,
// complex, sparse, empty, 3-D, NaN, +-Inf, -0, huge or negative values), and
// the counts of inputs and outputs are varied. Each call must either succeed
// or end with an error whose identifier is the function's own; nothing may
// crash, write past the output slots or leave arrays behind (the sanitizer
// build checks reads, writes and leaks).
//
// Every function of this build (MEXSETS_BUILT_LIST) needs its examples
// (modules/<name>/<name>_examples.txt); the first is the valid call varied
// here, and every example must give its expected outputs.
//
// With MEXSETS_CLASS_TABLE=<file> the outcome of every combination is written
// there as a table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "examples.hpp"
#include "host.hpp"

namespace {

using standin::Array;
using standin::matrix;

struct ValidCall {
  std::string name;
  int nlhs;  // the most outputs the call gives
  std::vector<testing_support::Example> examples;
  // The inputs of the valid call, the first example, as new arrays.
  std::vector<Array> args() const {
    std::vector<Array> out;
    for (const auto& value : examples[0].inputs) out.push_back(testing_support::to_host(value));
    return out;
  }
};

// The names of a function list: the lines that are a name alone.
std::vector<std::string> list_names(const std::string& path) {
  std::ifstream in(path);
  EXPECT_TRUE(in) << "cannot read " << path;
  const std::regex name("[a-z_]+");
  std::vector<std::string> names;
  for (std::string line; std::getline(in, line);)
    if (std::regex_match(line, name)) names.push_back(line);
  return names;
}

// The examples of the functions built here, in the list's order; a built
// function without a table (modules/<name>/<name>_examples.txt) fails the
// test.
std::vector<ValidCall> built_calls() {
  const std::string list = MEXSETS_FUNCTION_LIST;
  const std::string modules = list.substr(0, list.rfind('/'));
  const auto built = list_names(MEXSETS_BUILT_LIST);
  EXPECT_FALSE(built.empty()) << MEXSETS_BUILT_LIST << " names no function";
  std::vector<ValidCall> out;
  for (const std::string& name : built) {
    try {
      auto examples = testing_support::read_examples(modules, name);
      out.push_back({name, examples[0].nargout, examples});
    } catch (const std::runtime_error& error) {
      ADD_FAILURE() << error.what();
    }
  }
  return out;
}

// Copies of a double array's shape and values in another form.
struct Variant {
  std::string label;
  std::function<Array(const mxArray*)> make;
};

Array with_class(const mxArray* like, mxClassID id) {
  const mwSize* dims = mxGetDimensions(like);
  std::vector<mwSize> shape(dims, dims + mxGetNumberOfDimensions(like));
  Array out = standin::numeric(id, shape);
  void* data = mxGetData(out.get());
  const double* values = mxGetPr(like);
  const std::size_t n = mxGetNumberOfElements(like);
  for (std::size_t k = 0; k < n && data; ++k) {
    const double v = values[k];
    switch (id) {
      case mxLOGICAL_CLASS:
        static_cast<mxLogical*>(data)[k] = v != 0;
        break;
      case mxSINGLE_CLASS:
        static_cast<float*>(data)[k] = static_cast<float>(v);
        break;
      case mxCHAR_CLASS:
        static_cast<mxChar*>(data)[k] = static_cast<mxChar>(v > 0 ? v : 0);
        break;
      case mxINT8_CLASS:
        static_cast<signed char*>(data)[k] = static_cast<signed char>(v);
        break;
      case mxUINT8_CLASS:
        static_cast<unsigned char*>(data)[k] = static_cast<unsigned char>(v > 0 ? v : 0);
        break;
      case mxINT16_CLASS:
        static_cast<short*>(data)[k] = static_cast<short>(v);
        break;
      case mxUINT16_CLASS:
        static_cast<unsigned short*>(data)[k] = static_cast<unsigned short>(v > 0 ? v : 0);
        break;
      case mxINT32_CLASS:
        static_cast<int*>(data)[k] = static_cast<int>(v);
        break;
      case mxUINT32_CLASS:
        static_cast<unsigned*>(data)[k] = static_cast<unsigned>(v > 0 ? v : 0);
        break;
      case mxINT64_CLASS:
        static_cast<long long*>(data)[k] = static_cast<long long>(v);
        break;
      case mxUINT64_CLASS:
        static_cast<unsigned long long*>(data)[k] = static_cast<unsigned long long>(v > 0 ? v : 0);
        break;
      default:
        break;
    }
  }
  return out;
}

Array filled(const mxArray* like, double value) {
  const std::size_t m = mxGetM(like), n = mxGetN(like);
  return standin::doubles(m, n, std::vector<double>(m * n, value));
}

std::vector<Variant> variants() {
  std::vector<Variant> list;
  const std::pair<const char*, mxClassID> classes[] = {
      {"logical", mxLOGICAL_CLASS}, {"single", mxSINGLE_CLASS}, {"char", mxCHAR_CLASS},
      {"int8", mxINT8_CLASS},       {"uint8", mxUINT8_CLASS},   {"int16", mxINT16_CLASS},
      {"uint16", mxUINT16_CLASS},   {"int32", mxINT32_CLASS},   {"uint32", mxUINT32_CLASS},
      {"int64", mxINT64_CLASS},     {"uint64", mxUINT64_CLASS}, {"cell", mxCELL_CLASS},
      {"struct", mxSTRUCT_CLASS}};
  for (const auto& [label, id] : classes)
    list.push_back({label, [id = id](const mxArray* like) { return with_class(like, id); }});
  list.push_back({"complex", [](const mxArray* like) {
                    const std::size_t m = mxGetM(like), n = mxGetN(like);
                    Array out(mxCreateDoubleMatrix(m, n, mxCOMPLEX));
                    for (std::size_t k = 0; k < m * n; ++k)
                      mxGetPr(out.get())[k] = mxGetPr(like)[k];
                    return out;
                  }});
  list.push_back({"sparse", [](const mxArray* like) {
                    return Array(mxCreateSparse(mxGetM(like), mxGetN(like), 1, mxREAL));
                  }});
  list.push_back({"empty 0x0", [](const mxArray*) { return standin::empty(0, 0); }});
  list.push_back({"empty 0x3", [](const mxArray*) { return standin::empty(0, 3); }});
  list.push_back({"empty 3x0", [](const mxArray*) { return standin::empty(3, 0); }});
  list.push_back({"3-D 2x2x2", [](const mxArray*) {
                    Array out = standin::numeric(mxDOUBLE_CLASS, {2, 2, 2});
                    for (int k = 0; k < 8; ++k) mxGetPr(out.get())[k] = 1 + k % 2;
                    return out;
                  }});
  list.push_back({"4-D 1x2x1x2", [](const mxArray*) {
                    return standin::numeric(mxDOUBLE_CLASS, {1, 2, 1, 2});
                  }});
  list.push_back({"row", [](const mxArray* like) {
                    const std::size_t n = mxGetNumberOfElements(like);
                    return standin::doubles(1, n,
                                            std::vector<double>(mxGetPr(like), mxGetPr(like) + n));
                  }});
  list.push_back({"column", [](const mxArray* like) {
                    const std::size_t n = mxGetNumberOfElements(like);
                    return standin::doubles(n, 1,
                                            std::vector<double>(mxGetPr(like), mxGetPr(like) + n));
                  }});
  const std::pair<const char*, double> values[] = {{"NaN", NAN},
                                                   {"Inf", INFINITY},
                                                   {"-Inf", -INFINITY},
                                                   {"-0", -0.0},
                                                   {"1e10", 1e10},
                                                   {"-5", -5.0},
                                                   {"0.5", 0.5},
                                                   {"2^31", 2147483648.0},
                                                   {"2^53", 9007199254740992.0},
                                                   {"1e-300", 1e-300},
                                                   {"DBL_MAX", 1.7976931348623157e308}};
  for (const auto& [label, value] : values)
    list.push_back({std::string("all ") + label,
                    [value = value](const mxArray* like) { return filled(like, value); }});
  return list;
}

// "ok", or the identifier's reason. Fails the test on anything else.
std::string outcome(const standin::Module& module, const std::string& name, int nlhs,
                    const std::vector<const mxArray*>& args, const std::string& where) {
  const std::size_t before = standin::live_arrays();
  std::string result;
  try {
    auto call = module.call(nlhs, args);
    result = "ok";
  } catch (const standin::MexError& error) {
    const std::string prefix = "mexsets:" + name + ":";
    if (error.identifier().compare(0, prefix.size(), prefix) == 0)
      result = error.identifier().substr(prefix.size());
    else if (error.identifier().compare(0, 7, "MATLAB:") == 0)
      result = error.identifier();
    else
      ADD_FAILURE() << where << ": error without an identifier of " << name << ": \""
                    << error.message() << "\" (" << error.identifier() << ")";
  }
  EXPECT_EQ(standin::live_arrays(), before) << where << ": arrays left behind";
  return result;
}

TEST(ArgumentClasses, EveryFunctionEveryArgumentEveryClass) {
  std::ofstream table;
  if (const char* path = std::getenv("MEXSETS_CLASS_TABLE")) table.open(path);
  const auto kinds = variants();
  for (const ValidCall& valid : built_calls()) {
    const standin::Module module(valid.name);
    std::vector<Array> base = valid.args();
    auto raw = [](const std::vector<Array>& a) {
      std::vector<const mxArray*> out;
      for (const auto& x : a) out.push_back(x.get());
      return out;
    };
    ASSERT_EQ(outcome(module, valid.name, valid.nlhs, raw(base), valid.name), "ok")
        << valid.name << ": the valid call must succeed";

    if (table.is_open()) {
      table << "\n" << valid.name << "\n| variant |";
      for (std::size_t k = 0; k < base.size(); ++k) table << " input " << k + 1 << " |";
      table << "\n|---|";
      for (std::size_t k = 0; k < base.size(); ++k) table << "---|";
      table << "\n";
    }
    for (const Variant& kind : kinds) {
      if (table.is_open()) table << "| " << kind.label << " |";
      for (std::size_t k = 0; k < base.size(); ++k) {
        std::vector<Array> args = valid.args();
        args[k] = kind.make(base[k].get());
        const std::string where = valid.name + " input " + std::to_string(k + 1) + " " + kind.label;
        const std::string result = outcome(module, valid.name, valid.nlhs, raw(args), where);
        if (table.is_open()) table << " " << result << " |";
      }
      if (table.is_open()) table << "\n";
    }
    // Input and output counts: from none to more than any function takes.
    for (int nrhs = 0; nrhs <= 7; ++nrhs) {
      for (int nlhs = 0; nlhs <= 4; ++nlhs) {
        std::vector<Array> args = valid.args();
        std::vector<const mxArray*> list = raw(args);
        Array extra = matrix({{1}});
        while (list.size() < static_cast<std::size_t>(nrhs)) list.push_back(extra.get());
        list.resize(nrhs);
        const std::string where =
            valid.name + " nrhs " + std::to_string(nrhs) + " nlhs " + std::to_string(nlhs);
        const std::string result = outcome(module, valid.name, nlhs, list, where);
        if (table.is_open() && nlhs == 1)
          table << "| " << nrhs << " inputs (1 output) | " << result << " |\n";
      }
    }
  }
}

TEST(ArgumentClasses, ExamplesGiveTheirOutputs) {
  for (const ValidCall& valid : built_calls()) {
    const standin::Module module(valid.name);
    for (std::size_t e = 0; e < valid.examples.size(); ++e) {
      const auto& example = valid.examples[e];
      std::vector<Array> args;
      std::vector<const mxArray*> raw;
      for (const auto& value : example.inputs) {
        args.push_back(testing_support::to_host(value));
        raw.push_back(args.back().get());
      }
      const std::string where = valid.name + " example " + std::to_string(e + 1);
      try {
        auto result = module.call(example.nargout, raw);
        for (std::size_t k = 0; k < example.outputs.size(); ++k)
          EXPECT_TRUE(testing_support::matches(example.outputs[k], result.outputs[k].get()))
              << where << " output " << k + 1;
      } catch (const standin::MexError& error) {
        ADD_FAILURE() << where << " fails: " << error.identifier() << " " << error.message();
      }
    }
  }
}

// One output more than a function gives is nargout (nondominated prints its
// synopsis instead); set_features gives one in mode 1 and in the modes that
// compute nothing, two in modes 2 to 4.
TEST(ArgumentClasses, OneOutputMoreThanGivenIsRefused) {
  for (const ValidCall& valid : built_calls()) {
    const standin::Module module(valid.name);
    std::vector<Array> args = valid.args();
    std::vector<const mxArray*> list;
    for (const auto& x : args) list.push_back(x.get());
    EXPECT_EQ(outcome(module, valid.name, valid.nlhs + 1, list, valid.name),
              valid.name == "nondominated" ? "ok" : "nargout")
        << valid.name;
    if (valid.name != "set_features") continue;
    for (double mode : {1.0, 1.9, 0.0, 5.0, -2.0, double(NAN), 2.0}) {
      Array changed = standin::scalar(mode);
      list[2] = changed.get();
      const std::string where = "set_features mode " + std::to_string(mode);
      const bool two = mode >= 2 && mode < 5, bad = !(mode >= 1 && mode < 5);
      EXPECT_EQ(outcome(module, valid.name, 2, list, where), two   ? "ok"
                                                             : bad ? "badMode"
                                                                   : "nargout")
          << where;
      EXPECT_EQ(outcome(module, valid.name, 3, list, where), "nargout") << where;
    }
  }
}

}  // namespace
