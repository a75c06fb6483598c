// The ART network classifier, and its model: the committed categories'
// weights (unit vectors).
#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "frame/decider_scratch.h"
#include "frame/avx2_build.h"
#include "frame/entry.h"
#include "frame/nearest_class.h"
#include "model/method_list.h"
#include "neural/art_network.h"
#include "neural/network_driver.h"
#include "ztclass/neural.h"

namespace zt {

namespace {

constexpr int kMainCaption = 11;
constexpr int kPassCaption = 2;

struct ARTSettings {
  long categories;
  double learningRate, noiseThreshold, vigilance;
  long maxIterations;
};

long Learn(const ARTSettings& s, double** patterns, long count, long* classCount, Model& model) {
  const long n = static_cast<long>(model.bands.size());
  CART network(n, s.categories);
  if (long rc = network.Create()) return rc;
  const long formed = network.Train(patterns, count, s.maxIterations, s.noiseThreshold, s.vigilance, s.learningRate);
  if (formed != network.CommittedCount()) return formed;
  std::vector<double> weights;
  for (long j = 0; j < formed; ++j) weights.insert(weights.end(), network.Weights(j), network.Weights(j) + n);
  model.parameters["noise"] = s.noiseThreshold;
  model.Put("categories", {formed, n}, std::move(weights));
  *classCount = formed;
  return RC_OK;
}

// The pixel made unit length without its small components, then the
// category closest in direction; the score is their dot product (the
// cosine of the angle between them).
class Decision {
 public:
  explicit Decision(const Model& m)
      : weights_(m.At("categories").values.data()),
        count_(m.At("categories").shape[0]),
        n_(m.At("categories").shape[1]),
        theta_(m.parameters.at("noise").get<double>()),
        x_(DeciderScratch(n_)) {}

  long Decide(const double* x, double* score) {
    std::copy(x, x + n_, x_.data());
    ArtNormalize(x_.data(), n_);
    ArtSuppressNoise(x_.data(), n_, theta_);
    return ArtBest(count_, [this](long j) { return weights_ + j * n_; }, x_.data(), n_, score) + 1;
  }

  // Decide for each of count pixels, x[band * kRunPixels + pixel] its
  // scaled values: each pixel through the operations of Decide in their
  // order, the pixels side by side in vector lanes.
  ZT_AVX2_BUILD void DecideRun(const double* x, long count, double* classes) {
    if (run_.empty()) run_.resize(n_ * kRunPixels);
    double* y = run_.data();
    UnitLengthRun(x, count, y);
    for (long b = 0; b < n_; ++b) {
      double* yb = y + b * kRunPixels;
#pragma omp simd
      for (long p = 0; p < count; ++p) yb[p] = std::fabs(yb[p]) <= theta_ ? 0.0 : yb[p];
    }
    UnitLengthRun(y, count, y);
    double best[kRunPixels], dot[kRunPixels];
    std::fill(best, best + count, kArtNoScore);
    std::fill(classes, classes + count, 1.0);
    for (long j = 0; j < count_; ++j) {
      const double* w = weights_ + j * n_;
      std::fill(dot, dot + count, 0.0);
      for (long b = 0; b < n_; ++b) {
        const double wb = w[b];
        const double* yb = y + b * kRunPixels;
#pragma omp simd
        for (long p = 0; p < count; ++p) dot[p] += wb * yb[p];
      }
      TakeBetterRun(dot, static_cast<double>(j + 1), count, std::greater<double>(), best, classes);
    }
  }

 private:
  // ArtNormalize for a run: out (which may be in) the pixels of in made
  // unit length.
  void UnitLengthRun(const double* in, long count, double* out) const {
    double length[kRunPixels];
    std::fill(length, length + count, 0.0);
    for (long b = 0; b < n_; ++b) {
      const double* v = in + b * kRunPixels;
#pragma omp simd
      for (long p = 0; p < count; ++p) length[p] += v[p] * v[p];
    }
    for (long p = 0; p < count; ++p) length[p] = std::sqrt(length[p]);
    for (long b = 0; b < n_; ++b) {
      const double* v = in + b * kRunPixels;
      double* o = out + b * kRunPixels;
#pragma omp simd
      for (long p = 0; p < count; ++p) o[p] = length[p] != 0.0 ? v[p] / length[p] : 0.0;
    }
  }

  const double* weights_;
  long count_, n_;
  double theta_;
  std::vector<double> x_;
  std::vector<double> run_;  // the run's pattern, [band * kRunPixels + pixel]
};

long Apply(const Model& model, ClassificationPass& pass) { return ApplyNetwork<Decision>(model, pass, kPassCaption); }

long Train(const TrainRequest& r, Model& model) {
  ParameterReader p(r.parameters, model.parameters);
  long categories = 0, interval = 0;
  ReadClusterParameters(r, p, categories, interval);
  const ARTSettings s{categories, p.Number("rate", 0.5, 0.0, 1.0), p.Number("noise", 0.0, 0.0, ZT_ART_NOISE_MAX),
                      p.Number("vigilance", 0.99, ZT_ART_VIGILANCE_MIN, ZT_ART_VIGILANCE_MAX),
                      p.Integer("passes", 5, 1, ZT_MAX_EPOCHS)};
  p.Finish();
  return TrainUnsupervisedNetwork(
      r, kMainCaption, categories, interval,
      [&](double** patterns, long count, long* classCount, Model& m) {
        return Learn(s, patterns, count, classCount, m);
      },
      model);
}

std::string Check(const Model& m) {
  if (std::string reason = FirstReason({CheckScaling(m), CheckNumberParameter(m, "noise", 0.0, 1.0),
                                        ExpectShape(m, "categories", {m.highestClass, m.BandCount()})});
      !reason.empty())
    return reason;
  return m.numbers.size() == 1 ? "" : "the model holds numbers besides its categories";
}

}  // namespace

const MethodEntry kARTMethod{"art", kMainCaption, Train, Apply, Check, NetworkScore<Decision>};

}  // namespace zt

using namespace zt;

long ztARTNNClass(void* source, long* bands, long bandCount, unsigned long clusterCount, long interval,
                  double learningRate, double noiseThreshold, double vigilance, long maxIterations, void* result,
                  long rows, long columns, long firstRow, long firstColumn) {
  return Framed([&] {
    const ARTSettings s{static_cast<long>(clusterCount), learningRate, noiseThreshold, vigilance, maxIterations};
    const NetworkCall call{source, bands, bandCount, result, Window{rows, columns, firstRow, firstColumn},
                           kMainCaption, kPassCaption};
    return RunUnsupervisedNetwork(
        call, clusterCount, interval,
        [&](double** patterns, long count, long* classCount, Model& model) {
          return Learn(s, patterns, count, classCount, model);
        },
        Apply);
  });
}
