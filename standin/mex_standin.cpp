// The stand-in host: array objects, scratch memory and the error and print
// services, with MATLAB's semantics (see mex.h). Host state lives here, as it
// lives in MATLAB; modules keep none.
#include <dlfcn.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <numeric>
#include <unordered_set>

#include "common/huge_pages.hpp"
#include "host.hpp"

struct mxArray_tag {
  mxClassID class_id = mxDOUBLE_CLASS;
  std::vector<mwSize> dims{0, 0};
  bool complex = false;
  bool sparse = false;
  // Exactly sized buffers so that a sanitizer sees any read past them;
  // zeroed as the hosts zero their results (common/huge_pages.hpp): a large
  // one's pages are faulted in by whoever writes them first.
  mexsets::ZeroedBuffer<unsigned char> real;
  mexsets::ZeroedBuffer<unsigned char> imag;
  std::vector<mxArray*> cells;
  std::unique_ptr<mwIndex[]> sparse_ir, sparse_jc;
  mwSize nzmax = 0;
};

namespace {

std::size_t g_live_arrays = 0;
std::unordered_set<void*> g_blocks;
// Arrays and blocks created during the current call; null outside a call.
std::unordered_set<mxArray*>* g_call_arrays = nullptr;
std::unordered_set<void*>* g_call_blocks = nullptr;
// Bytes of the arrays created during the current call: the host's memory is
// finite, so a call that creates more than the array size limit in all (many
// arrays each below it) runs out of memory, as it would in MATLAB.
std::size_t g_call_bytes = 0;
std::string g_printed;
// Interrupt requests: the host reports one pending from poll number
// g_interrupt_at on (0: never), counting the polls of utIsInterruptPending.
std::size_t g_interrupt_at = 0;
std::size_t g_polls = 0;

std::size_t element_size(mxClassID id) {
  switch (id) {
    case mxLOGICAL_CLASS:
      return sizeof(mxLogical);
    case mxCHAR_CLASS:
      return sizeof(mxChar);
    case mxDOUBLE_CLASS:
      return 8;
    case mxSINGLE_CLASS:
      return 4;
    case mxINT8_CLASS:
    case mxUINT8_CLASS:
      return 1;
    case mxINT16_CLASS:
    case mxUINT16_CLASS:
      return 2;
    case mxINT32_CLASS:
    case mxUINT32_CLASS:
      return 4;
    case mxINT64_CLASS:
    case mxUINT64_CLASS:
      return 8;
    case mxCELL_CLASS:
    case mxSTRUCT_CLASS:
      return sizeof(mxArray*);
    default:
      return 0;
  }
}

// The largest array the host agrees to create, like MATLAB's array size
// limit: MEXSETS_STANDIN_MAX_ARRAY_BYTES, 8 GiB when unset.
std::size_t max_array_bytes() {
  static const std::size_t limit = [] {
    const char* text = std::getenv("MEXSETS_STANDIN_MAX_ARRAY_BYTES");
    return text ? std::strtoull(text, nullptr, 10) : std::size_t{8} << 30;
  }();
  return limit;
}

mexsets::ZeroedBuffer<unsigned char> zeroed(std::size_t bytes) {
  if (bytes == 0) return nullptr;
  if (bytes > max_array_bytes())
    throw standin::MexError("MATLAB:array:SizeLimitExceeded",
                            "Requested array exceeds the maximum array size preference");
  return mexsets::zeroed_buffer<unsigned char>(bytes);
}

std::size_t product(const std::vector<mwSize>& dims) {
  return std::accumulate(dims.begin(), dims.end(), std::size_t{1},
                         [](std::size_t a, mwSize b) { return a * b; });
}

mxArray* make(mxClassID id, mwSize ndim, const mwSize* dims, mxComplexity complexity) {
  auto* array = new mxArray_tag;
  array->class_id = id;
  array->dims.assign(dims, dims + ndim);
  while (array->dims.size() < 2) array->dims.push_back(array->dims.empty() ? 0 : 1);
  // MATLAB drops trailing singleton dimensions beyond the second.
  while (array->dims.size() > 2 && array->dims.back() == 1) array->dims.pop_back();
  std::size_t count = 1;
  bool overflow = false;
  for (mwSize e : array->dims) overflow |= __builtin_mul_overflow(count, e, &count);
  const std::size_t size = element_size(id) ? element_size(id) : 1;
  if (overflow || count > max_array_bytes() / size) {
    delete array;
    throw standin::MexError("MATLAB:array:SizeLimitExceeded",
                            "Requested array exceeds the maximum array size preference");
  }
  if (g_call_arrays) {
    const std::size_t bytes = count * size * (complexity == mxCOMPLEX ? 2 : 1);
    if (bytes > max_array_bytes() - std::min(g_call_bytes, max_array_bytes())) {
      delete array;
      throw standin::MexError("MATLAB:nomem", "Out of memory.");
    }
    g_call_bytes += bytes;
  }
  if (id == mxCELL_CLASS || id == mxSTRUCT_CLASS) {
    array->cells.assign(count, nullptr);
  } else {
    array->real = zeroed(count * element_size(id));
    if (complexity == mxCOMPLEX) {
      array->complex = true;
      array->imag = zeroed(count * element_size(id));
    }
  }
  ++g_live_arrays;
  if (g_call_arrays) g_call_arrays->insert(array);
  return array;
}

mxArray* make2(mxClassID id, mwSize m, mwSize n, mxComplexity complexity) {
  const mwSize dims[2] = {m, n};
  return make(id, 2, dims, complexity);
}

void destroy(mxArray* array) {
  if (!array) return;
  for (mxArray* cell : array->cells) destroy(cell);
  if (g_call_arrays) g_call_arrays->erase(array);
  --g_live_arrays;
  delete array;
}

template <class T>
double first_as_double(const mxArray* array) {
  T value;
  std::memcpy(&value, array->real.get(), sizeof value);
  return static_cast<double>(value);
}

}  // namespace

