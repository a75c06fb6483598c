// Supervised generalized minimum distance classifier: distances weighted by
// the inverse of each class's scatter matrix.
#include <algorithm>
#include <cmath>
#include <vector>

#include "frame/arguments.h"
#include "frame/entry.h"
#include "services/value_buffer.h"
#include "frame/nearest_class.h"
#include "statistical/supervised_training.h"
#include "ztclass/result_codes.h"
#include "ztclass/statistical.h"
#include "ztservices/imagebase.h"

namespace zt {

namespace {

constexpr int kCaption = 62;
constexpr int kScatterCaption = 61;
// A pivot this small against the matrix's largest element means the
// scatter matrix has no usable inverse.
constexpr double kPivotTolerance = 1e-12;

// The weights the distance needs of one class's inverse scatter matrix W:
// the distance is d = sum_r (x[r] - mu[r]) * t[r] with
// t[r] = sum_b (x[r] - mu[b]) * W[r][b] = x[r] * rowSum[r] - muW[r].
struct ClassWeights {
  std::vector<double> rowSum, muW, mean, deviation;
};

class ScatterPhase {
 public:
  ScatterPhase(SupervisedTraining& training) : training_(training), n_(training.Pass().BandCount()) {}

  // Builds and inverts the scatter matrix of every listed class.
  long Run(std::vector<ClassWeights>& weights) {
    const ClassStatistics& stats = training_.Statistics();
    const Window& w = training_.Pass().GetWindow();
    if (long rc = typed_.Allocate(training_.Pass().SourceType(), std::clamp(w.columns, 1L, kSpanColumns))) return rc;
    BeginPhase(kScatterCaption, static_cast<long>(stats.classList.size()) * w.rows);
    for (int k : stats.classList) {
      std::vector<double> scatter(n_ * n_, 0.0);
      if (long rc = Accumulate(k, scatter)) return rc;
      for (double& s : scatter) s /= stats.counts[k];
      ClassWeights cw;
      if (long rc = Invert(scatter, stats.counts[k], k, cw)) return rc;
      weights.push_back(std::move(cw));
    }
    return RC_OK;
  }

 private:
  // Sums of products of the raw band values of class k's training pixels,
  // read a row span at a time.
  long Accumulate(int k, std::vector<double>& scatter) {
    const ClassificationPass& pass = training_.Pass();
    const Window& w = pass.GetWindow();
    const long lastColumn = w.firstColumn + w.columns - 1;
    const long width = std::clamp(w.columns, 1L, kSpanColumns);
    std::vector<double> rowValues(n_ * width);
    for (long i = 0; i < w.rows; ++i) {
      if (StepAndCheckStop()) return RC_CANCELLED;
      const long row = w.firstRow + i;
      long first = 0, last = -1;
      training_.Mask().Row(row, w.firstColumn, lastColumn, [&](long runFirst, long runLast, int c) {
        if (c != k) return;
        if (last < first) first = runFirst;
        last = runLast;
      });
      for (long piece = first; piece <= last; piece += width) {
        const long span = std::min(width, last - piece + 1);
        for (long b = 0; b < n_; ++b) {
          if (long rc = ztRSRasterIO(pass.Bands()[b], ZTRS_Read, piece, row, span, 1, typed_.Data(), span, 1,
                                     pass.SourceType(), 0, 0))
            return rc;
          ztRSConvNValues(pass.SourceType(), typed_.Data(), span, &rowValues[b * span]);
        }
        training_.Mask().Row(row, piece, piece + span - 1, [&](long runFirst, long runLast, int c) {
          if (c != k) return;
          for (long j = runFirst - piece; j <= runLast - piece; ++j)
            for (long a = 0; a < n_; ++a)
              for (long b = a; b < n_; ++b) scatter[a * n_ + b] += rowValues[a * span + j] * rowValues[b * span + j];
        });
      }
    }
    for (long a = 0; a < n_; ++a)
      for (long b = 0; b < a; ++b) scatter[a * n_ + b] = scatter[b * n_ + a];
    return RC_OK;
  }

