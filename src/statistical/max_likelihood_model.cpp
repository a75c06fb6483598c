#include <cmath>
#include <new>

#include "frame/avx2_build.h"
#include "frame/pixel_pair.h"
#include "statistical/max_likelihood.h"
#include "ztclass/result_codes.h"

namespace zt {

namespace {

// q = sum_i sum_j d[i] d[j] inverse[j][i], as sum_i d[i] * sum_{j >= i}
// upper[i][j] d[j]; Value is a double or a PixelPair.
template <typename Value>
inline Value SmallQuadraticForm(const Value* d, const double* upper, long n) {
  Value q{};
  for (long i = 0; i < n; ++i) {
    const double* row = upper + i * n;
    Value inner{};
    for (long j = i; j < n; ++j) inner += row[j] * d[j];
    q += d[i] * inner;
  }
  return q;
}

// The same for many bands: the inner sums are vectorised, and processors
// with AVX2 get a build of their own.
ZT_AVX2_BUILD
double LargeQuadraticForm(const double* d, const double* upper, long n) {
  double q = 0.0;
  for (long i = 0; i < n; ++i) {
    const double* row = upper + i * n;
    double inner = 0.0;
#pragma omp simd reduction(+ : inner)
    for (long j = i; j < n; ++j) inner += row[j] * d[j];
    q += d[i] * inner;
  }
  return q;
}

}  // namespace

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
        std::isnan(c.logDeterminant))
      return RC_SINGULAR_COVARIANCE;
    if (c.logDeterminant < LogSingularLimit() && !RegularCorrelation(c.covariance))
      return RC_SINGULAR_COVARIANCE;
  }
  for (ClassRecord& c : classes_) {
    const long rc = c.logDeterminant >= LogSingularLimit() ? MatrixInverse(c.covariance, c.inverse)
                                                           : ScaledInverse(c.covariance, c.inverse);
    if (rc) return rc;
    c.upperForm = SquareMatrix(bandCount_);
    for (long i = 0; i < bandCount_; ++i) {
      c.upperForm(i, i) = c.inverse(i, i);
      for (long j = i + 1; j < bandCount_; ++j) c.upperForm(i, j) = c.inverse(i, j) + c.inverse(j, i);
    }
    c.constant = std::log(c.prior) - 0.5 * c.logDeterminant;
  }
  return RC_OK;
}

long CMaxLiklihood::ClassifyPixel(const double* x, long& classNo, double threshold) {
  return ClassifyPixel(x, classNo, threshold, deviation_.data());
}

template <typename Value, typename Band>
Value CMaxLiklihood::SmallFormClass(Band&& x) const {
  const long n = bandCount_;
  Value deviation[kSmallForm];
  Value best{}, classNo{};
  for (long k = 0; k < classCount_; ++k) {
    const ClassRecord& c = classes_[k];
    for (long i = 0; i < n; ++i) deviation[i] = x(i) - c.mean[i];
    const Value g = c.constant - 0.5 * SmallQuadraticForm(deviation, c.upperForm.a.data(), n);
    const auto larger = g > best;
    best = k == 0 ? g : larger ? g : best;
    classNo = k == 0 ? Value{} + 1.0 : larger ? Value{} + static_cast<double>(k + 1) : classNo;
  }
  return classNo;
}

void CMaxLiklihood::ClassifyRun(const double* const* bands, long first, long count, double* classes) const {
  long i = 0;
  for (; i + 1 < count; i += 2) {
    const PixelPair classNo = SmallFormClass<PixelPair>([&](long b) { return LoadPair(bands[b] + first + i); });
    classes[i] = classNo[0];
    classes[i + 1] = classNo[1];
  }
  if (i < count) classes[i] = SmallFormClass<double>([&](long b) { return bands[b][first + i]; });
}

long CMaxLiklihood::ClassifyPixel(const double* x, long& classNo, double, double* deviation) const {
  const long n = bandCount_;
  double best = 0.0;
  for (long k = 0; k < classCount_; ++k) {
    const ClassRecord& c = classes_[k];
    const double* mean = c.mean.data();
    for (long i = 0; i < n; ++i) deviation[i] = x[i] - mean[i];
    const double q = n <= kSmallForm ? SmallQuadraticForm(deviation, c.upperForm.a.data(), n)
                                     : LargeQuadraticForm(deviation, c.upperForm.a.data(), n);
    // ln(prior) - (ln(determinant) + q) / 2
    const double g = c.constant - 0.5 * q;
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
}

}  // namespace zt