extern "C" {

mwSize mxGetM(const mxArray* array) { return array->dims[0]; }
mwSize mxGetN(const mxArray* array) {
  return product(std::vector<mwSize>(array->dims.begin() + 1, array->dims.end()));
}
mwSize mxGetNumberOfDimensions(const mxArray* array) { return array->dims.size(); }
const mwSize* mxGetDimensions(const mxArray* array) { return array->dims.data(); }
size_t mxGetNumberOfElements(const mxArray* array) { return product(array->dims); }
size_t mxGetElementSize(const mxArray* array) { return element_size(array->class_id); }
mxClassID mxGetClassID(const mxArray* array) { return array->class_id; }
bool mxIsDouble(const mxArray* array) { return array->class_id == mxDOUBLE_CLASS; }
bool mxIsLogical(const mxArray* array) { return array->class_id == mxLOGICAL_CLASS; }
bool mxIsCell(const mxArray* array) { return array->class_id == mxCELL_CLASS; }
bool mxIsChar(const mxArray* array) { return array->class_id == mxCHAR_CLASS; }
bool mxIsStruct(const mxArray* array) { return array->class_id == mxSTRUCT_CLASS; }
bool mxIsNumeric(const mxArray* array) {
  return array->class_id >= mxDOUBLE_CLASS && array->class_id <= mxUINT64_CLASS;
}
bool mxIsSparse(const mxArray* array) { return array->sparse; }
bool mxIsComplex(const mxArray* array) { return array->complex; }
bool mxIsEmpty(const mxArray* array) { return mxGetNumberOfElements(array) == 0; }

void* mxGetData(const mxArray* array) {
  if (array->class_id == mxCELL_CLASS || array->class_id == mxSTRUCT_CLASS) return nullptr;
  return array->real.get();
}
double* mxGetPr(const mxArray* array) { return static_cast<double*>(mxGetData(array)); }
double* mxGetPi(const mxArray* array) { return reinterpret_cast<double*>(array->imag.get()); }
mxLogical* mxGetLogicals(const mxArray* array) {
  return array->class_id == mxLOGICAL_CLASS ? reinterpret_cast<mxLogical*>(array->real.get())
                                            : nullptr;
}

int mxGetString(const mxArray* array, char* buffer, mwSize buflen) {
  if (buflen == 0) return 1;
  buffer[0] = '\0';
  if (array->class_id != mxCHAR_CLASS) return 1;
  const std::size_t n = mxGetNumberOfElements(array);
  const std::size_t kept = n < buflen - 1 ? n : buflen - 1;
  for (std::size_t i = 0; i < kept; ++i) {
    mxChar c;
    std::memcpy(&c, array->real.get() + i * sizeof c, sizeof c);
    buffer[i] = c < 0x80 ? static_cast<char>(c) : '?';
  }
  buffer[kept] = '\0';
  return kept < n ? 1 : 0;
}

double mxGetScalar(const mxArray* array) {
  if (!array->real || (array->sparse && array->sparse_jc[array->dims[1]] == 0)) return 0.0;
  switch (array->class_id) {
    case mxLOGICAL_CLASS:
      return first_as_double<mxLogical>(array);
    case mxCHAR_CLASS:
      return first_as_double<mxChar>(array);
    case mxDOUBLE_CLASS:
      return first_as_double<double>(array);
    case mxSINGLE_CLASS:
      return first_as_double<float>(array);
    case mxINT8_CLASS:
      return first_as_double<int8_t>(array);
    case mxUINT8_CLASS:
      return first_as_double<uint8_t>(array);
    case mxINT16_CLASS:
      return first_as_double<int16_t>(array);
    case mxUINT16_CLASS:
      return first_as_double<uint16_t>(array);
    case mxINT32_CLASS:
      return first_as_double<int32_t>(array);
    case mxUINT32_CLASS:
      return first_as_double<uint32_t>(array);
    case mxINT64_CLASS:
      return first_as_double<int64_t>(array);
    case mxUINT64_CLASS:
      return first_as_double<uint64_t>(array);
    default:
      return 0.0;
  }
}

mwIndex* mxGetIr(const mxArray* array) { return array->sparse_ir.get(); }
mwIndex* mxGetJc(const mxArray* array) { return array->sparse_jc.get(); }
mwSize mxGetNzmax(const mxArray* array) { return array->sparse ? array->nzmax : 0; }

mxArray* mxGetCell(const mxArray* array, mwIndex index) {
  return index < array->cells.size() ? array->cells[index] : nullptr;
}

void mxSetCell(mxArray* array, mwIndex index, mxArray* value) {
  if (array->class_id != mxCELL_CLASS || index >= array->cells.size()) std::abort();
  destroy(array->cells[index]);
  array->cells[index] = value;
  // The cell owns the value from now on.
  if (g_call_arrays && value) g_call_arrays->erase(value);
}

mxArray* mxCreateDoubleMatrix(mwSize m, mwSize n, mxComplexity complexity) {
  return make2(mxDOUBLE_CLASS, m, n, complexity);
}
mxArray* mxCreateDoubleScalar(double value) {
  mxArray* array = make2(mxDOUBLE_CLASS, 1, 1, mxREAL);
  std::memcpy(array->real.get(), &value, sizeof value);
  return array;
}
mxArray* mxCreateLogicalMatrix(mwSize m, mwSize n) { return make2(mxLOGICAL_CLASS, m, n, mxREAL); }
mxArray* mxCreateLogicalArray(mwSize ndim, const mwSize* dims) {
  return make(mxLOGICAL_CLASS, ndim, dims, mxREAL);
}
mxArray* mxCreateNumericMatrix(mwSize m, mwSize n, mxClassID class_id, mxComplexity complexity) {
  return make2(class_id, m, n, complexity);
}
mxArray* mxCreateNumericArray(mwSize ndim, const mwSize* dims, mxClassID class_id,
                              mxComplexity complexity) {
  return make(class_id, ndim, dims, complexity);
}
mxArray* mxCreateCellArray(mwSize ndim, const mwSize* dims) {
  return make(mxCELL_CLASS, ndim, dims, mxREAL);
}
mxArray* mxCreateCellMatrix(mwSize m, mwSize n) { return make2(mxCELL_CLASS, m, n, mxREAL); }
mxArray* mxCreateCharArray(mwSize ndim, const mwSize* dims) {
  return make(mxCHAR_CLASS, ndim, dims, mxREAL);
}
mxArray* mxCreateStructMatrix(mwSize m, mwSize n, int, const char**) {
  return make2(mxSTRUCT_CLASS, m, n, mxREAL);
}

// Sparse arrays keep MATLAB's compressed-column form: nzmax values (at least
// one), row indices and column starts. Their data is not an m-by-n buffer.
static mxArray* make_sparse(mxClassID id, mwSize m, mwSize n, mwSize nzmax,
                            mxComplexity complexity) {
  const mwSize none[2] = {0, 0};
  mxArray* array = make(id, 2, none, mxREAL);
  array->dims = {m, n};
  array->sparse = true;
  array->nzmax = std::max<mwSize>(nzmax, 1);
  array->real = zeroed(array->nzmax * element_size(id));
  if (complexity == mxCOMPLEX) {
    array->complex = true;
    array->imag = zeroed(array->nzmax * element_size(id));
  }
  array->sparse_ir.reset(new mwIndex[array->nzmax]());
  array->sparse_jc.reset(new mwIndex[n + 1]());
  return array;
}
mxArray* mxCreateSparse(mwSize m, mwSize n, mwSize nzmax, mxComplexity complexity) {
  return make_sparse(mxDOUBLE_CLASS, m, n, nzmax, complexity);
}
mxArray* mxCreateSparseLogicalMatrix(mwSize m, mwSize n, mwSize nzmax) {
  return make_sparse(mxLOGICAL_CLASS, m, n, nzmax, mxREAL);
}

void mxDestroyArray(mxArray* array) { destroy(array); }

void* mxMalloc(size_t bytes) {
  void* block = bytes > max_array_bytes() ? nullptr : std::malloc(bytes ? bytes : 1);
  // MATLAB ends the call when it cannot hand out the block.
  if (!block) throw standin::MexError("MATLAB:nomem", "Out of memory");
  g_blocks.insert(block);
  if (g_call_blocks) g_call_blocks->insert(block);
  return block;
}
void* mxCalloc(size_t count, size_t size) {
  void* block = mxMalloc(count * size);
  std::memset(block, 0, count * size);
  return block;
}
void mxFree(void* block) {
  if (!block) return;
  g_blocks.erase(block);
  if (g_call_blocks) g_call_blocks->erase(block);
  std::free(block);
}

void mexErrMsgTxt(const char* message) { throw standin::MexError("", message); }

void mexErrMsgIdAndTxt(const char* identifier, const char* format, ...) {
  va_list args;
  va_start(args, format);
  char buffer[4096];
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  throw standin::MexError(identifier, buffer);
}

// MATLAB's libut offers this to MEX files; a computation asks it every
// millisecond or so.
bool utIsInterruptPending(void) {
  ++g_polls;
  return g_interrupt_at != 0 && g_polls >= g_interrupt_at;
}

int mexPrintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  char buffer[4096];
  const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  g_printed += buffer;
  return length;
}

}  // extern "C"

