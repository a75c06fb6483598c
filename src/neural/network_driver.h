#pragma once
// The road every network classifier takes: argument checks, class AOIs or
// the sampled window, training samples, training into a model, and the
// model's classification pass whose per-pixel decision scales the band
// values as the training values were (frame/band_scaling.h) and asks the
// trained network. A one-shot export trains and applies on one pass; a
// model's training stops after the model is filled.
#include <cmath>
#include <vector>

#include "frame/arguments.h"
#include "frame/band_scaling.h"
#include "frame/classification_pass.h"
#include "frame/decider_scratch.h"
#include "frame/progress_session.h"
#include "frame/window.h"
#include "model/methods.h"
#include "model/model_error.h"
#include "neural/image_sampler.h"
#include "neural/network_model.h"
#include "samples/class_aois.h"
#include "samples/owned_cells.h"
#include "services/aoi_editor_handle.h"
#include "ztclass/classinfo.h"
#include "ztclass/records.h"
#include "ztclass/result_codes.h"

namespace zt {

struct NetworkCall {
  void* source;
  long* bands;
  long bandCount;
  void* result;
  Window window;
  int mainCaption;
  int passCaption;
};

// Null datasets, too many bands, a window starting before the image, then
// the method's own check (RC_OK when it has none), then the window's end.
long CheckNetworkArguments(const NetworkCall& call, long methodCheck);

// The unsupervised networks' own checks: 1 to 254 clusters (class 255 is
// the no-data class) and a sampling interval from 1 to the smaller image
// dimension, else RC_BAD_WINDOW. The source must not be null.
long CheckClusterArguments(void* source, unsigned long clusterCount, long interval);

// The hidden layer check of the back-propagation networks: a size above 500,
// then a size below 1, give RC_BAD_WINDOW; sizes missing for a positive
// count give RC_NULL_ARGUMENT.
long CheckHiddenLayers(const long* sizes, long count);

// The purified training samples of the class AOIs, scaled by the band
// scaling derived from the gathered samples before purification. A class
// without a sample would leave its centre or codebook vector undefined, and
// no sample at all the mean error: RC_TOO_FEW_SAMPLES.
class TrainingSamples {
 public:
  long Gather(const ClassificationPass& pass, const std::vector<AOI>& aois);
  const AOICELL* Cells() const { return purified_.cells; }
  AOICELL* Cells() { return purified_.cells; }
  long Count() const { return purified_.count; }
  const BandScaling& Scaling() const { return scaling_; }

 private:
  OwnedCells gathered_, purified_;
  BandScaling scaling_;
};

// The sampled patterns of an unsupervised network, scaled in place by the
// band scaling derived from them, which it returns.
BandScaling ScalePatterns(ZTRSDataType type, long bandCount, double** patterns, long count);

// A network decision that decides a run of pixels side by side:
// DecideRun(x, count, classes) gives classes[i], i < count <= kRunPixels,
// the class Decide gives the pixel whose scaled value of band b is
// x[b * kRunPixels + i], each pixel through the same operations in the same
// order as alone, so that both give the same class to the bit.
template <typename Decision>
concept NetworkRunDecision = requires(Decision& d, const double* x, long count, double* classes) {
  d.DecideRun(x, count, classes);
};

// A run decision of the pass for a network's run decision: the run's
// values scaled band by band, decided, and no-data pixels given 255.
template <typename Decision>
struct NetworkRun {
  Decision decide;
  const BandScaling& scaling;
  NoDataRule noData;
  std::vector<double> x;

