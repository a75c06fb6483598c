// Unsupervised minimum distance classifier.
#include <vector>

#include "frame/entry.h"
#include "statistical/class_colours.h"
#include "statistical/nearest_mean.h"
#include "statistical/supervised_training.h"
#include "statistical/unsupervised_training.h"
#include "ztclass/classinfo.h"
#include "ztclass/result_codes.h"
#include "ztclass/unsupervised.h"

namespace zt {

namespace {

constexpr int kCaption = 58;

long UnsupervisedMinimumDistance(const UnsupervisedArguments& a, bool colourVariant) {
  ProgressSession progress;
  UnsupervisedTraining training(a);
  if (long rc = training.Check()) return rc;
  if (long rc = training.Prepare(progress, kCaption)) return rc;
  ClassificationPass& pass = training.Pass();
  const InitialClasses& classes = training.Classes();
  const std::vector<int>& list = classes.candidates;
  const long n = a.bandCount;
  // Colours and names go up to the highest class number a pixel can take.
  const long highest = training.HighestClass();
  if (!colourVariant)
    if (long rc = ztRSWriteClassAtt(a.result, pass.ResultBand(), highest, nullptr)) return rc;

  std::vector<double> means, classNumbers(list.begin(), list.end());
  for (int k : list)
    for (long b = 0; b < n; ++b) means.push_back(classes.Mean(k, b));
  const NoDataRule noData = pass.NoData();
  if (!colourVariant) return pass.Run(kCaption, NearestMeanDecision{means, classNumbers, n, noData});
  // The class totals add up in pixel order, on this thread alone.
  FinalTotals totals(n);
  if (long rc = pass.Run(
          kCaption,
          [&, pixel = std::vector<double>(n)](const PixelValues& values) mutable {
            if (IsNoData(noData, values, n)) return kNoDataClass;
            values.CopyTo(pixel.data(), n);
            const size_t winner = NearestMean(means.data(), list.size(), pixel.data(), n);
            totals.Add(list[winner], values);
            return static_cast<double>(list[winner]);
          },
          Deciders::kCallerOnly))
    return rc;
  return WriteFinalClassAtt(pass, a.displayBands, highest, totals);
}

}  // namespace

}  // namespace zt

using namespace zt;

long ztFJDMiniDist(void* source, long* bands, long bandCount, unsigned long classCount, long interval, void* result,
                   long rows, long columns, long firstRow, long firstColumn) {
  return Framed([&] {
    return UnsupervisedMinimumDistance(
        {source, bands, bandCount, classCount, interval, result, {rows, columns, firstRow, firstColumn}, nullptr},
        false);
  });
}

long ztFJDMiniDistNew(void* source, long* bands, long bandCount, unsigned long classCount, long interval,
                      void* result, long rows, long columns, long firstRow, long firstColumn, long* displayBands) {
  return Framed([&] {
    return UnsupervisedMinimumDistance({source, bands, bandCount, classCount, interval, result,
                                        {rows, columns, firstRow, firstColumn}, displayBands},
                                       true);
  });
}
