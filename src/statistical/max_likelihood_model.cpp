#include <cmath>
#include <new>

#include "statistical/max_likelihood.h"
#include "ztclass/result_codes.h"

namespace zt {

void CMaxLiklihood::SetModelSize(long bandCount, long classCount) {
  bandCount_ = bandCount;
  classCount_ = classCount;
}

long CMaxLiklihood::AllocateModel() {
  try {
    classes_.assign(classCount_, ClassRecord());
    for (ClassRecord& c : classes_) {
      c.mean.assign(bandCount_, 0.0);
      c.covariance = SquareMatrix(bandCount_);
      c.inverse = SquareMatrix(bandCount_);
    }
    deviation_.assign(bandCount_, 0.0);
    product_.assign(bandCount_, 0.0);
  } catch (const std::bad_alloc&) {
    FreeModel();
    return RC_OUT_OF_MEMORY;
  }
  return RC_OK;
}

void CMaxLiklihood::InitModel() {
  for (ClassRecord& c : classes_) {
    c.prior = 1.0;
    std::fill(c.mean.begin(), c.mean.end(), 0.0);
    std::fill(c.covariance.a.begin(), c.covariance.a.end(), 0.0);
    std::fill(c.inverse.a.begin(), c.inverse.a.end(), 0.0);
  }
}

long CMaxLiklihood::SetClassStatistics(const std::vector<double>& mean, const SquareMatrix& covariance,
                                       long index) {
  if (classes_.empty() || index < 0 || index >= classCount_ ||
      static_cast<long>(mean.size()) != bandCount_ || covariance.n != bandCount_)
    return 1;
  classes_[index].mean = mean;
  classes_[index].covariance = covariance;
  return 0;
}

long CMaxLiklihood::PrepareModel() {
  for (ClassRecord& c : classes_) {
    if (MatrixDeterminant(c.covariance, c.determinant, c.logDeterminant) != RC_OK ||
        std::isnan(c.logDeterminant) || c.logDeterminant < LogSingularLimit())
      return RC_SINGULAR_COVARIANCE;
  }
  for (ClassRecord& c : classes_)
    if (long rc = MatrixInverse(c.covariance, c.inverse)) return rc;
  return RC_OK;
}

long CMaxLiklihood::ClassifyPixel(const double* x, long& classNo, double) {
  const long n = bandCount_;
  double best = 0.0;
  for (long k = 0; k < classCount_; ++k) {
    const ClassRecord& c = classes_[k];
    for (long i = 0; i < n; ++i) deviation_[i] = x[i] - c.mean[i];
    // product_[i] = sum_j deviation_[j] * inverse[j][i], accumulated row by
    // row so that the inner loop runs over contiguous memory.
    std::fill(product_.begin(), product_.end(), 0.0);
    for (long j = 0; j < n; ++j) {
      const double dj = deviation_[j];
      const double* row = &c.inverse.a[j * n];
      for (long i = 0; i < n; ++i) product_[i] += dj * row[i];
    }
    double q = 0.0;
    for (long i = 0; i < n; ++i) q += deviation_[i] * product_[i];
    const double g = std::log(c.prior) - 0.5 * (c.logDeterminant + q);
    if (k == 0 || g > best) {
      best = g;
      classNo = k + 1;
    }
  }
  return RC_OK;
}

void CMaxLiklihood::FreeModel() {
  classes_.clear();
  classes_.shrink_to_fit();
  deviation_.clear();
  product_.clear();
}

}  // namespace zt
