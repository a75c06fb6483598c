// Supervised generalized minimum distance classifier: distances weighted by
// the inverse of each class's scatter matrix.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "frame/arguments.h"
#include "frame/decider_scratch.h"
#include "frame/entry.h"
#include "frame/nearest_class.h"
#include "model/method_list.h"
#include "model/parameters.h"
#include "services/value_buffer.h"
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
          for (long j = runFirst - piece; j <= runLast - piece; ++j) {
            if (!Teaches(pass.NoData(), rowValues, n_, span, j)) continue;
            for (long a = 0; a < n_; ++a)
              for (long b = a; b < n_; ++b) scatter[a * n_ + b] += rowValues[a * span + j] * rowValues[b * span + j];
          }
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

// The weights of every class with training pixels, and its rejection
// limits: each band's deviation times the class's factor.
long Learn(SupervisedTraining& training, bool useDeviationTest, const float* deviationFactors, Model& model) {
  std::vector<ClassWeights> weights;
  if (long rc = ScatterPhase(training).Run(weights)) return rc;
  const std::vector<int>& classes = training.Statistics().classList;
  const long n = training.Pass().BandCount(), count = static_cast<long>(classes.size());
  std::vector<double> means, rowSums, meanWeights, limits;
  for (size_t j = 0; j < classes.size(); ++j) {
    const ClassWeights& cw = weights[j];
    means.insert(means.end(), cw.mean.begin(), cw.mean.end());
    rowSums.insert(rowSums.end(), cw.rowSum.begin(), cw.rowSum.end());
    meanWeights.insert(meanWeights.end(), cw.muW.begin(), cw.muW.end());
    if (useDeviationTest) {
      const double factor = deviationFactors[classes[j] - 1];
      for (long b = 0; b < n; ++b) limits.push_back(cw.deviation[b] * factor);
    }
  }
  model.Put("means", {count, n}, std::move(means));
  model.Put("row-sums", {count, n}, std::move(rowSums));
  model.Put("mean-weights", {count, n}, std::move(meanWeights));
  model.Put("deviation-limits", {useDeviationTest ? count : 0, n}, std::move(limits));
  training.KeepClasses(model);
  return RC_OK;
}

long Apply(const Model& model, ClassificationPass& pass) {
  if (long rc = WriteModelClasses(model, pass)) return rc;
  const std::vector<double>& classes = model.At("classes").values;
  const std::vector<double>& means = model.At("means").values;
  const std::vector<double>& rowSums = model.At("row-sums").values;
  const std::vector<double>& meanWeights = model.At("mean-weights").values;
  const std::vector<double>& limits = model.At("deviation-limits").values;
  const long n = pass.BandCount();
  const NoDataRule noData = pass.NoData();
  return pass.Run(kCaption, [&, pixel = DeciderScratch(n)](const PixelValues& values) mutable {
    if (IsNoData(noData, values, n)) return kNoDataClass;
    values.CopyTo(pixel.data(), n);
    const double* x = pixel.data();
    const size_t winner = NearestClass(classes.size(), [&](size_t j) {
      const double* mean = &means[j * n];
      const double* rowSum = &rowSums[j * n];
      const double* muW = &meanWeights[j * n];
      double d = 0.0;
#pragma omp simd reduction(+ : d)
      for (long r = 0; r < n; ++r) d += (x[r] - mean[r]) * (x[r] * rowSum[r] - muW[r]);
      return d;
    });
    if (!limits.empty()) {
      const double* mean = &means[winner * n];
      const double* limit = &limits[winner * n];
      for (long b = 0; b < n; ++b)
        if (std::fabs(mean[b] - x[b]) > limit[b]) return 0.0;
    }
    return classes[winner];
  });
}

long GeneralizedDistance(void* source, long* bands, long bandCount, void* result, const Window& w,
                         bool useDeviationTest, const float* deviationFactors) {
  ProgressSession progress;
  if (long rc = CheckCommonArguments(source, result, bandCount, w)) return rc;
  if (useDeviationTest && !deviationFactors) return RC_NULL_ARGUMENT;
  SupervisedTraining training(source, bands, bandCount, result, w);
  if (long rc = training.Prepare(progress, kCaption)) return rc;
  Model model;
  if (long rc = Learn(training, useDeviationTest, deviationFactors, model)) return rc;
  return Apply(model, training.Pass());
}

long Train(const TrainRequest& r, Model& model) {
  ProgressSession progress;
  if (long rc = CheckSourceArguments(r.source, r.bandCount, r.window)) return rc;
  SupervisedTraining training(r.source, r.bands, r.bandCount, nullptr, r.window);
  if (long rc = training.Prepare(progress, kCaption)) return rc;
  training.RequireEveryClass();
  ParameterReader p(r.parameters, model.parameters);
  const bool useDeviationTest = p.Flag("dev-test", true);
  const std::vector<float> factors =
      p.PerClass("dev-factor", 3.0, static_cast<long>(training.ClassAois().size()), 0.0, 1e30);
  p.Finish();
  return Learn(training, useDeviationTest, factors.data(), model);
}

std::string Check(const Model& model) {
  const long count = model.numbers.count("classes") ? static_cast<long>(model.At("classes").values.size()) : 0;
  const long n = model.BandCount();
  for (std::string reason : {ExpectClassList(model, "classes"), ExpectShape(model, "means", {count, n}),
                             ExpectShape(model, "row-sums", {count, n}), ExpectShape(model, "mean-weights", {count, n}),
                             ExpectShape(model, "deviation-limits", {count, n}, true)})
    if (!reason.empty()) return reason;
  return "";
}

}  // namespace

const MethodEntry kGeneralizedDistanceMethod{"gmindist", kCaption, Train, Apply, Check};

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
