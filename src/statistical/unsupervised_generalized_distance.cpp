// Unsupervised generalized minimum distance classifier: distances weighted
// by the inverse of each initial class's scatter matrix.
#include <string>
#include <vector>

#include "frame/decider_scratch.h"
#include "frame/entry.h"
#include "frame/nearest_class.h"
#include "model/method_list.h"
#include "services/value_buffer.h"
#include "statistical/class_colours.h"
#include "statistical/supervised_training.h"
#include "statistical/unsupervised_training.h"
#include "ztclass/classinfo.h"
#include "ztclass/result_codes.h"
#include "ztclass/unsupervised.h"
#include "ztservices/matrix.h"

namespace zt {

namespace {

constexpr int kCaption = 60;
constexpr int kScatterCaption = 61;
constexpr unsigned long kLargestInt8 = 127;

// The weights of one class's inverse scatter matrix W that the distance
// needs: d = sum_a (x[a] - m[a]) * t[a] with
// t[a] = sum_b W[a][b] * (x[a] - m[b]) = x[a] * rowSum[a] - mW[a].
struct ClassWeights {
  std::vector<double> mean, rowSum, mW;
};

// The samples' classes go into the result at their window-relative
// positions, one pixel a write, before the scatter matrices are built.
long WriteSampleClasses(UnsupervisedTraining& training) {
  ClassificationPass& pass = training.Pass();
  const SampleGrid& grid = training.Grid();
  const ZTRSDataType type = ztRSGetDatasetType(pass.Result());
  ValueBuffer one;
  if (one.Allocate(type, 1) != RC_OK) return RC_OK;
  const std::vector<unsigned char>& sampleClass = training.Classes().sampleClass;
  long index = 0;
  for (long j = 0; j < grid.Rows(); ++j)
    for (long i = 0; i < grid.Columns(); ++i, ++index) {
      if (sampleClass[index] == 0) continue;
      const double k = sampleClass[index];
      ztConvNDValues(&k, type, one.Data(), 1);
      if (long rc = ztRSRasterIO(pass.ResultBand(), ZTRS_Write, i * grid.s, j * grid.s, 1, 1, one.Data(), 1, 1, type,
                                 0, 0))
        return rc;
    }
  return RC_OK;
}

// Sums of products of the raw values of each class's samples, all classes
// in one walk over the grid (each class's samples are summed in grid order,
// as a walk per class would), then their inverses.
long ScatterInverses(UnsupervisedTraining& training, std::vector<ClassWeights>& weights) {
  const InitialClasses& classes = training.Classes();
  const SampleGrid& grid = training.Grid();
  const long n = classes.bandCount;
  const long m = static_cast<long>(classes.candidates.size());
  std::vector<long> position(kClassTableSize, -1);
  for (long p = 0; p < m; ++p) position[classes.candidates[p]] = p;
  std::vector<double> scatter(m * n * n, 0.0);
  BeginPhase(kScatterCaption, (grid.w.rows / grid.s) * m);
  long index = 0;
  for (long j = 0; j < grid.Rows(); ++j) {
    for (long step = 0; step < m; ++step)
      if (StepAndCheckStop()) return RC_CANCELLED;
    const double* row = training.Reader().Row(j);
    if (long rc = training.Reader().Failure()) return rc;
    for (long i = 0; i < grid.Columns(); ++i, ++index) {
      const int k = classes.sampleClass[index];
      if (k == 0) continue;
      const double* sample = row + i * n;
      double* s = &scatter[position[k] * n * n];
      for (long a = 0; a < n; ++a)
        for (long b = a; b < n; ++b) s[a * n + b] += sample[a] * sample[b];
    }
  }
  std::vector<double> inverse(n * n);
  for (long p = 0; p < m; ++p) {
    const int k = classes.candidates[p];
    double* s = &scatter[p * n * n];
    for (long a = 0; a < n; ++a)
      for (long b = a; b < n; ++b) s[b * n + a] = s[a * n + b] /= static_cast<double>(classes.counts[k]);
    if (ztInverseMatrix1(s, n, false, inverse.data()) == 0) return RC_MATRIX_NOT_INVERTIBLE;
    ClassWeights w;
    w.rowSum.assign(n, 0.0);
    w.mW.assign(n, 0.0);
    for (long a = 0; a < n; ++a) {
      w.mean.push_back(classes.Mean(k, a));
      for (long b = 0; b < n; ++b) {
        w.rowSum[a] += inverse[a * n + b];
        w.mW[a] += inverse[a * n + b] * classes.Mean(k, b);
      }
    }
    weights.push_back(std::move(w));
  }
  return RC_OK;
}

long Learn(UnsupervisedTraining& training, Model& model, const std::vector<long>& displayBands) {
  std::vector<ClassWeights> weights;
  if (long rc = ScatterInverses(training, weights)) return rc;
  const std::vector<int>& list = training.Classes().candidates;
  const long n = training.Pass().BandCount(), count = static_cast<long>(list.size());
  std::vector<double> means, rowSums, meanWeights;
  for (const ClassWeights& w : weights) {
    means.insert(means.end(), w.mean.begin(), w.mean.end());
    rowSums.insert(rowSums.end(), w.rowSum.begin(), w.rowSum.end());
    meanWeights.insert(meanWeights.end(), w.mW.begin(), w.mW.end());
  }
  model.Put("means", {count, n}, std::move(means));
  model.Put("row-sums", {count, n}, std::move(rowSums));
  model.Put("mean-weights", {count, n}, std::move(meanWeights));
  KeepUnsupervisedClasses(model, training.HighestClass(), list, displayBands);
  return RC_OK;
}

long Apply(const Model& model, ClassificationPass& pass) {
  const bool colourVariant = !model.displayBands.empty();
  if (!colourVariant)
    if (long rc = WriteModelClasses(model, pass)) return rc;
  const std::vector<double>& list = model.At("classes").values;
  const std::vector<double>& means = model.At("means").values;
  const std::vector<double>& rowSums = model.At("row-sums").values;
  const std::vector<double>& meanWeights = model.At("mean-weights").values;
  const long n = pass.BandCount();
  const NoDataRule noData = pass.NoData();
  FinalTotals totals(n);
  if (long rc = pass.Run(
          kCaption,
          [&, pixel = DeciderScratch(n)](const PixelValues& values) mutable {
        if (IsNoData(noData, values, n)) return kNoDataClass;
        values.CopyTo(pixel.data(), n);
        const double* x = pixel.data();
        const size_t winner = NearestClass(list.size(), [&](size_t p) {
          const double* mean = &means[p * n];
          const double* rowSum = &rowSums[p * n];
          const double* mW = &meanWeights[p * n];
          double d = 0.0;
#pragma omp simd reduction(+ : d)
          for (long r = 0; r < n; ++r) d += (x[r] - mean[r]) * (x[r] * rowSum[r] - mW[r]);
          return d;
        });
        if (colourVariant) totals.Add(static_cast<int>(list[winner]), values);
        return list[winner];
      },
          // The class totals add up in pixel order.
          colourVariant ? Deciders::kOneInOrder : Deciders::kWorkers))
    return rc;
  return colourVariant ? WriteFinalClassAtt(pass, model.displayBands.data(), model.highestClass, totals) : RC_OK;
}

long UnsupervisedGeneralizedDistance(const UnsupervisedArguments& a) {
  ProgressSession progress;
  UnsupervisedTraining training(a);
  if (long rc = training.Check()) return rc;
  // The samples' classes are read back from the result: it must hold 1..K.
  if (ztRSGetDatasetType(a.result) == ZTRS_Int8 && a.classCount > kLargestInt8) return RC_BAD_WINDOW;
  if (long rc = training.Prepare(progress, kCaption)) return rc;
  if (long rc = WriteSampleClasses(training)) return rc;
  std::vector<long> displayBands;
  if (a.displayBands) displayBands.assign(a.displayBands, a.displayBands + 3);
  Model model;
  if (long rc = Learn(training, model, displayBands)) return rc;
  return Apply(model, training.Pass());
}

long Train(const TrainRequest& r, Model& model) { return TrainUnsupervised(r, model, kCaption, Learn); }

std::string Check(const Model& model) {
  const long count = model.numbers.count("classes") ? static_cast<long>(model.At("classes").values.size()) : 0;
  const long n = model.BandCount();
  for (std::string reason : {ExpectClassList(model, "classes"), ExpectShape(model, "means", {count, n}),
                             ExpectShape(model, "row-sums", {count, n}), ExpectShape(model, "mean-weights", {count, n})})
    if (!reason.empty()) return reason;
  return "";
}

}  // namespace

const MethodEntry kClusterGeneralizedDistanceMethod{"cluster-gmindist", kCaption, Train, Apply, Check};

}  // namespace zt

using namespace zt;

long ztFJDGYMiniDist(void* source, long* bands, long bandCount, unsigned long classCount, long interval,
                     void* result, long rows, long columns, long firstRow, long firstColumn) {
  return Framed([&] {
    return UnsupervisedGeneralizedDistance(
        {source, bands, bandCount, classCount, interval, result, {rows, columns, firstRow, firstColumn}, nullptr});
  });
}

long ztFJDGYMiniDistNew(void* source, long* bands, long bandCount, unsigned long classCount, long interval,
                        void* result, long rows, long columns, long firstRow, long firstColumn, long* displayBands) {
  return Framed([&] {
    return UnsupervisedGeneralizedDistance({source, bands, bandCount, classCount, interval, result,
                                            {rows, columns, firstRow, firstColumn}, displayBands});
  });
}
