#pragma once
// Determinant and inverse of small dense matrices, for the class models.
#include <vector>

namespace zt {

struct SquareMatrix {
  explicit SquareMatrix(long order = 0) : n(order), a(order * order, 0.0) {}
  double& operator()(long row, long column) { return a[row * n + column]; }
  double operator()(long row, long column) const { return a[row * n + column]; }

  long n;
  std::vector<double> a;  // row-major
};

// Gaussian elimination, swapping in the first lower row only when a pivot is
// exactly 0. An all-zero row or column gives determinant 0 and
// RC_OUT_OF_MEMORY (the code callers of this routine have always seen); a
// column without a non-zero pivot gives 0 and RC_SINGULAR_MATRIX. Order 0
// gives 1. logAbs receives ln |determinant|, which stays finite where the
// determinant itself would overflow or underflow (many bands).
long MatrixDeterminant(const SquareMatrix& m, double& determinant, double& logAbs);

// The inverse. A determinant below 1e-12 in absolute value gives
// RC_SINGULAR_MATRIX; a failing determinant its code. Up to
// kAdjugateMaxOrder the inverse is the adjugate over the determinant, a
// cofactor whose minor is singular counting 0; above it, Gauss-Jordan
// elimination with partial pivoting, which costs O(n^3) instead of O(n^5).
constexpr long kAdjugateMaxOrder = 4;
long MatrixInverse(const SquareMatrix& m, SquareMatrix& inverse);

// The two ways MatrixInverse takes, for matrices that passed its checks.
long AdjugateInverse(const SquareMatrix& m, double determinant, SquareMatrix& inverse);
long GaussJordanInverse(const SquareMatrix& m, SquareMatrix& inverse);

// The smallest determinant the models accept, as a logarithm.
double LogSingularLimit();

// Whether a symmetric matrix with positive diagonal (a covariance, a normal
// matrix) is regular when judged by its correlation form, which does not
// depend on the scale of the values: a reflectance scene of values 0..1 has
// determinants near 1e-20 that say nothing about singularity.
bool RegularCorrelation(const SquareMatrix& m);

// The inverse through the correlation form: M = D R D with D the square
// roots of the diagonal, so M^-1 = D^-1 R^-1 D^-1.
long ScaledInverse(const SquareMatrix& m, SquareMatrix& inverse);

// MatrixInverse, except that a matrix failing its absolute determinant test
// is judged by RegularCorrelation and, when regular, inverted by
// ScaledInverse; a matrix that passes is inverted as MatrixInverse does.
long ScaleFreeInverse(const SquareMatrix& m, SquareMatrix& inverse);

}  // namespace zt
