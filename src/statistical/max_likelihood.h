#pragma once
// The Gaussian maximum-likelihood model: one mean vector and covariance
// matrix per class, equal priors.
#include <vector>

#include "statistical/matrix.h"

namespace zt {

struct ClassGaussian {
  std::vector<double> mean;
  SquareMatrix covariance;
};

class CMaxLiklihood {
 public:
  CMaxLiklihood() = default;
  virtual ~CMaxLiklihood() { FreeModel(); }
  CMaxLiklihood(const CMaxLiklihood&) = delete;
  CMaxLiklihood& operator=(const CMaxLiklihood&) = delete;

  void SetModelSize(long bandCount, long classCount);
  long AllocateModel();
  void InitModel();
  // 1 (nothing copied) when the model is not allocated or index is out of range.
  long SetClassStatistics(const std::vector<double>& mean, const SquareMatrix& covariance, long index);
  // Determinant and inverse of every covariance: RC_SINGULAR_COVARIANCE for a
  // determinant that fails or is not a number, for a variance of 0, and for
  // a determinant below 1e-12 in size whose correlation matrix (the
  // covariance scaled by its diagonal) has one below 1e-12 too. Judging by
  // scale as well keeps scenes of small values (reflectances) usable; every
  // covariance with a determinant of 1e-12 or more is accepted as before.
  long PrepareModel();
  // classNo = 1 + the index of the class with the largest discriminant; ties
  // go to the lower class. threshold is not used.
  long ClassifyPixel(const double* x, long& classNo, double threshold);
  // The same with the caller's scratch of band-count values, so that
  // several threads may classify at once.
  long ClassifyPixel(const double* x, long& classNo, double threshold, double* deviation) const;
  void FreeModel();

  // Whether ClassifyRun may be used: up to 16 bands.
  bool ClassifiesRuns() const { return bandCount_ <= kSmallForm; }
  // classes[i] = the classNo of ClassifyPixel for the pixel whose band
  // values are bands[b][first + i], i < count, two pixels at a time.
  void ClassifyRun(const double* const* bands, long first, long count, double* classes) const;

 private:
  // Band counts up to this use the plain quadratic form and pixel runs;
  // larger ones a vectorised form, pixel by pixel.
  static constexpr long kSmallForm = 16;

  template <typename Value, typename Band>
  Value SmallFormClass(Band&& x) const;

  struct ClassRecord {
    double prior = 1.0;
    std::vector<double> mean;
    double determinant = 0.0;
    double logDeterminant = 0.0;  // ln |determinant|, finite for many bands
    double constant = 0.0;        // ln(prior) - ln(determinant) / 2
    SquareMatrix covariance{0};
    SquareMatrix inverse{0};
    // inverse[i][i] on the diagonal, inverse[i][j] + inverse[j][i] above it:
    // the quadratic form over half the terms.
    SquareMatrix upperForm{0};
  };

  std::vector<ClassRecord> classes_;
  long bandCount_ = 0;
  long classCount_ = 0;
  std::vector<double> deviation_;  // per-pixel scratch, allocated once
};

}  // namespace zt
