#include "statistical/matrix.h"

#include <cmath>

#include "ztclass/result_codes.h"

namespace zt {

namespace {

constexpr double kSingularLimit = 1e-12;

bool HasZeroRowOrColumn(const SquareMatrix& m) {
  for (long r = 0; r < m.n; ++r) {
    bool zero = true;
    for (long c = 0; c < m.n && zero; ++c) zero = m(r, c) == 0.0;
    if (zero) return true;
  }
  for (long c = 0; c < m.n; ++c) {
    bool zero = true;
    for (long r = 0; r < m.n && zero; ++r) zero = m(r, c) == 0.0;
    if (zero) return true;
  }
  return false;
}

SquareMatrix Minor(const SquareMatrix& m, long row, long column) {
  SquareMatrix minor(m.n - 1);
  for (long r = 0, mr = 0; r < m.n; ++r) {
    if (r == row) continue;
    for (long c = 0, mc = 0; c < m.n; ++c)
      if (c != column) minor(mr, mc++) = m(r, c);
    ++mr;
  }
  return minor;
}

}  // namespace

long AdjugateInverse(const SquareMatrix& m, double determinant, SquareMatrix& inverse) {
  inverse = SquareMatrix(m.n);
  for (long i = 0; i < m.n; ++i)
    for (long j = 0; j < m.n; ++j) {
      double minorDeterminant = 0.0, logAbs = 0.0;
      if (MatrixDeterminant(Minor(m, i, j), minorDeterminant, logAbs) != RC_OK) minorDeterminant = 0.0;
      inverse(j, i) = ((i + j) % 2 ? -1.0 : 1.0) * minorDeterminant;
    }
  const double scale = 1.0 / determinant;
  for (double& v : inverse.a) v *= scale;
  return RC_OK;
}

long GaussJordanInverse(const SquareMatrix& m, SquareMatrix& inverse) {
  const long n = m.n;
  SquareMatrix work = m;
  inverse = SquareMatrix(n);
  for (long i = 0; i < n; ++i)
    for (long j = 0; j < n; ++j) inverse(i, j) = i == j ? 1.0 : 0.0;
  for (long col = 0; col < n; ++col) {
    long pivot = col;
    for (long r = col + 1; r < n; ++r)
      if (std::fabs(work(r, col)) > std::fabs(work(pivot, col))) pivot = r;
    if (work(pivot, col) == 0.0) return RC_SINGULAR_MATRIX;
    if (pivot != col)
      for (long k = 0; k < n; ++k) {
        std::swap(work(pivot, k), work(col, k));
        std::swap(inverse(pivot, k), inverse(col, k));
      }
    const double scale = 1.0 / work(col, col);
    for (long k = 0; k < n; ++k) {
      work(col, k) *= scale;
      inverse(col, k) *= scale;
    }
    for (long r = 0; r < n; ++r) {
      const double f = work(r, col);
      if (r == col || f == 0.0) continue;
      for (long k = 0; k < n; ++k) {
        work(r, k) -= f * work(col, k);
        inverse(r, k) -= f * inverse(col, k);
      }
    }
  }
  return RC_OK;
}

double LogSingularLimit() { return std::log(kSingularLimit); }

long MatrixDeterminant(const SquareMatrix& m, double& determinant, double& logAbs) {
  determinant = 1.0;
  logAbs = 0.0;
  if (m.n == 0) return RC_OK;
  determinant = 0.0;
  logAbs = -INFINITY;
  if (HasZeroRowOrColumn(m)) return RC_OUT_OF_MEMORY;
  SquareMatrix a = m;
  const long n = m.n;
  int swaps = 0;
  for (long col = 0; col < n; ++col) {
    if (a(col, col) == 0.0) {
      long r = col + 1;
      while (r < n && a(r, col) == 0.0) ++r;
      if (r == n) return RC_SINGULAR_MATRIX;
      for (long k = 0; k < n; ++k) std::swap(a(r, k), a(col, k));
      ++swaps;
    }
    for (long r = col + 1; r < n; ++r) {
      const double f = a(r, col) / a(col, col);
      if (f == 0.0) continue;
      for (long k = col; k < n; ++k) a(r, k) -= f * a(col, k);
    }
  }
  double product = 1.0;
  logAbs = 0.0;
  for (long i = 0; i < n; ++i) {
    product *= a(i, i);
    logAbs += std::log(std::fabs(a(i, i)));
  }
  determinant = swaps % 2 ? -product : product;
  return RC_OK;
}

namespace {

SquareMatrix Correlation(const SquareMatrix& m) {
  const long n = m.n;
  SquareMatrix r(n);
  for (long i = 0; i < n; ++i)
    for (long j = 0; j < n; ++j) r(i, j) = m(i, j) / std::sqrt(m(i, i) * m(j, j));
  return r;
}

}  // namespace

bool RegularCorrelation(const SquareMatrix& m) {
  for (long i = 0; i < m.n; ++i)
    if (!(m(i, i) > 0.0)) return false;
  double determinant = 0.0, logAbs = 0.0;
  return MatrixDeterminant(Correlation(m), determinant, logAbs) == RC_OK && !std::isnan(logAbs) &&
         logAbs >= LogSingularLimit();
}

long ScaledInverse(const SquareMatrix& m, SquareMatrix& inverse) {
  SquareMatrix correlationInverse(m.n);
  if (long rc = MatrixInverse(Correlation(m), correlationInverse)) return rc;
  inverse = SquareMatrix(m.n);
  for (long i = 0; i < m.n; ++i)
    for (long j = 0; j < m.n; ++j) inverse(i, j) = correlationInverse(i, j) / std::sqrt(m(i, i) * m(j, j));
  return RC_OK;
}

long ScaleFreeInverse(const SquareMatrix& m, SquareMatrix& inverse) {
  const long rc = MatrixInverse(m, inverse);
  if (rc != RC_SINGULAR_MATRIX || !RegularCorrelation(m)) return rc;
  return ScaledInverse(m, inverse);
}

long MatrixInverse(const SquareMatrix& m, SquareMatrix& inverse) {
  double determinant = 0.0, logAbs = 0.0;
  if (long rc = MatrixDeterminant(m, determinant, logAbs)) return rc;
  if (std::isnan(logAbs) || logAbs < LogSingularLimit()) return RC_SINGULAR_MATRIX;
  return m.n <= kAdjugateMaxOrder ? AdjugateInverse(m, determinant, inverse) : GaussJordanInverse(m, inverse);
}

}  // namespace zt
