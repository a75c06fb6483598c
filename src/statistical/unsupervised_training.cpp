#include "statistical/unsupervised_training.h"

#include <memory>

#include "frame/arguments.h"
#include "ztclass/result_codes.h"

namespace zt {

long UnsupervisedTraining::Check() const {
  const UnsupervisedArguments& a = args_;
  if (long rc = CheckCommonArguments(a.source, a.result, a.bandCount, a.window)) return rc;
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
  std::vector<double> first(n), centres;
  reader_->Read(0, 0, first.data());
  if (long rc = reader_->Failure()) return rc;
  if (long rc = SelectCentres(*reader_, grid_, k, n, first, pass_.NoData(), centres)) return rc;
  return InitialStatistics(*reader_, grid_, k, n, centres, classes_);
}

}  // namespace zt
