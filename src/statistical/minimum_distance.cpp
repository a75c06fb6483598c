// Supervised minimum distance classifier with rejection tests.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "frame/arguments.h"
#include "frame/entry.h"
#include "model/method_list.h"
#include "model/parameters.h"
#include "statistical/nearest_mean.h"
#include "statistical/supervised_training.h"
#include "ztclass/result_codes.h"
#include "ztclass/statistical.h"

namespace zt {

namespace {

constexpr int kCaption = 64;

struct Rejection {
  bool useDeviation;
  const float* deviationFactors;
  bool useMax;
  const float* maxDeviations;
};

// The nearest class mean of each pixel, then the rejection tests against
// that class alone: a pixel is rejected when any band fails either test.
struct Decision {
  const std::vector<double>& means;  // contiguous per class
  const std::vector<double>& deviationLimits;  // the same layout; empty without the test
  const std::vector<double>& maxLimits;        // the same layout; empty without the test
  const std::vector<int>& classes;
  long n;
  NoDataRule noData;
  NearestMeans nearest{};

  // Whether a pixel (x(b) its value in band b, a double or a PixelPair) lies
  // further than a limit from its class mean in any band; of(v, b) is the
  // value of class-band table v for its class.
  template <typename Value, typename Band, typename OfClass>
  auto Rejected(Band&& x, OfClass&& of) const {
    decltype(Value{} > Value{}) rejected{};
    for (long b = 0; b < n; ++b) {
      const Value distance = Magnitude(of(means, b) - x(b));
      if (!deviationLimits.empty()) rejected = rejected | (distance > of(deviationLimits, b));
      if (!maxLimits.empty()) rejected = rejected | (distance > of(maxLimits, b));
    }
    return rejected;
  }
  static double Magnitude(double v) { return std::fabs(v); }
  // Lane by lane as std::fabs: a NaN stays NaN, and -0 compares as 0.
  static PixelPair Magnitude(PixelPair v) { return v < 0.0 ? -v : v; }

