#pragma once
// What the supervised distance classifiers share before their pass: class
// AOIs, the class mask, per-class statistics of the training pixels inside
// the processing window, the class list, and the result's colours and class
// records.
#include <array>
#include <vector>

#include "frame/classification_pass.h"
#include "frame/missing_value.h"
#include "frame/progress_session.h"
#include "model/model.h"
#include "samples/class_mask.h"
#include "services/aoi_editor_handle.h"
#include "ztclass/records.h"

namespace zt {

constexpr int kClassSlots = 256;
// Columns of a row that the training phases read at a time: bounds their
// buffers whatever the window's width and band count.
constexpr long kSpanColumns = 4096;

struct ClassStatistics {
  long bandCount = 0;
  std::array<long, kClassSlots> counts{};
  std::vector<double> mean;       // [class * bandCount + band]
  std::vector<double> deviation;  // population standard deviation, same layout
  std::vector<int> classList;     // classes with training pixels, ascending

  double Mean(int k, long band) const { return mean[k * bandCount + band]; }
  double Deviation(int k, long band) const { return deviation[k * bandCount + band]; }
};

// Whether pixel j of a span of n bands' values (band b's at b * span + j)
// is a training pixel: a number other than the no-data value in every band.
inline bool Teaches(const NoDataRule& noData, const std::vector<double>& values, long n, long span, long j) {
  return !TeachesNothing(noData, n, [&](long b) { return values[b * span + j]; });
}

class SupervisedTraining {
 public:
  SupervisedTraining(void* source, long* bands, long bandCount, void* result, const Window& window)
      : pass_(source, bands, bandCount, result, window), source_(source) {}

  // Class AOIs, band handles, the progress bar with mainCaptionId, the class
  // mask and the statistics (RC_TOO_FEW_SAMPLES when no class has a training
  // pixel in the window).
  long Prepare(ProgressSession& progress, int mainCaptionId);

  // The model's class records and its "classes": the classes with training
  // pixels.
  void KeepClasses(Model& model) const;

  // A model lists its classes by the class AOIs, so one whose class AOI got
  // no training pixel would name a class it never decides: throws a
  // ModelError naming that class AOI.
  void RequireEveryClass() const;

  ClassificationPass& Pass() { return pass_; }
  const ClassStatistics& Statistics() const { return stats_; }
  const std::vector<AOI>& ClassAois() const { return aois_; }
  const ClassMask& Mask() const { return mask_; }

 private:
  long AccumulateStatistics();

  ClassificationPass pass_;
  void* source_;
  AoiEditorHandle editor_;
  std::vector<AOI> aois_;
  ClassMask mask_;
  ClassStatistics stats_;
};

// True when the no-data rule is in force and any band equals its value.
inline bool IsNoData(const NoDataRule& rule, const PixelValues& pixel, long bandCount) {
  return rule.active && AnyBandEquals(pixel, bandCount, rule.value);
}

}  // namespace zt
