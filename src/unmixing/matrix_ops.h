#pragma once
// Rectangular matrices and the two products the unmixing solvers are built
// from.
#include <cstddef>
#include <vector>

namespace zt {

struct Matrix {
  Matrix() = default;
  Matrix(long rowCount, long columnCount)
      : rows(rowCount), columns(columnCount), a(static_cast<size_t>(rowCount) * columnCount, 0.0) {}
  double& operator()(long row, long column) { return a[row * columns + column]; }
  double operator()(long row, long column) const { return a[row * columns + column]; }
  Matrix Transposed() const;

  long rows = 0;
  long columns = 0;
  std::vector<double> a;  // row-major
};

// out = a x b; RC_MATRIX_SIZE_MISMATCH when a's columns differ from b's rows.
long MatrixMultiply(const Matrix& a, const Matrix& b, Matrix& out);

// out (m.rows values) = m x v; RC_VECTOR_SIZE_MISMATCH when m's columns
// differ from the vector's length. Allocates nothing: it runs per pixel.
long MatrixVectorMultiply(const Matrix& m, const double* v, long length, double* out);

}  // namespace zt