namespace standin {

MexError::MexError(std::string identifier, std::string message)
    : std::runtime_error(message),
      identifier_(std::move(identifier)),
      message_(std::move(message)) {}
MexError::~MexError() = default;

void interrupt_at_poll(std::size_t poll) {
  g_interrupt_at = poll;
  g_polls = 0;
}
std::size_t interrupt_polls() { return g_polls; }

std::size_t live_arrays() { return g_live_arrays; }
std::size_t live_blocks() { return g_blocks.size(); }

Module::Module(const std::string& name, const std::string& dir) : name_(name) {
  const std::string folder = dir.empty() ? MEXSETS_STANDIN_DIR : dir;
  const std::string path = folder + "/" + name + ".standin.so";
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) throw std::runtime_error("cannot load " + path + ": " + dlerror());
  entry_ = reinterpret_cast<void (*)(int, mxArray**, int, const mxArray**)>(
      dlsym(handle_, "mexFunction"));
  if (!entry_) throw std::runtime_error(path + " has no mexFunction");
}

Module::~Module() {
  if (handle_) dlclose(handle_);
}

CallResult Module::call(int nlhs, const std::vector<const mxArray*>& inputs) const {
  static const auto kGuard = reinterpret_cast<mxArray*>(std::uintptr_t{0x5107});
  const std::size_t slots = static_cast<std::size_t>(std::max(nlhs, 1));
  std::vector<mxArray*> plhs(slots + 1, nullptr);
  plhs[slots] = kGuard;

  std::unordered_set<mxArray*> call_arrays;
  std::unordered_set<void*> call_blocks;
  g_call_arrays = &call_arrays;
  g_call_blocks = &call_blocks;
  g_call_bytes = 0;
  g_printed.clear();

  CallResult result;
  // Whatever the outcome, the call's leftovers go back to the host.
  auto finish = [&](bool keep_outputs) {
    if (g_interrupt_at != 0 && g_polls >= g_interrupt_at) g_interrupt_at = 0;
    g_call_arrays = nullptr;
    g_call_blocks = nullptr;
    for (std::size_t k = 0; k < slots; ++k) {
      if (!plhs[k]) continue;
      call_arrays.erase(plhs[k]);
      if (keep_outputs)
        result.outputs.emplace_back(plhs[k]);
      else
        destroy(plhs[k]);
    }
    result.released_arrays = call_arrays.size();
    for (mxArray* array : call_arrays) destroy(array);
    result.released_blocks = call_blocks.size();
    for (void* block : call_blocks) mxFree(block);
    result.printed = g_printed;
  };

  try {
    entry_(nlhs, plhs.data(), static_cast<int>(inputs.size()),
           const_cast<const mxArray**>(inputs.data()));
  } catch (...) {
    finish(false);
    throw;
  }
  if (plhs[slots] != kGuard) {
    finish(false);
    throw std::logic_error(name_ + " wrote past the output slots the host offered");
  }
  // Keep one entry per slot, null where the module stored nothing.
  std::vector<mxArray*> stored(plhs.begin(), plhs.begin() + slots);
  finish(true);
  std::vector<Array> outputs;
  std::size_t next = 0;
  for (mxArray* array : stored)
    outputs.emplace_back(array ? result.outputs[next++].release() : nullptr);
  result.outputs = std::move(outputs);
  return result;
}

