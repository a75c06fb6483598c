#pragma once
// Image base service: index-bounded arrays, LU decomposition, memory blocks,
// file tests and cell access to zti files.
//
// Arrays are valid from index nl to nh (both inclusive) and must be freed
// with the same bounds. Any lower bound is accepted; the returned pointer
// always points into the allocation, so indexing stays within one block.
// nh < nl gives null.
#include "ztservices/export.h"

ZTSERVICES_API float* ztVector(long nl, long nh);
ZTSERVICES_API double* ztDvector(long nl, long nh);
ZTSERVICES_API long* ztLvector(long nl, long nh);
ZTSERVICES_API int* ztIvector(long nl, long nh);
ZTSERVICES_API double** ztMatrix(long nrl, long nrh, long ncl, long nch);
ZTSERVICES_API double** ztDmatrix(long nrl, long nrh, long ncl, long nch);
ZTSERVICES_API double*** ztD3tensor(long nrl, long nrh, long ncl, long nch, long ndl, long ndh);
ZTSERVICES_API void ztFree_vector(float* v, long nl, long nh);
ZTSERVICES_API void ztFree_dvector(double* v, long nl, long nh);
ZTSERVICES_API void ztFree_lvector(long* v, long nl, long nh);
ZTSERVICES_API void ztFree_ivector(int* v, long nl, long nh);
ZTSERVICES_API void ztFree_matrix(double** m, long nrl, long nrh, long ncl, long nch);
ZTSERVICES_API void ztFree_dmatrix(double** m, long nrl, long nrh, long ncl, long nch);
ZTSERVICES_API void ztFree_d3tensor(double*** t, long nrl, long nrh, long ncl, long nch, long ndl,
                                    long ndh);

// LU decomposition (Crout, partial pivoting) of the 1-based n x n matrix a in
// place; indx (1..n) receives the row permutation, d its sign. Returns 0, or
// RC_SINGULAR_MATRIX (4000005) when a column has no non-zero pivot.
ZTSERVICES_API long ztLudcmp(double** a, int n, int* indx, double* d);
// Solves a x = b with the decomposition; b (1..n) in, solution out.
ZTSERVICES_API void ztLubksb(double** a, int n, int* indx, double* b);

// Memory blocks. ztMemAlloc returns 0 or RC_OUT_OF_MEMORY (2000001).
ZTSERVICES_API long ztMemAlloc(void** block, long bytes);
ZTSERVICES_API void ztMemSetZero(void* block, long bytes);
ZTSERVICES_API void ztMemFree(void* block);

// Non-zero when path names an existing file.
ZTSERVICES_API long ztIsFileExist(const char* path);

// Cell access to a zti file, through the handle ztRSGetInternalHandle(dataset,
// "ZOVREKZTI"). The 64 blocks used last stay in hand, so walking cells near
// each other costs no disk access per cell. Returns 0 or an error code.
ZTSERVICES_API long ztGetCell(void* handle, long row, long column, double* value);
ZTSERVICES_API long ztSetCell(void* handle, long row, long column, double value);
// Writes back what ztSetCell changed and closes the dataset behind the handle.
ZTSERVICES_API long ztCloseZtiFileForReadWrite(void* handle);
