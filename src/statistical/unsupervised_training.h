#pragma once
// The set-up the unsupervised parallelepiped, minimum distance and
// generalized minimum distance classifiers share: their argument check,
// band handles, the progress bar, then max-min centres and initial class
// statistics from the sample grid.
#include <memory>

#include "frame/classification_pass.h"
#include "frame/progress_session.h"
#include "model/methods.h"
#include "model/parameters.h"
#include "statistical/initial_classes.h"
#include "statistical/sample_grid.h"

namespace zt {

constexpr unsigned long kMaxUnsupervisedClasses = 255;

struct UnsupervisedArguments {
  void* source;
  long* bands;
  long bandCount;
  unsigned long classCount;  // K
  long interval;             // s
  void* result;
  Window window;
  const long* displayBands;  // null, or three positions 1..bandCount
  bool trainOnly = false;    // no result: a model is trained
};

// The arguments of a model's training from its parameters "classes" (K),
// "interval" (default: about 100,000 samples from the window) and
// "display-bands" (kept in displayBands).
UnsupervisedArguments ReadUnsupervisedParameters(const TrainRequest& request, ParameterReader& p,
                                                  unsigned long maxClasses, std::vector<long>& displayBands);

// The model's unsupervised class records: highest values, default names.
void KeepUnsupervisedClasses(Model& model, long highest, const std::vector<int>& list,
                             const std::vector<long>& displayBands);

class UnsupervisedTraining {
 public:
  explicit UnsupervisedTraining(const UnsupervisedArguments& a)
      : args_(a), pass_(a.source, a.bands, a.bandCount, a.result, a.window), grid_(a.window, a.interval) {}

  // First failure decides: the common check; K outside 1..255; a sampling
  // interval or band count below 1; a display band outside the band list.
  long Check() const;

  // Band handles, the progress bar with mainCaptionId, centres and initial
  // statistics. Centre 1 is the image's first pixel, (0, 0).
  long Prepare(ProgressSession& progress, int mainCaptionId);

  ClassificationPass& Pass() { return pass_; }
  const SampleGrid& Grid() const { return grid_; }
  SampleReader& Reader() { return *reader_; }
  const InitialClasses& Classes() const { return classes_; }
  const UnsupervisedArguments& Arguments() const { return args_; }
  // The highest class number a sample received; class numbers are the
  // centre numbers, so this may exceed the number of non-empty classes.
  long HighestClass() const { return classes_.candidates.back(); }

 private:
  UnsupervisedArguments args_;
  ClassificationPass pass_;
  SampleGrid grid_;
  std::unique_ptr<SampleReader> reader_;
  InitialClasses classes_;
};

// What a clustering method learns from the drawn sample: its model,
// coloured by displayBands (empty: step colours).
using UnsupervisedLearn = long (*)(UnsupervisedTraining& training, Model& model,
                                   const std::vector<long>& displayBands);
using ModelApply = long (*)(const Model& model, ClassificationPass& pass);

// A clustering method's model from the parameters of a request.
long TrainUnsupervised(const TrainRequest& request, Model& model, int mainCaptionId, UnsupervisedLearn learn);

// A clustering method's export: the same training on the result's pass,
// then the model applied on it.
long ClusterOnce(const UnsupervisedArguments& a, int mainCaptionId, UnsupervisedLearn learn, ModelApply apply);

}  // namespace zt