  void DecideRun(const double* const* bands, long first, long count, double* out) {
    nearest.Find(means.data(), classes.size(), n, bands, first, count);
    const size_t* winner = nearest.Winners();
    long i = 0;
    for (; i + 1 < count; i += 2) {
      const size_t one = winner[i] * n, other = winner[i + 1] * n;
      const auto rejected = Rejected<PixelPair>(
          [&](long b) { return LoadPair(bands[b] + first + i); },
          [&](const std::vector<double>& v, long b) { return PixelPair{v[one + b], v[other + b]}; });
      out[i] = rejected[0] ? 0.0 : classes[winner[i]];
      out[i + 1] = rejected[1] ? 0.0 : classes[winner[i + 1]];
    }
    if (i < count) {
      const size_t offset = winner[i] * n;
      const bool rejected = Rejected<double>([&](long b) { return bands[b][first + i]; },
                                             [&](const std::vector<double>& v, long b) { return v[offset + b]; });
      out[i] = rejected ? 0.0 : classes[winner[i]];
    }
    MarkNoData(noData, bands, n, first, count, out);
  }
};

// The class means and rejection limits of the classes with training
// pixels: a band's deviation times its class's factor, and the class's
// maximum.
long Learn(SupervisedTraining& training, const Rejection& reject, Model& model) {
  const ClassStatistics& stats = training.Statistics();
  const std::vector<int>& classes = stats.classList;
  const long n = training.Pass().BandCount();
  const long count = static_cast<long>(classes.size());
  std::vector<double> means, deviationLimits, maxLimits;
  for (int k : classes)
    for (long b = 0; b < n; ++b) {
      means.push_back(stats.Mean(k, b));
      if (reject.useDeviation) deviationLimits.push_back(stats.Deviation(k, b) * double(reject.deviationFactors[k - 1]));
      if (reject.useMax) maxLimits.push_back(reject.maxDeviations[k - 1]);
    }
  model.Put("means", {count, n}, std::move(means));
  model.Put("deviation-limits", {reject.useDeviation ? count : 0, n}, std::move(deviationLimits));
  model.Put("max-limits", {reject.useMax ? count : 0, n}, std::move(maxLimits));
  training.KeepClasses(model);
  return RC_OK;
}

long Apply(const Model& model, ClassificationPass& pass) {
  if (long rc = WriteModelClasses(model, pass)) return rc;
  const std::vector<double>& list = model.At("classes").values;
  const std::vector<int> classes(list.begin(), list.end());
  return pass.Run(kCaption, Decision{model.At("means").values, model.At("deviation-limits").values,
                                     model.At("max-limits").values, classes, pass.BandCount(), pass.NoData()});
}

long MinimumDistance(void* source, long* bands, long bandCount, void* result, const Window& w,
                     const Rejection& reject) {
  ProgressSession progress;
  if (long rc = CheckCommonArguments(source, result, bandCount, w)) return rc;
  if ((reject.useDeviation && !reject.deviationFactors) || (reject.useMax && !reject.maxDeviations))
    return RC_NULL_ARGUMENT;
  SupervisedTraining training(source, bands, bandCount, result, w);
  if (long rc = training.Prepare(progress, kCaption)) return rc;
  Model model;
  if (long rc = Learn(training, reject, model)) return rc;
  return Apply(model, training.Pass());
}

long Train(const TrainRequest& r, Model& model) {
  ProgressSession progress;
  if (long rc = CheckSourceArguments(r.source, r.bandCount, r.window)) return rc;
  SupervisedTraining training(r.source, r.bands, r.bandCount, nullptr, r.window);
  if (long rc = training.Prepare(progress, kCaption)) return rc;
  training.RequireEveryClass();
  const long classCount = static_cast<long>(training.ClassAois().size());
  ParameterReader p(r.parameters, model.parameters);
  const bool useDeviation = p.Flag("dev-test", true);
  const std::vector<float> factors = p.PerClass("dev-factor", 3.0, classCount, 0.0, 1e30);
  const bool useMax = p.Flag("max-test", true);
  const std::vector<float> maxima =
      p.PerClass("max-dev", std::numeric_limits<float>::max(), classCount, 0.0, std::numeric_limits<float>::max());
  p.Finish();
  return Learn(training, Rejection{useDeviation, factors.data(), useMax, maxima.data()}, model);
}

std::string Check(const Model& model) {
  const long count = model.numbers.count("classes") ? static_cast<long>(model.At("classes").values.size()) : 0;
  const long n = model.BandCount();
  for (std::string reason : {ExpectClassList(model, "classes"), ExpectShape(model, "means", {count, n}),
                             ExpectShape(model, "deviation-limits", {count, n}, true),
                             ExpectShape(model, "max-limits", {count, n}, true)})
    if (!reason.empty()) return reason;
  return "";
}

}  // namespace

const MethodEntry kMinimumDistanceMethod{"mindist", kCaption, Train, Apply, Check};

}  // namespace zt

using namespace zt;

long ztMiniDistA(void* source, long* bands, long bandCount, void* result, long rows, long columns,
                 long firstRow, long firstColumn, float* deviationFactors, float* maxDeviations) {
  return Framed([&] {
    return MinimumDistance(source, bands, bandCount, result, Window{rows, columns, firstRow, firstColumn},
                           Rejection{true, deviationFactors, true, maxDeviations});
  });
}

long ztMiniDistANew(void* source, long* bands, long bandCount, void* result, long rows, long columns,
                    long firstRow, long firstColumn, int useDeviationTest, float* deviationFactors,
                    int useMaxTest, float* maxDeviations) {
  return Framed([&] {
    return MinimumDistance(source, bands, bandCount, result, Window{rows, columns, firstRow, firstColumn},
                           Rejection{useDeviationTest != 0, deviationFactors, useMaxTest != 0, maxDeviations});
  });
}