CallResult Module::call(int nlhs, std::initializer_list<const Array*> inputs) const {
  std::vector<const mxArray*> raw;
  for (const Array* input : inputs) raw.push_back(input->get());
  return call(nlhs, raw);
}

// Builders

Array doubles(std::size_t rows, std::size_t cols, const std::vector<double>& column_major) {
  if (column_major.size() != rows * cols) throw std::invalid_argument("doubles: size mismatch");
  Array array(mxCreateDoubleMatrix(rows, cols, mxREAL));
  if (!column_major.empty())
    std::memcpy(mxGetPr(array.get()), column_major.data(), column_major.size() * sizeof(double));
  return array;
}

Array matrix(std::initializer_list<std::initializer_list<double>> rows) {
  const std::size_t m = rows.size();
  const std::size_t n = m ? rows.begin()->size() : 0;
  std::vector<double> data(m * n);
  std::size_t i = 0;
  for (const auto& row : rows) {
    if (row.size() != n) throw std::invalid_argument("matrix: ragged rows");
    std::size_t j = 0;
    for (double value : row) data[i + j++ * m] = value;
    ++i;
  }
  return doubles(m, n, data);
}

Array scalar(double value) { return Array(mxCreateDoubleScalar(value)); }
Array empty(std::size_t rows, std::size_t cols) {
  return Array(mxCreateDoubleMatrix(rows, cols, mxREAL));
}

