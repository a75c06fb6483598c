// Supervised parallelepiped (box) classifier.
#include <cmath>
#include <string>
#include <vector>

#include "frame/arguments.h"
#include "frame/entry.h"
#include "model/method_list.h"
#include "model/parameters.h"
#include "statistical/supervised_training.h"
#include "ztclass/result_codes.h"
#include "ztclass/statistical.h"

namespace zt {

namespace {

constexpr int kCaption = 63;

// Box centre and half-width per class with training pixels and band.
long Learn(SupervisedTraining& training, const float* deviationFactors, Model& model) {
  const ClassStatistics& stats = training.Statistics();
  const std::vector<int>& classes = stats.classList;
  const long n = training.Pass().BandCount();
  std::vector<double> centres, halfWidths;
  for (int k : classes)
    for (long b = 0; b < n; ++b) {
      centres.push_back(stats.Mean(k, b));
      halfWidths.push_back(static_cast<double>(deviationFactors[k - 1]) * stats.Deviation(k, b));
    }
  const long count = static_cast<long>(classes.size());
  model.Put("centres", {count, n}, std::move(centres));
  model.Put("half-widths", {count, n}, std::move(halfWidths));
  training.KeepClasses(model);
  return RC_OK;
}

long Apply(const Model& model, ClassificationPass& pass) {
  if (long rc = WriteModelClasses(model, pass)) return rc;
  const std::vector<double>& classes = model.At("classes").values;
  const std::vector<double>& centres = model.At("centres").values;
  const std::vector<double>& halfWidths = model.At("half-widths").values;
  const long n = pass.BandCount();
  const NoDataRule noData = pass.NoData();

  return pass.Run(kCaption, [&](const PixelValues& x) {
    for (size_t j = 0; j < classes.size(); ++j) {
      const double* centre = &centres[j * n];
      const double* half = &halfWidths[j * n];
      long b = 0;
      for (; b < n; ++b) {
        // No-data is noticed only in a band the examination reaches.
        if (noData.active && IsNoDataValue(x[b], noData.value)) return kNoDataClass;
        if (std::fabs(x[b] - centre[b]) > half[b]) break;
      }
      if (b == n) return classes[j];
    }
    return 0.0;
  });
}

long Parallelepiped(void* source, long* bands, long bandCount, void* result, const Window& w,
                    const float* deviationFactors) {
  ProgressSession progress;
  if (long rc = CheckCommonArguments(source, result, bandCount, w)) return rc;
  if (!deviationFactors) return RC_NULL_ARGUMENT;
  SupervisedTraining training(source, bands, bandCount, result, w);
  if (long rc = training.Prepare(progress, kCaption)) return rc;
  Model model;
  if (long rc = Learn(training, deviationFactors, model)) return rc;
  return Apply(model, training.Pass());
}

long Train(const TrainRequest& r, Model& model) {
  ProgressSession progress;
  if (long rc = CheckSourceArguments(r.source, r.bandCount, r.window)) return rc;
  SupervisedTraining training(r.source, r.bands, r.bandCount, nullptr, r.window);
  if (long rc = training.Prepare(progress, kCaption)) return rc;
  training.RequireEveryClass();
  ParameterReader p(r.parameters, model.parameters);
  const std::vector<float> factors =
      p.PerClass("dev-factor", 2.0, static_cast<long>(training.ClassAois().size()), 0.0, 1e30);
  p.Finish();
  return Learn(training, factors.data(), model);
}

std::string Check(const Model& model) {
  const long count = model.numbers.count("classes") ? static_cast<long>(model.At("classes").values.size()) : 0;
  const long n = model.BandCount();
  for (std::string reason : {ExpectClassList(model, "classes"), ExpectShape(model, "centres", {count, n}),
                             ExpectShape(model, "half-widths", {count, n})})
    if (!reason.empty()) return reason;
  return "";
}

}  // namespace

const MethodEntry kParallelepipedMethod{"box", kCaption, Train, Apply, Check};

}  // namespace zt

using namespace zt;

long ztJDBoxA(void* source, long* bands, long bandCount, void* result, long rows, long columns,
              long firstRow, long firstColumn, float* deviationFactors) {
  return Framed([&] {
    return Parallelepiped(source, bands, bandCount, result, Window{rows, columns, firstRow, firstColumn},
                          deviationFactors);
  });
}

long ztJDBoxANew(void* source, long* bands, long bandCount, void* result, long rows, long columns,
                 long firstRow, long firstColumn, int, float* deviationFactors) {
  return Framed([&] {
    return Parallelepiped(source, bands, bandCount, result, Window{rows, columns, firstRow, firstColumn},
                          deviationFactors);
  });
}
