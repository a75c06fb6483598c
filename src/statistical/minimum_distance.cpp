// Supervised minimum distance classifier with rejection tests.
#include <cmath>
#include <vector>

#include "frame/arguments.h"
#include "frame/entry.h"
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

long MinimumDistance(void* source, long* bands, long bandCount, void* result, const Window& w,
                     const Rejection& reject) {
  ProgressSession progress;
  if (long rc = CheckCommonArguments(source, result, bandCount, w)) return rc;
  if ((reject.useDeviation && !reject.deviationFactors) || (reject.useMax && !reject.maxDeviations))
    return RC_NULL_ARGUMENT;
  SupervisedTraining training(source, bands, bandCount, result, w);
  if (long rc = training.Prepare(progress, kCaption)) return rc;

  const ClassStatistics& stats = training.Statistics();
  const std::vector<int>& classes = stats.classList;
  const long n = bandCount;
  // Means and deviations of the listed classes, contiguous per class.
  std::vector<double> means, deviations;
  for (int k : classes)
    for (long b = 0; b < n; ++b) {
      means.push_back(stats.Mean(k, b));
      deviations.push_back(stats.Deviation(k, b));
    }
  const NoDataRule noData = training.Pass().NoData();

  return training.Pass().Run(kCaption, [&, pixel = std::vector<double>(n)](const PixelValues& values) mutable {
    if (IsNoData(noData, values, n)) return kNoDataClass;
    values.CopyTo(pixel.data(), n);
    const double* x = pixel.data();
    const size_t winner = NearestMean(means.data(), classes.size(), x, n);
    const int k = classes[winner];
    const double* mean = &means[winner * n];
    const double* deviation = &deviations[winner * n];
    // Testing every band for one test, then for the other, rejects exactly
    // the pixels that testing both per band would.
    if (reject.useDeviation) {
      const double factor = reject.deviationFactors[k - 1];
      for (long b = 0; b < n; ++b)
        if (std::fabs(mean[b] - x[b]) > deviation[b] * factor) return 0.0;
    }
    if (reject.useMax) {
      const double limit = reject.maxDeviations[k - 1];
      for (long b = 0; b < n; ++b)
        if (std::fabs(mean[b] - x[b]) > limit) return 0.0;
    }
    return static_cast<double>(k);
  });
}

}  // namespace

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
