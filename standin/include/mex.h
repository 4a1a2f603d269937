/* The stand-in host's MEX interface: the subset of MATLAB's mx and mex
 * functions that mexsets uses (and the fuzzers feed it), with MATLAB's
 * documented semantics and its large-array types (mwSize is size_t).
 *
 *  - class ids carry MATLAB's numbers (3 logical, 6 double, ... 15 uint64);
 *  - numeric data is column-major; created arrays are zero-filled;
 *  - trailing singleton dimensions beyond the second are dropped;
 *  - mexErrMsgTxt / mexErrMsgIdAndTxt never return: they throw
 *    standin::MexError, which the harness catches;
 *  - arrays stored in output slots belong to the host; arrays and mxMalloc
 *    blocks that a call leaves behind are released when it ends;
 *  - the host also offers utIsInterruptPending, which MATLAB's libut offers
 *    (and mex.h does not declare): it reports the Ctrl-C a test arranges
 *    (standin::interrupt_at_poll).
 */
#ifndef MEXSETS_STANDIN_MEX_H
#define MEXSETS_STANDIN_MEX_H

#include <stddef.h>
#include <stdint.h>
#ifndef __cplusplus
#include <stdbool.h>
#include <uchar.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct mxArray_tag mxArray;
typedef size_t mwSize;
typedef size_t mwIndex;
typedef ptrdiff_t mwSignedIndex;
typedef bool mxLogical;
typedef char16_t mxChar;

typedef enum {
  mxUNKNOWN_CLASS = 0,
  mxCELL_CLASS = 1,
  mxSTRUCT_CLASS = 2,
  mxLOGICAL_CLASS = 3,
  mxCHAR_CLASS = 4,
  mxVOID_CLASS = 5,
  mxDOUBLE_CLASS = 6,
  mxSINGLE_CLASS = 7,
  mxINT8_CLASS = 8,
  mxUINT8_CLASS = 9,
  mxINT16_CLASS = 10,
  mxUINT16_CLASS = 11,
  mxINT32_CLASS = 12,
  mxUINT32_CLASS = 13,
  mxINT64_CLASS = 14,
  mxUINT64_CLASS = 15,
  mxFUNCTION_CLASS = 16
} mxClassID;

typedef enum { mxREAL = 0, mxCOMPLEX = 1 } mxComplexity;

/* Size and class */
mwSize mxGetM(const mxArray* array);
mwSize mxGetN(const mxArray* array);
mwSize mxGetNumberOfDimensions(const mxArray* array);
const mwSize* mxGetDimensions(const mxArray* array);
size_t mxGetNumberOfElements(const mxArray* array);
size_t mxGetElementSize(const mxArray* array);
mxClassID mxGetClassID(const mxArray* array);
bool mxIsDouble(const mxArray* array);
bool mxIsLogical(const mxArray* array);
bool mxIsCell(const mxArray* array);
bool mxIsChar(const mxArray* array);
bool mxIsStruct(const mxArray* array);
bool mxIsNumeric(const mxArray* array);
bool mxIsSparse(const mxArray* array);
bool mxIsComplex(const mxArray* array);
bool mxIsEmpty(const mxArray* array);

/* Data (real part; for a sparse array, its nzmax stored values) */
void* mxGetData(const mxArray* array);
double* mxGetPr(const mxArray* array);
double* mxGetPi(const mxArray* array);
double mxGetScalar(const mxArray* array);
/* The characters of a char array, column by column, as a NUL-ended string
 * of at most buflen - 1 bytes (characters beyond 0x7f become '?'): 0, or 1
 * when the array is no char array or the text was cut. */
int mxGetString(const mxArray* array, char* buffer, mwSize buflen);
mxLogical* mxGetLogicals(const mxArray* array);
/* A sparse array's row indices (nzmax), column starts (n + 1) and nzmax;
 * null (0) for a dense one */
mwIndex* mxGetIr(const mxArray* array);
mwIndex* mxGetJc(const mxArray* array);
mwSize mxGetNzmax(const mxArray* array);
mxArray* mxGetCell(const mxArray* array, mwIndex index);
void mxSetCell(mxArray* array, mwIndex index, mxArray* value);

/* Creation; every new array is zero-filled */
mxArray* mxCreateDoubleMatrix(mwSize m, mwSize n, mxComplexity complexity);
mxArray* mxCreateDoubleScalar(double value);
mxArray* mxCreateLogicalMatrix(mwSize m, mwSize n);
mxArray* mxCreateLogicalArray(mwSize ndim, const mwSize* dims);
mxArray* mxCreateNumericMatrix(mwSize m, mwSize n, mxClassID class_id,
                               mxComplexity complexity);
mxArray* mxCreateNumericArray(mwSize ndim, const mwSize* dims, mxClassID class_id,
                              mxComplexity complexity);
mxArray* mxCreateCellArray(mwSize ndim, const mwSize* dims);
mxArray* mxCreateCellMatrix(mwSize m, mwSize n);
mxArray* mxCreateCharArray(mwSize ndim, const mwSize* dims);
mxArray* mxCreateStructMatrix(mwSize m, mwSize n, int nfields, const char** names);
mxArray* mxCreateSparse(mwSize m, mwSize n, mwSize nzmax, mxComplexity complexity);
mxArray* mxCreateSparseLogicalMatrix(mwSize m, mwSize n, mwSize nzmax);
void mxDestroyArray(mxArray* array);

/* Scratch memory, released by the host at the end of the call if not freed */
void* mxMalloc(size_t bytes);
void* mxCalloc(size_t count, size_t size);
void mxFree(void* block);

/* Host services */
void mexErrMsgTxt(const char* message) __attribute__((noreturn));
void mexErrMsgIdAndTxt(const char* identifier, const char* format, ...)
    __attribute__((noreturn, format(printf, 2, 3)));
int mexPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

/* The one entry of every module */
void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

#ifdef __cplusplus
}
#endif

#endif
