// Unsupervised parallelepiped classifier: boxes of two standard deviations
// around the initial class means.
#include <cmath>
#include <vector>

#include "frame/entry.h"
#include "statistical/class_colours.h"
#include "statistical/unsupervised_training.h"
#include "ztclass/classinfo.h"
#include "ztclass/result_codes.h"
#include "ztclass/unsupervised.h"

namespace zt {

namespace {

constexpr int kCaption = 55;
constexpr double kBoxDeviations = 2.0;

long UnsupervisedParallelepiped(const UnsupervisedArguments& a, bool colourVariant) {
  ProgressSession progress;
  UnsupervisedTraining training(a);
  if (long rc = training.Check()) return rc;
  if (long rc = training.Prepare(progress, kCaption)) return rc;
  ClassificationPass& pass = training.Pass();
  const InitialClasses& classes = training.Classes();
  const std::vector<int>& list = classes.candidates;
  const long n = a.bandCount;
  // Value 1 is "in no box", class k is written as k + 1.
  const long highest = training.HighestClass() + 1;
  if (!colourVariant)
    if (long rc = ztRSWriteClassAtt(a.result, pass.ResultBand(), highest, nullptr)) return rc;

  std::vector<double> centres, halfWidths;
  for (int k : list)
    for (long b = 0; b < n; ++b) {
      centres.push_back(classes.Mean(k, b));
      halfWidths.push_back(kBoxDeviations * classes.Deviation(k, b));
    }
  const NoDataRule noData = pass.NoData();
  FinalTotals totals(n);
  if (long rc = pass.Run(kCaption, [&](const PixelValues& x) {
        double value = 1.0;
        for (size_t j = 0; j < list.size(); ++j) {
          const double* centre = &centres[j * n];
          const double* half = &halfWidths[j * n];
          long b = 0;
          for (; b < n; ++b) {
            // No-data is noticed only in a band the examination reaches.
            if (noData.active && IsNoDataValue(x[b], noData.value)) return kNoDataClass;
            if (std::fabs(x[b] - centre[b]) > half[b]) break;
          }
          if (b == n) {
            value = list[j] + 1.0;
            break;
          }
        }
        if (colourVariant) totals.Add(static_cast<int>(value), x);
        return value;
      },
          // The class totals add up in pixel order.
          colourVariant ? Deciders::kCallerOnly : Deciders::kWorkers))
    return rc;
  return colourVariant ? WriteFinalClassAtt(pass, a.displayBands, highest, totals) : RC_OK;
}

}  // namespace

}  // namespace zt

using namespace zt;

long ztFJDBox(void* source, long* bands, long bandCount, unsigned long classCount, long interval, void* result,
              long rows, long columns, long firstRow, long firstColumn) {
  return Framed([&] {
    return UnsupervisedParallelepiped(
        {source, bands, bandCount, classCount, interval, result, {rows, columns, firstRow, firstColumn}, nullptr},
        false);
  });
}

long ztFJDBoxNew(void* source, long* bands, long bandCount, unsigned long classCount, long interval, void* result,
                 long rows, long columns, long firstRow, long firstColumn, long* displayBands) {
  return Framed([&] {
    return UnsupervisedParallelepiped({source, bands, bandCount, classCount, interval, result,
                                       {rows, columns, firstRow, firstColumn}, displayBands},
                                      true);
  });
}
