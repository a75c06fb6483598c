// Unsupervised parallelepiped classifier: boxes of two standard deviations
// around the initial class means.
#include <cmath>
#include <string>
#include <vector>

#include "frame/entry.h"
#include "model/method_list.h"
#include "statistical/class_colours.h"
#include "statistical/unsupervised_training.h"
#include "ztclass/classinfo.h"
#include "ztclass/result_codes.h"
#include "ztclass/unsupervised.h"

namespace zt {

namespace {

constexpr int kCaption = 55;
constexpr double kBoxDeviations = 2.0;

// Boxes around the initial class means; value 1 is "in no box", class k is
// written as k + 1.
long Learn(UnsupervisedTraining& training, Model& model, const std::vector<long>& displayBands) {
  const InitialClasses& classes = training.Classes();
  const std::vector<int>& list = classes.candidates;
  const long n = training.Pass().BandCount(), count = static_cast<long>(list.size());
  std::vector<double> centres, halfWidths;
  for (int k : list)
    for (long b = 0; b < n; ++b) {
      centres.push_back(classes.Mean(k, b));
      halfWidths.push_back(kBoxDeviations * classes.Deviation(k, b));
    }
  model.Put("centres", {count, n}, std::move(centres));
  model.Put("half-widths", {count, n}, std::move(halfWidths));
  KeepUnsupervisedClasses(model, training.HighestClass() + 1, list, displayBands);
  return RC_OK;
}

long Apply(const Model& model, ClassificationPass& pass) {
  const bool colourVariant = !model.displayBands.empty();
  if (!colourVariant)
    if (long rc = WriteModelClasses(model, pass)) return rc;
  const std::vector<double>& list = model.At("classes").values;
  const std::vector<double>& centres = model.At("centres").values;
  const std::vector<double>& halfWidths = model.At("half-widths").values;
  const long n = pass.BandCount();
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
          colourVariant ? Deciders::kOneInOrder : Deciders::kWorkers))
    return rc;
  return colourVariant ? WriteFinalClassAtt(pass, model.displayBands.data(), model.highestClass, totals) : RC_OK;
}

long Train(const TrainRequest& r, Model& model) { return TrainUnsupervised(r, model, kCaption, Learn); }

std::string Check(const Model& model) {
  const long count = model.numbers.count("classes") ? static_cast<long>(model.At("classes").values.size()) : 0;
  const long n = model.BandCount();
  for (std::string reason : {ExpectClassList(model, "classes"), ExpectShape(model, "centres", {count, n}),
                             ExpectShape(model, "half-widths", {count, n})})
    if (!reason.empty()) return reason;
  return "";
}

}  // namespace

const MethodEntry kClusterParallelepipedMethod{"cluster-box", kCaption, Train, Apply, Check};

}  // namespace zt

using namespace zt;

long ztFJDBox(void* source, long* bands, long bandCount, unsigned long classCount, long interval, void* result,
              long rows, long columns, long firstRow, long firstColumn) {
  return Framed([&] {
    const UnsupervisedArguments a{source, bands, bandCount, classCount, interval,
                                  result, {rows, columns, firstRow, firstColumn}, nullptr};
    return ClusterOnce(a, kCaption, Learn, Apply);
  });
}

long ztFJDBoxNew(void* source, long* bands, long bandCount, unsigned long classCount, long interval, void* result,
                 long rows, long columns, long firstRow, long firstColumn, long* displayBands) {
  return Framed([&] {
    const UnsupervisedArguments a{source, bands, bandCount, classCount, interval,
                                  result, {rows, columns, firstRow, firstColumn}, displayBands};
    return ClusterOnce(a, kCaption, Learn, Apply);
  });
}
