// Unsupervised minimum distance classifier.
#include <string>
#include <vector>

#include "frame/entry.h"
#include "model/method_list.h"
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

long Learn(UnsupervisedTraining& training, Model& model, const std::vector<long>& displayBands) {
  const InitialClasses& classes = training.Classes();
  const std::vector<int>& list = classes.candidates;
  const long n = training.Pass().BandCount(), count = static_cast<long>(list.size());
  std::vector<double> means;
  for (int k : list)
    for (long b = 0; b < n; ++b) means.push_back(classes.Mean(k, b));
  model.Put("means", {count, n}, std::move(means));
  // Colours and names go up to the highest class number a pixel can take.
  KeepUnsupervisedClasses(model, training.HighestClass(), list, displayBands);
  return RC_OK;
}

long Apply(const Model& model, ClassificationPass& pass) {
  const bool colourVariant = !model.displayBands.empty();
  if (!colourVariant)
    if (long rc = WriteModelClasses(model, pass)) return rc;
  const std::vector<double>& classNumbers = model.At("classes").values;
  const std::vector<double>& means = model.At("means").values;
  const long n = pass.BandCount();
  const NoDataRule noData = pass.NoData();
  if (!colourVariant) return pass.Run(kCaption, NearestMeanDecision{means, classNumbers, n, noData});
  // The class totals add up in pixel order, on this thread alone.
  FinalTotals totals(n);
  if (long rc = pass.Run(
          kCaption,
          [&, pixel = std::vector<double>(n)](const PixelValues& values) mutable {
            if (IsNoData(noData, values, n)) return kNoDataClass;
            values.CopyTo(pixel.data(), n);
            const size_t winner = NearestMean(means.data(), classNumbers.size(), pixel.data(), n);
            totals.Add(static_cast<int>(classNumbers[winner]), values);
            return classNumbers[winner];
          },
          Deciders::kOneInOrder))
    return rc;
  return WriteFinalClassAtt(pass, model.displayBands.data(), model.highestClass, totals);
}

long Train(const TrainRequest& r, Model& model) { return TrainUnsupervised(r, model, kCaption, Learn); }

std::string Check(const Model& model) {
  const long count = model.numbers.count("classes") ? static_cast<long>(model.At("classes").values.size()) : 0;
  for (std::string reason : {ExpectClassList(model, "classes"), ExpectShape(model, "means", {count, model.BandCount()})})
    if (!reason.empty()) return reason;
  return "";
}

}  // namespace

const MethodEntry kClusterMinimumDistanceMethod{"cluster-mindist", kCaption, Train, Apply, Check};

}  // namespace zt

using namespace zt;

long ztFJDMiniDist(void* source, long* bands, long bandCount, unsigned long classCount, long interval, void* result,
                   long rows, long columns, long firstRow, long firstColumn) {
  return Framed([&] {
    const UnsupervisedArguments a{source, bands, bandCount, classCount, interval,
                                  result, {rows, columns, firstRow, firstColumn}, nullptr};
    return ClusterOnce(a, kCaption, Learn, Apply);
  });
}

long ztFJDMiniDistNew(void* source, long* bands, long bandCount, unsigned long classCount, long interval,
                      void* result, long rows, long columns, long firstRow, long firstColumn, long* displayBands) {
  return Framed([&] {
    const UnsupervisedArguments a{source, bands, bandCount, classCount, interval,
                                  result, {rows, columns, firstRow, firstColumn}, displayBands};
    return ClusterOnce(a, kCaption, Learn, Apply);
  });
}
