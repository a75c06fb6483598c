#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "ztservices/matrix.h"

long ztInverseMatrix1(const double* a, long n, bool flag, double* inverse) {
  if (!a || !inverse || n < 1) return 0;
  const size_t size = static_cast<size_t>(n);
  // n x n doubles that no memory holds: the product would wrap around.
  if (size > std::numeric_limits<size_t>::max() / sizeof(double) / size) return 0;
  std::vector<double> m(a, a + size * size);
  double largest = 0.0;
  for (double v : m) largest = std::max(largest, std::fabs(v));
  const double threshold = largest * 1e-12;
  if (largest == 0.0) return 0;

  std::vector<double> inv(size * size, 0.0);
  for (size_t i = 0; i < size; ++i) inv[i * size + i] = 1.0;
  for (size_t col = 0; col < size; ++col) {
    size_t pivot = col;
    for (size_t r = col + 1; r < size; ++r)
      if (std::fabs(m[r * size + col]) > std::fabs(m[pivot * size + col])) pivot = r;
    if (std::fabs(m[pivot * size + col]) <= threshold) return 0;
    if (pivot != col)
      for (size_t k = 0; k < size; ++k) {
        std::swap(m[pivot * size + k], m[col * size + k]);
        std::swap(inv[pivot * size + k], inv[col * size + k]);
      }
    const double p = m[col * size + col];
    for (size_t k = 0; k < size; ++k) {
      m[col * size + k] /= p;
      inv[col * size + k] /= p;
    }
    for (size_t r = 0; r < size; ++r) {
      if (r == col) continue;
      const double f = m[r * size + col];
      if (f == 0.0) continue;
      for (size_t k = 0; k < size; ++k) {
        m[r * size + k] -= f * m[col * size + k];
        inv[r * size + k] -= f * inv[col * size + k];
      }
    }
  }
  std::copy(inv.begin(), inv.end(), inverse);
  return 1;
}
