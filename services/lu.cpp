// LU decomposition and back-substitution on 1-based arrays (Crout's method
// with partial pivoting and implicit row scaling).
#include <cmath>
#include <vector>

#include "ztclass/result_codes.h"
#include "ztservices/imagebase.h"

long ztLudcmp(double** a, int n, int* indx, double* d) {
  if (!a || !indx || !d || n < 1) return RC_NULL_ARGUMENT;
  std::vector<double> scale(n + 1);
  *d = 1.0;
  for (int i = 1; i <= n; ++i) {
    double big = 0.0;
    for (int j = 1; j <= n; ++j) big = std::max(big, std::fabs(a[i][j]));
    if (big == 0.0) return RC_SINGULAR_MATRIX;
    scale[i] = 1.0 / big;
  }
  for (int j = 1; j <= n; ++j) {
    for (int i = 1; i < j; ++i) {
      double sum = a[i][j];
      for (int k = 1; k < i; ++k) sum -= a[i][k] * a[k][j];
      a[i][j] = sum;
    }
    double big = 0.0;
    int imax = j;
    for (int i = j; i <= n; ++i) {
      double sum = a[i][j];
      for (int k = 1; k < j; ++k) sum -= a[i][k] * a[k][j];
      a[i][j] = sum;
      double merit = scale[i] * std::fabs(sum);
      if (merit >= big) {
        big = merit;
        imax = i;
      }
    }
    if (j != imax) {
      for (int k = 1; k <= n; ++k) std::swap(a[imax][k], a[j][k]);
      *d = -*d;
      scale[imax] = scale[j];
    }
    indx[j] = imax;
    if (a[j][j] == 0.0) return RC_SINGULAR_MATRIX;
    if (j != n) {
      double inverse = 1.0 / a[j][j];
      for (int i = j + 1; i <= n; ++i) a[i][j] *= inverse;
    }
  }
  return 0;
}

void ztLubksb(double** a, int n, int* indx, double* b) {
  if (!a || !indx || !b) return;
  int first = 0;
  for (int i = 1; i <= n; ++i) {
    int ip = indx[i];
    double sum = b[ip];
    b[ip] = b[i];
    if (first) {
      for (int j = first; j < i; ++j) sum -= a[i][j] * b[j];
    } else if (sum != 0.0) {
      first = i;
    }
    b[i] = sum;
  }
  for (int i = n; i >= 1; --i) {
    double sum = b[i];
    for (int j = i + 1; j <= n; ++j) sum -= a[i][j] * b[j];
    b[i] = sum / a[i][i];
  }
}