  // LU decomposition and one back-substitution per unit column. Fewer
  // training pixels than bands, or a pivot that vanishes against the
  // matrix, leave no usable inverse: RC_SINGULAR_MATRIX.
  long Invert(const std::vector<double>& scatter, long count, int k, ClassWeights& cw) {
    const int n = static_cast<int>(n_);
    if (count < n_) return RC_SINGULAR_MATRIX;
    double** a = ztDmatrix(1, n, 1, n);
    int* permutation = ztIvector(1, n);
    double* unit = ztDvector(1, n);
    std::vector<double> inverse(n_ * n_);
    long rc = a && permutation && unit ? RC_OK : RC_OUT_OF_MEMORY;
    if (rc == RC_OK) {
      double largest = 0.0;
      for (int r = 1; r <= n; ++r)
        for (int c = 1; c <= n; ++c) {
          a[r][c] = scatter[(r - 1) * n_ + (c - 1)];
          largest = std::max(largest, std::fabs(a[r][c]));
        }
      double sign = 0;
      rc = ztLudcmp(a, n, permutation, &sign) == 0 ? RC_OK : RC_SINGULAR_MATRIX;
      for (int i = 1; rc == RC_OK && i <= n; ++i)
        if (std::fabs(a[i][i]) <= kPivotTolerance * largest) rc = RC_SINGULAR_MATRIX;
      for (int q = 1; rc == RC_OK && q <= n; ++q) {
        std::fill(unit + 1, unit + n + 1, 0.0);
        unit[q] = 1.0;
        ztLubksb(a, n, permutation, unit);
        for (int r = 1; r <= n; ++r) inverse[(r - 1) * n_ + (q - 1)] = unit[r];
      }
    }
    if (a) ztFree_dmatrix(a, 1, n, 1, n);
    if (permutation) ztFree_ivector(permutation, 1, n);
    if (unit) ztFree_dvector(unit, 1, n);
    if (rc != RC_OK) return rc;

    const ClassStatistics& stats = training_.Statistics();
    cw.rowSum.assign(n_, 0.0);
    cw.muW.assign(n_, 0.0);
    for (long r = 0; r < n_; ++r) {
      cw.mean.push_back(stats.Mean(k, r));
      cw.deviation.push_back(stats.Deviation(k, r));
      for (long b = 0; b < n_; ++b) {
        cw.rowSum[r] += inverse[r * n_ + b];
        cw.muW[r] += stats.Mean(k, b) * inverse[r * n_ + b];
      }
    }
    return RC_OK;
  }

  SupervisedTraining& training_;
  long n_;
  ValueBuffer typed_;
};

long GeneralizedDistance(void* source, long* bands, long bandCount, void* result, const Window& w,
                         bool useDeviationTest, const float* deviationFactors) {
  ProgressSession progress;
  if (long rc = CheckCommonArguments(source, result, bandCount, w)) return rc;
  if (useDeviationTest && !deviationFactors) return RC_NULL_ARGUMENT;
  SupervisedTraining training(source, bands, bandCount, result, w);
  if (long rc = training.Prepare(progress, kCaption)) return rc;
  std::vector<ClassWeights> weights;
  if (long rc = ScatterPhase(training).Run(weights)) return rc;

  const std::vector<int>& classes = training.Statistics().classList;
  const long n = bandCount;
  const NoDataRule noData = training.Pass().NoData();
  return training.Pass().Run(kCaption, [&, pixel = std::vector<double>(n)](const PixelValues& values) mutable {
    if (IsNoData(noData, values, n)) return kNoDataClass;
    values.CopyTo(pixel.data(), n);
    const double* x = pixel.data();
    const size_t winner = NearestClass(classes.size(), [&](size_t j) {
      const ClassWeights& cw = weights[j];
      const double* mean = cw.mean.data();
      const double* rowSum = cw.rowSum.data();
      const double* muW = cw.muW.data();
      double d = 0.0;
#pragma omp simd reduction(+ : d)
      for (long r = 0; r < n; ++r) d += (x[r] - mean[r]) * (x[r] * rowSum[r] - muW[r]);
      return d;
    });
    const int k = classes[winner];
    if (useDeviationTest) {
      const ClassWeights& cw = weights[winner];
      const double factor = deviationFactors[k - 1];
      for (long b = 0; b < n; ++b)
        if (std::fabs(cw.mean[b] - x[b]) > cw.deviation[b] * factor) return 0.0;
    }
    return static_cast<double>(k);
  });
}

}  // namespace

}  // namespace zt

using namespace zt;

long ztGYMiniDistA(void* source, long* bands, long bandCount, void* result, long rows, long columns,
                   long firstRow, long firstColumn, float* deviationFactors) {
  return Framed([&] {
    return GeneralizedDistance(source, bands, bandCount, result, Window{rows, columns, firstRow, firstColumn},
                               true, deviationFactors);
  });
}

long ztGYMiniDistANew(void* source, long* bands, long bandCount, void* result, long rows, long columns,
                      long firstRow, long firstColumn, int useDeviationTest, float* deviationFactors) {
  return Framed([&] {
    return GeneralizedDistance(source, bands, bandCount, result, Window{rows, columns, firstRow, firstColumn},
                               useDeviationTest != 0, deviationFactors);
  });
}