  void DecideRun(const double* const* bands, long first, long count, double* classes) {
    for (long b = 0; b < scaling.BandCount(); ++b) scaling.ApplyRun(b, bands[b] + first, count, &x[b * kRunPixels]);
    decide.DecideRun(x.data(), count, classes);
    for (long i = 0; i < count; ++i)
      if (noData.Holds(bands[0][first + i])) classes[i] = kNoDataClass;
  }
};

// The pass: no-data pixels (first band within 1e-6 of the no-data value)
// get 255, the others the class that decision.Decide(pattern, &score) gives
// for their values under scaling (or its DecideRun, where it has one),
// which the result's metadata records (RecordBandScaling). Every deciding
// thread scales into its own pattern and decides with its own copy of
// decision, whose trained numbers it only reads.
template <typename Decision>
long ClassifyByNetwork(const Decision& decision, ClassificationPass& pass, const BandScaling& scaling,
                       int captionId) {
  const NoDataRule noData = WithinMillionth(pass.NoData());
  RecordBandScaling(pass.Result(), scaling);
  if constexpr (NetworkRunDecision<Decision>) {
    return pass.Run(captionId, NetworkRun<Decision>{decision, scaling, noData,
                                                    std::vector<double>(pass.BandCount() * kRunPixels)});
  } else {
    return pass.Run(captionId, [decide = decision, &scaling, noData,
                                pattern = DeciderScratch(pass.BandCount())](const PixelValues& pixel) mutable {
      if (noData.Holds(pixel[0])) return kNoDataClass;
      double* x = pattern.data();
      scaling.Apply(pixel, x);
      double score = 0.0;
      return static_cast<double>(decide.Decide(x, &score));
    });
  }
}

// A network model's apply: class records, then the pass under the model's
// scaling.
template <typename Decision>
long ApplyNetwork(const Model& model, ClassificationPass& pass, int passCaption) {
  if (long rc = WriteModelClasses(model, pass)) return rc;
  return ClassifyByNetwork(Decision(model), pass, ModelScaling(model), passCaption);
}

using ApplyModel = long (*)(const Model& model, ClassificationPass& pass);

// The common part of a supervised network's one-shot export and of its
// model's training (call.result null): class AOIs, the pass, the purified
// training samples; learn(classCount, samples, count, model) trains the
// network on them and puts its trained numbers into model, which then gets
// the samples' scaling and the AOIs' class records; apply, when given, runs
// the model on the same pass.
template <typename Learn>
long SupervisedNetwork(const NetworkCall& call, ProgressSession& progress, Learn&& learn, Model& model,
                       ApplyModel apply) {
  AoiEditorHandle editor;
  std::vector<AOI> aois;
  if (long rc = LoadClassAois(call.source, editor, aois)) return rc;
  const long classCount = static_cast<long>(aois.size());
  ClassificationPass pass(call.source, call.bands, call.bandCount, call.result, call.window);
  if (long rc = pass.LookUpBands()) return rc;
  progress.Start(call.mainCaption);
  if (long rc = pass.Open()) return rc;
  TrainingSamples samples;
  if (long rc = samples.Gather(pass, aois)) return rc;
  model.bands.assign(call.bands, call.bands + call.bandCount);
  if (long rc = learn(classCount, samples.Cells(), samples.Count(), model)) return rc;
  // A learning rate or momentum too large for the training set drives the
  // weights past every number, and a network of NaN answers puts every
  // pixel in class 1.
  if (model.NonFiniteNumbers()) return RC_BAD_PARAMETER;
  model.scaling = ScalingJson(samples.Scaling());
  SetClassRecords(model, aois.data(), classCount);
  return apply ? apply(model, pass) : RC_OK;
}

// A supervised network's one-shot export: methodCheck is the method's own
// argument check (RC_OK when it has none); then train + apply on one pass.
template <typename Learn>
long RunSupervisedNetwork(const NetworkCall& call, long methodCheck, Learn&& learn, ApplyModel apply) {
  ProgressSession progress;
  if (long rc = CheckNetworkArguments(call, methodCheck)) return rc;
  Model model;
  return SupervisedNetwork(call, progress, learn, model, apply);
}

// Why a network's training gives RC_BAD_PARAMETER.
constexpr const char* kDivergedTraining =
    "the training diverged (weights beyond every number): use a smaller learning rate or momentum";

// A supervised network's model training.
template <typename Learn>
long TrainSupervisedNetwork(const TrainRequest& r, int mainCaption, Learn&& learn, Model& model) {
  ProgressSession progress;
  if (long rc = CheckSourceArguments(r.source, r.bandCount, r.window)) return rc;
  const NetworkCall call{r.source, r.bands, r.bandCount, nullptr, r.window, mainCaption, 0};
  const long rc = SupervisedNetwork(call, progress, learn, model, nullptr);
  if (rc == RC_BAD_PARAMETER) throw ModelError(rc, kDivergedTraining);
  return rc;
}

// The common part of an unsupervised network's one-shot export and of its
// model's training (call.result null): the window is sampled every interval
// pixels and the patterns scaled (ScalePatterns), learn(patterns, count,
// &classCount, model) trains the network on them, says how many classes it
// formed and puts its trained numbers into model, which then gets the
// scaling and unnamed class records; apply, when given, runs the model on
// the same pass. A sample without any pattern (every sampled pixel no-data)
// gives RC_TOO_FEW_SAMPLES before training. The patterns are freed once
// trained.
template <typename Learn>
long UnsupervisedNetwork(const NetworkCall& call, long interval, ProgressSession& progress, Learn&& learn,
                         Model& model, ApplyModel apply) {
  ClassificationPass pass(call.source, call.bands, call.bandCount, call.result, call.window);
  if (long rc = pass.LookUpBands()) return rc;
  progress.Start(call.mainCaption);
  PatternArray patterns;
  if (long rc = patterns.Allocate(call.window, interval, call.bandCount)) return rc;
  if (long rc = pass.Open()) return rc;
  const Window& w = call.window;
  std::vector<void*> bands = pass.Bands();
  long patternCount = 0;
  if (long rc = SampleImage(bands.data(), call.bandCount, interval, WithinMillionth(pass.NoData()), w.rows, w.columns,
                            w.firstRow, w.firstColumn, patterns.Patterns(), &patternCount))
    return rc;
  if (patternCount == 0) return RC_TOO_FEW_SAMPLES;
  const BandScaling scaling = ScalePatterns(pass.SourceType(), call.bandCount, patterns.Patterns(), patternCount);
  long classCount = 0;
  model.bands.assign(call.bands, call.bands + call.bandCount);
  if (long rc = learn(patterns.Patterns(), patternCount, &classCount, model)) return rc;
  patterns.Release();
  model.scaling = ScalingJson(scaling);
  SetClassRecords(model, nullptr, classCount);
  return apply ? apply(model, pass) : RC_OK;
}

// An unsupervised network's one-shot export of clusterCount neurons or
// categories, checked by CheckClusterArguments in the method's place; then
// train + apply on one pass.
template <typename Learn>
long RunUnsupervisedNetwork(const NetworkCall& call, unsigned long clusterCount, long interval, Learn&& learn,
                            ApplyModel apply) {
  ProgressSession progress;
  const long clusterCheck = call.source ? CheckClusterArguments(call.source, clusterCount, interval) : RC_OK;
  if (long rc = CheckNetworkArguments(call, clusterCheck)) return rc;
  Model model;
  return UnsupervisedNetwork(call, interval, progress, learn, model, apply);
}

// An unsupervised network's model training from the parameters "classes"
// (default 8) and "interval" (default: about 100,000 samples of the
// window), which it reads into clusterCount and interval.
template <typename Learn>
long TrainUnsupervisedNetwork(const TrainRequest& r, int mainCaption, long clusterCount, long interval,
                              Learn&& learn, Model& model) {
  ProgressSession progress;
  if (long rc = CheckSourceArguments(r.source, r.bandCount, r.window)) return rc;
  if (long rc = CheckClusterArguments(r.source, static_cast<unsigned long>(clusterCount), interval)) return rc;
  const NetworkCall call{r.source, r.bands, r.bandCount, nullptr, r.window, mainCaption, 0};
  return UnsupervisedNetwork(call, interval, progress, learn, model, nullptr);
}

// The parameters "classes" (1..254, default 8) and "interval" (default:
// about 100,000 samples of the window) of an unsupervised network.
void ReadClusterParameters(const TrainRequest& r, ParameterReader& p, long& clusterCount, long& interval);

}  // namespace zt
