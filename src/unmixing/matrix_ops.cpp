#include "unmixing/matrix_ops.h"

#include "ztclass/result_codes.h"

namespace zt {

Matrix Matrix::Transposed() const {
  Matrix t(columns, rows);
  for (long r = 0; r < rows; ++r)
    for (long c = 0; c < columns; ++c) t(c, r) = (*this)(r, c);
  return t;
}

long MatrixMultiply(const Matrix& a, const Matrix& b, Matrix& out) {
  if (a.columns != b.rows) return RC_MATRIX_SIZE_MISMATCH;
  out = Matrix(a.rows, b.columns);
  for (long r = 0; r < a.rows; ++r)
    for (long k = 0; k < a.columns; ++k) {
      const double f = a(r, k);
      for (long c = 0; c < b.columns; ++c) out(r, c) += f * b(k, c);
    }
  return RC_OK;
}

long MatrixVectorMultiply(const Matrix& m, const double* v, long length, double* out) {
  if (m.columns != length) return RC_VECTOR_SIZE_MISMATCH;
  const double* row = m.a.data();
  for (long r = 0; r < m.rows; ++r, row += m.columns) {
    double sum = 0.0;
    for (long c = 0; c < m.columns; ++c) sum += row[c] * v[c];
    out[r] = sum;
  }
  return RC_OK;
}

}  // namespace zt