Array numeric(mxClassID class_id, const std::vector<mwSize>& dims) {
  if (class_id == mxLOGICAL_CLASS) return Array(mxCreateLogicalArray(dims.size(), dims.data()));
  if (class_id == mxCELL_CLASS) return Array(mxCreateCellArray(dims.size(), dims.data()));
  if (class_id == mxCHAR_CLASS) return Array(mxCreateCharArray(dims.size(), dims.data()));
  if (class_id == mxSTRUCT_CLASS) {
    Array array(mxCreateStructMatrix(1, 1, 0, nullptr));
    array->dims = dims;
    array->cells.assign(product(dims), nullptr);
    return array;
  }
  return Array(mxCreateNumericArray(dims.size(), dims.data(), class_id, mxREAL));
}

Array logical(std::size_t rows, std::size_t cols, const std::vector<bool>& column_major) {
  Array array(mxCreateLogicalMatrix(rows, cols));
  mxLogical* data = mxGetLogicals(array.get());
  for (std::size_t k = 0; k < column_major.size() && k < rows * cols; ++k)
    data[k] = column_major[k];
  return array;
}

Array text(const std::string& characters) {
  const mwSize dims[2] = {1, characters.size()};
  Array array(mxCreateCharArray(2, dims));
  for (std::size_t i = 0; i < characters.size(); ++i) {
    const auto c = static_cast<mxChar>(static_cast<unsigned char>(characters[i]));
    std::memcpy(array->real.get() + i * sizeof c, &c, sizeof c);
  }
  return array;
}

std::vector<double> values(const mxArray* array) {
  if (mxGetClassID(array) != mxDOUBLE_CLASS || mxIsSparse(array))
    throw std::invalid_argument("values: not a dense double array");
  const double* data = mxGetPr(array);
  return std::vector<double>(data, data + mxGetNumberOfElements(array));
}

std::vector<mwSize> dims(const mxArray* array) { return array->dims; }

}  // namespace standin
