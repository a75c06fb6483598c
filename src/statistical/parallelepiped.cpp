// Supervised parallelepiped (box) classifier.
#include <cmath>
#include <vector>

#include "frame/arguments.h"
#include "frame/entry.h"
#include "statistical/supervised_training.h"
#include "ztclass/result_codes.h"
#include "ztclass/statistical.h"

namespace zt {

namespace {

constexpr int kCaption = 63;

long Parallelepiped(void* source, long* bands, long bandCount, void* result, const Window& w,
                    const float* deviationFactors) {
  ProgressSession progress;
  if (long rc = CheckCommonArguments(source, result, bandCount, w)) return rc;
  if (!deviationFactors) return RC_NULL_ARGUMENT;
  SupervisedTraining training(source, bands, bandCount, result, w);
  if (long rc = training.Prepare(progress, kCaption)) return rc;

  const ClassStatistics& stats = training.Statistics();
  const std::vector<int>& classes = stats.classList;
  const long n = bandCount;
  // Box centre and half-width per listed class and band.
  std::vector<double> centres, halfWidths;
  for (int k : classes)
    for (long b = 0; b < n; ++b) {
      centres.push_back(stats.Mean(k, b));
      halfWidths.push_back(static_cast<double>(deviationFactors[k - 1]) * stats.Deviation(k, b));
    }
  const NoDataRule noData = training.Pass().NoData();

  return training.Pass().Run(kCaption, [&](const PixelValues& x) {
    for (size_t j = 0; j < classes.size(); ++j) {
      const double* centre = &centres[j * n];
      const double* half = &halfWidths[j * n];
      long b = 0;
      for (; b < n; ++b) {
        // No-data is noticed only in a band the examination reaches.
        if (noData.active && IsNoDataValue(x[b], noData.value)) return kNoDataClass;
        if (std::fabs(x[b] - centre[b]) > half[b]) break;
      }
      if (b == n) return static_cast<double>(classes[j]);
    }
    return 0.0;
  });
}

}  // namespace

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
