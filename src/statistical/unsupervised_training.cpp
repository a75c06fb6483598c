#include "statistical/unsupervised_training.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "frame/arguments.h"
#include "ztclass/result_codes.h"

namespace zt {

long UnsupervisedTraining::Check() const {
  const UnsupervisedArguments& a = args_;
  if (long rc = a.trainOnly ? CheckSourceArguments(a.source, a.bandCount, a.window)
                            : CheckCommonArguments(a.source, a.result, a.bandCount, a.window))
    return rc;
  if (a.classCount == 0 || a.classCount > kMaxUnsupervisedClasses) return RC_BAD_WINDOW;
  if (a.interval < 1 || a.bandCount < 1) return RC_BAD_WINDOW;
  if (a.displayBands)
    for (int c = 0; c < 3; ++c)
      if (a.displayBands[c] < 1 || a.displayBands[c] > a.bandCount) return RC_BAD_WINDOW;
  return RC_OK;
}

long UnsupervisedTraining::Prepare(ProgressSession& progress, int mainCaptionId) {
  if (long rc = pass_.LookUpBands()) return rc;
  progress.Start(mainCaptionId);
  if (long rc = pass_.Open()) return rc;
  reader_ = std::make_unique<SampleReader>(args_.source, args_.bands, args_.bandCount, grid_);
  if (!reader_->IsOpen()) return RC_NULL_ARGUMENT;
  const long n = args_.bandCount, k = static_cast<long>(args_.classCount);
  std::vector<double> first, centres;
  const NoDataRule& noData = pass_.NoData();
  if (long rc = FirstCentre(*reader_, grid_, 0, 0, n, noData, first)) return rc;
  if (long rc = SelectCentres(*reader_, grid_, k, n, first, noData, centres)) return rc;
  return InitialStatistics(*reader_, grid_, k, n, centres, noData, classes_);
}

long DefaultInterval(const Window& w) {
  constexpr double kTargetSamples = 100000;
  const double pixels = static_cast<double>(std::max(w.rows, 0L)) * static_cast<double>(std::max(w.columns, 0L));
  return std::max(1L, static_cast<long>(std::sqrt(pixels / kTargetSamples)));
}

UnsupervisedArguments ReadUnsupervisedParameters(const TrainRequest& r, ParameterReader& p,
                                                  unsigned long maxClasses, std::vector<long>& displayBands) {
  const long classes = p.Integer("classes", 8, 1, static_cast<long>(maxClasses));
  const long interval = p.Integer("interval", DefaultInterval(r.window), 1, std::numeric_limits<long>::max());
  displayBands = p.IntegerList("display-bands", 3, 1, r.bandCount);
  p.Finish();
  return UnsupervisedArguments{r.source, r.bands, r.bandCount, static_cast<unsigned long>(classes), interval, nullptr,
                               r.window, displayBands.empty() ? nullptr : displayBands.data(), true};
}

void KeepUnsupervisedClasses(Model& model, long highest, const std::vector<int>& list,
                             const std::vector<long>& displayBands) {
  SetClassRecords(model, nullptr, highest);
  model.displayBands = displayBands;
  std::vector<double> values(list.begin(), list.end());
  const long count = static_cast<long>(values.size());
  model.Put("classes", {count}, std::move(values));
}

long TrainUnsupervised(const TrainRequest& r, Model& model, int mainCaptionId, UnsupervisedLearn learn) {
  ProgressSession progress;
  ParameterReader p(r.parameters, model.parameters);
  std::vector<long> displayBands;
  UnsupervisedTraining training(ReadUnsupervisedParameters(r, p, kMaxUnsupervisedClasses - 1, displayBands));
  if (long rc = training.Check()) return rc;
  if (long rc = training.Prepare(progress, mainCaptionId)) return rc;
  return learn(training, model, displayBands);
}

long ClusterOnce(const UnsupervisedArguments& a, int mainCaptionId, UnsupervisedLearn learn, ModelApply apply) {
  ProgressSession progress;
  UnsupervisedTraining training(a);
  if (long rc = training.Check()) return rc;
  if (long rc = training.Prepare(progress, mainCaptionId)) return rc;
  std::vector<long> displayBands;
  if (a.displayBands) displayBands.assign(a.displayBands, a.displayBands + 3);
  Model model;
  if (long rc = learn(training, model, displayBands)) return rc;
  return apply(model, training.Pass());
}

}  // namespace zt
