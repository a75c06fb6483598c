#include "unmixing/unmixing_model.h"

#include <cmath>

#include "statistical/matrix.h"
#include "ztclass/result_codes.h"

namespace zt {

namespace {

// The absolute determinant grows with the square of the values per class:
// on 16-bit values rounding alone leaves a dependent normal matrix far above
// the singular limit, and its inverse gives fractions without meaning. The
// correlation form judges it whatever the scale.
long Invert(const Matrix& m, Matrix& inverse) {
  SquareMatrix square(m.rows);
  square.a = m.a;
  SquareMatrix result;
  if (long rc = ScaleFreeInverse(square, result)) return rc;
  if (!RegularCorrelation(square)) return RC_SINGULAR_MATRIX;
  inverse = Matrix(m.rows, m.rows);
  inverse.a = result.a;
  return RC_OK;
}

// (AᵀXA)⁻¹AᵀX, the least-squares inverse of A under weight X.
long WeightedInverse(const Matrix& a, const Matrix& x, Matrix& p) {
  Matrix atx, normal, inverse;
  if (long rc = MatrixMultiply(a.Transposed(), x, atx)) return rc;
  if (long rc = MatrixMultiply(atx, a, normal)) return rc;
  if (long rc = Invert(normal, inverse)) return rc;
  return MatrixMultiply(inverse, atx, p);
}

Matrix Identity(long n) {
  Matrix m(n, n);
  for (long i = 0; i < n; ++i) m(i, i) = 1.0;
  return m;
}

}  // namespace

long EndmemberMatrix(const AOICELL* cells, long cellCount, long bandCount, long classCount, Matrix& e) {
  e = Matrix(bandCount, classCount);
  std::vector<long> counts(classCount, 0);
  for (long i = 0; i < cellCount; ++i) {
    const long k = cells[i].classNo - 1;
    ++counts[k];
    for (long b = 0; b < bandCount; ++b) e(b, k) += cells[i].values[b];
  }
  for (long k = 0; k < classCount; ++k) {
    if (counts[k] == 0) return RC_TOO_FEW_SAMPLES;
    for (long b = 0; b < bandCount; ++b) e(b, k) /= counts[k];
  }
  return RC_OK;
}

long UnmixingMatrix(const Matrix& e, Matrix& p) {
  const long bands = e.rows, classes = e.columns;
  if (classes <= bands) return WeightedInverse(e, Identity(bands), p);

  Matrix m(2 * bands, classes);
  for (long r = 0; r < 2 * bands; ++r)
    for (long k = 0; k < classes; ++k) m(r, k) = e(r % bands, k);
  Matrix w(2 * bands, 2 * bands);
  for (long i = 0; i < 2 * bands; ++i)
    for (long j = 0; j < 2 * bands; ++j) w(i, j) = (i < bands) != (j < bands) || i == j ? 1.0 : 0.0;
  Matrix full;
  if (long rc = WeightedInverse(m, w, full)) return rc;
  p = Matrix(classes, bands);
  for (long k = 0; k < classes; ++k)
    for (long b = 0; b < bands; ++b) p(k, b) = full(k, b);
  return RC_OK;
}

void PixelFractions(const Matrix& p, const double* y, double* fractions) {
  MatrixVectorMultiply(p, y, p.columns, fractions);
  double sum = 0.0;
  for (long k = 0; k < p.rows; ++k) {
    if (!(fractions[k] > 0.0)) fractions[k] = 0.0;
    sum += fractions[k];
  }
  const bool usable = sum > 0.0 && std::isfinite(sum);
  for (long k = 0; k < p.rows; ++k) fractions[k] = usable ? fractions[k] / sum : 0.0;
}

}  // namespace zt
