// Index-bounded arrays. Each allocation holds max(nh, nh - nl) + 1 elements
// from its start, so that every index nl..nh is an element of the block and
// no pointer ever points outside it.
#include <cstdlib>
#include <new>

#include "ztservices/imagebase.h"

namespace {

// Elements before index 0 (for a negative lower bound) and the total count.
struct Extent {
  long offset;
  long count;
};

// False for bounds of no elements, or of more than a long counts: the sums
// are checked, so that no count wraps around into a small one.
bool MakeExtent(long nl, long nh, Extent& e) {
  if (nh < nl) return false;
  e.offset = 0;
  if (nl < 0 && __builtin_sub_overflow(0L, nl, &e.offset)) return false;
  return !__builtin_add_overflow(e.offset, nh, &e.count) && !__builtin_add_overflow(e.count, 1L, &e.count);
}

template <typename T>
T* AllocVector(long nl, long nh) {
  Extent e;
  if (!MakeExtent(nl, nh, e)) return nullptr;
  T* block = static_cast<T*>(std::calloc(e.count, sizeof(T)));
  return block ? block + e.offset : nullptr;
}

template <typename T>
void FreeVector(T* v, long nl, long nh) {
  Extent e;
  if (!v || !MakeExtent(nl, nh, e)) return;
  std::free(v - e.offset);
}

double** AllocMatrix(long nrl, long nrh, long ncl, long nch) {
  double** rows = AllocVector<double*>(nrl, nrh);
  if (!rows) return nullptr;
  Extent c;
  if (!MakeExtent(ncl, nch, c)) {
    FreeVector(rows, nrl, nrh);
    return nullptr;
  }
  // The rows' block was allocated: its count fits. The cells' count may not.
  const size_t rowCount = static_cast<size_t>(nrh) - static_cast<size_t>(nrl) + 1;
  size_t cellCount = 0;
  double* cells = __builtin_mul_overflow(rowCount, static_cast<size_t>(c.count), &cellCount)
                      ? nullptr
                      : static_cast<double*>(std::calloc(cellCount, sizeof(double)));
  if (!cells) {
    FreeVector(rows, nrl, nrh);
    return nullptr;
  }
  for (size_t r = 0; r < rowCount; ++r) rows[nrl + static_cast<long>(r)] = cells + r * c.count + c.offset;
  return rows;
}

void FreeMatrix(double** m, long nrl, long nrh, long ncl, long nch) {
  Extent c;
  if (!m || !MakeExtent(ncl, nch, c)) return;
  std::free(m[nrl] - c.offset);
  FreeVector(m, nrl, nrh);
}

}  // namespace

float* ztVector(long nl, long nh) { return AllocVector<float>(nl, nh); }
double* ztDvector(long nl, long nh) { return AllocVector<double>(nl, nh); }
long* ztLvector(long nl, long nh) { return AllocVector<long>(nl, nh); }
int* ztIvector(long nl, long nh) { return AllocVector<int>(nl, nh); }
double** ztMatrix(long nrl, long nrh, long ncl, long nch) { return AllocMatrix(nrl, nrh, ncl, nch); }
double** ztDmatrix(long nrl, long nrh, long ncl, long nch) { return AllocMatrix(nrl, nrh, ncl, nch); }

double*** ztD3tensor(long nrl, long nrh, long ncl, long nch, long ndl, long ndh) {
  double*** planes = AllocVector<double**>(nrl, nrh);
  if (!planes) return nullptr;
  for (long r = nrl; r <= nrh; ++r) {
    planes[r] = AllocMatrix(ncl, nch, ndl, ndh);
    if (!planes[r]) {
      for (long q = nrl; q < r; ++q) FreeMatrix(planes[q], ncl, nch, ndl, ndh);
      FreeVector(planes, nrl, nrh);
      return nullptr;
    }
  }
  return planes;
}

void ztFree_vector(float* v, long nl, long nh) { FreeVector(v, nl, nh); }
void ztFree_dvector(double* v, long nl, long nh) { FreeVector(v, nl, nh); }
void ztFree_lvector(long* v, long nl, long nh) { FreeVector(v, nl, nh); }
void ztFree_ivector(int* v, long nl, long nh) { FreeVector(v, nl, nh); }
void ztFree_matrix(double** m, long nrl, long nrh, long ncl, long nch) { FreeMatrix(m, nrl, nrh, ncl, nch); }
void ztFree_dmatrix(double** m, long nrl, long nrh, long ncl, long nch) { FreeMatrix(m, nrl, nrh, ncl, nch); }

void ztFree_d3tensor(double*** t, long nrl, long nrh, long ncl, long nch, long ndl, long ndh) {
  if (!t || nrh < nrl) return;
  for (long r = nrl; r <= nrh; ++r) FreeMatrix(t[r], ncl, nch, ndl, ndh);
  FreeVector(t, nrl, nrh);
}
