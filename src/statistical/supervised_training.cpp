#include "statistical/supervised_training.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "model/model_error.h"
#include "samples/class_aois.h"
#include "services/value_buffer.h"
#include "ztclass/classinfo.h"
#include "ztclass/result_codes.h"

namespace zt {

namespace {
constexpr int kStatisticsCaption = 57;
}  // namespace

long SupervisedTraining::Prepare(ProgressSession& progress, int mainCaptionId) {
  if (long rc = LoadClassAois(source_, editor_, aois_)) return rc;
  if (long rc = pass_.LookUpBands()) return rc;
  progress.Start(mainCaptionId);
  if (long rc = pass_.Open()) return rc;
  if (long rc = mask_.Build(source_, aois_)) return rc;
  if (long rc = AccumulateStatistics()) return rc;
  for (int k = 0; k < kClassSlots; ++k)
    if (stats_.counts[k] > 0) stats_.classList.push_back(k);
  if (stats_.classList.empty()) return RC_TOO_FEW_SAMPLES;
  return RC_OK;
}

void SupervisedTraining::KeepClasses(Model& model) const {
  // Colours and names go to the class numbers the pixels carry: up to the
  // highest class that has training pixels, even when one before it has none.
  SetClassRecords(model, aois_.data(), stats_.classList.back());
  std::vector<double> list(stats_.classList.begin(), stats_.classList.end());
  const long count = static_cast<long>(list.size());
  model.Put("classes", {count}, std::move(list));
}

void SupervisedTraining::RequireEveryClass() const {
  for (size_t k = 1; k <= aois_.size() && k < kClassSlots; ++k) {
    if (stats_.counts[k] > 0) continue;
    const AOI& aoi = aois_[k - 1];
    throw ModelError(RC_TOO_FEW_SAMPLES,
                     "class " + std::to_string(k) + " '" + std::string(aoi.name, strnlen(aoi.name, sizeof aoi.name)) +
                         "' has no training pixel: no pixel of the window whose centre lies in its polygons (their "
                         "vertices cut to whole pixels, a later class AOI taking the pixels it shares) has a number "
                         "other than the no-data value in every band");
  }
}

// Counts, sums and sums of squares of the training pixels of the window.
// Each window row is read once per band over the span of its training
// pixels, kSpanColumns at a time, which gives the same values, summed in the
// same order, as reading them one at a time. A pixel with a missing or
// no-data value in a listed band has none to learn from and is left out.
long SupervisedTraining::AccumulateStatistics() {
  const Window& w = pass_.GetWindow();
  const long n = pass_.BandCount();
  const long width = std::clamp(w.columns, 1L, kSpanColumns);
  const long lastColumn = w.firstColumn + w.columns - 1;
  stats_.bandCount = n;
  std::vector<double> sum(kClassSlots * n, 0.0), squares(kClassSlots * n, 0.0);
  ValueBuffer typed;
  if (long rc = typed.Allocate(pass_.SourceType(), width)) return rc;
  std::vector<double> values(n * width);

  BeginPhase(kStatisticsCaption, w.rows);
  for (long i = 0; i < w.rows; ++i) {
    if (StepAndCheckStop()) return RC_CANCELLED;
    const long row = w.firstRow + i;
    long first = 0, last = -1;
    mask_.Row(row, w.firstColumn, lastColumn, [&](long runFirst, long runLast, int) {
      if (last < first) first = runFirst;
      last = runLast;
    });
    for (long piece = first; piece <= last; piece += width) {
      const long span = std::min(width, last - piece + 1);
      for (long b = 0; b < n; ++b) {
        if (long rc = ztRSRasterIO(pass_.Bands()[b], ZTRS_Read, piece, row, span, 1, typed.Data(), span, 1,
                                   pass_.SourceType(), 0, 0))
          return rc;
        ztRSConvNValues(pass_.SourceType(), typed.Data(), span, &values[b * span]);
      }
      mask_.Row(row, piece, piece + span - 1, [&](long runFirst, long runLast, int k) {
        for (long j = runFirst - piece; j <= runLast - piece; ++j) {
          if (!Teaches(pass_.NoData(), values, n, span, j)) continue;
          ++stats_.counts[k];
          for (long b = 0; b < n; ++b) {
            const double v = values[b * span + j];
            sum[k * n + b] += v;
            squares[k * n + b] += v * v;
          }
        }
      });
    }
  }

  stats_.mean.assign(kClassSlots * n, 0.0);
  stats_.deviation.assign(kClassSlots * n, 0.0);
  for (int k = 0; k < kClassSlots; ++k) {
    if (stats_.counts[k] == 0) continue;
    for (long b = 0; b < n; ++b) {
      const double mean = sum[k * n + b] / stats_.counts[k];
      // Rounding can take the variance of equal values just below zero.
      const double variance = std::max(squares[k * n + b] / stats_.counts[k] - mean * mean, 0.0);
      stats_.mean[k * n + b] = mean;
      stats_.deviation[k * n + b] = std::sqrt(variance);
    }
  }
  return RC_OK;
}

}  // namespace zt
