#pragma once
// The road every network classifier takes: argument checks, class AOIs,
// training samples, training, class attributes, and the classification pass
// whose per-pixel decision scales the band values as the training values
// were (frame/band_scaling.h) and asks the network. The network object is the caller's; the driver releases it on
// every way out.
#include <cmath>
#include <vector>

#include "frame/band_scaling.h"
#include "frame/classification_pass.h"
#include "frame/progress_session.h"
#include "frame/window.h"
#include "neural/image_sampler.h"
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

// Releases the network on scope exit, whatever was built of it.
template <typename Network>
class ReleaseOnExit {
 public:
  explicit ReleaseOnExit(Network& network) : network_(network) {}
  ~ReleaseOnExit() { network_.Release(); }
  ReleaseOnExit(const ReleaseOnExit&) = delete;
  ReleaseOnExit& operator=(const ReleaseOnExit&) = delete;

 private:
  Network& network_;
};

constexpr double kNetworkNoDataTolerance = 1e-6;

// The pass: no-data pixels (first band within 1e-6 of the no-data value)
// get 255, the others the class that classify(pattern, &classNo) gives for
// their values under scaling, which the result's metadata records
// (RecordBandScaling). Every deciding thread scales into its own pattern;
// deciders says whether classify itself may run on several threads at once
// (a network that keeps the activations of its last pattern may not).
template <typename Classify>
long ClassifyByNetwork(Classify&& classify, ClassificationPass& pass, const BandScaling& scaling, int captionId,
                       Deciders deciders) {
  const NoDataRule noData = pass.NoData();
  RecordBandScaling(pass.Result(), scaling);
  return pass.Run(
      captionId,
      [&classify, &scaling, noData, pattern = std::vector<double>(pass.BandCount())](const PixelValues& pixel) mutable {
        if (noData.active && std::fabs(pixel[0] - noData.value) <= kNetworkNoDataTolerance) return kNoDataClass;
        double* x = pattern.data();
        scaling.Apply(pixel, x);
        long classNo = 0;
        classify(x, &classNo);
        return static_cast<double>(classNo);
      },
      deciders);
}

// A supervised network: create(classCount) sizes it before the samples are
// gathered, train(samples, count) trains it on the purified samples, and
// classify decides the pixels, on several threads when deciders allows.
template <typename Network, typename Create, typename Train, typename Classify>
long RunSupervisedNetwork(Network& network, const NetworkCall& call, long methodCheck, Create&& create,
                          Train&& train, Classify&& classify, Deciders deciders = Deciders::kCallerOnly) {
  ReleaseOnExit<Network> release(network);
  ProgressSession progress;
  if (long rc = CheckNetworkArguments(call, methodCheck)) return rc;
  AoiEditorHandle editor;
  std::vector<AOI> aois;
  if (long rc = LoadClassAois(call.source, editor, aois)) return rc;
  const long classCount = static_cast<long>(aois.size());

  ClassificationPass pass(call.source, call.bands, call.bandCount, call.result, call.window);
  if (long rc = pass.LookUpBands()) return rc;
  progress.Start(call.mainCaption);
  if (long rc = pass.Open()) return rc;
  if (long rc = create(classCount)) return rc;
  TrainingSamples samples;
  if (long rc = samples.Gather(pass, aois)) return rc;
  if (long rc = train(samples.Cells(), samples.Count())) return rc;
  if (long rc = ztRSWriteClassAtt(call.result, pass.ResultBand(), classCount, aois.data())) return rc;
  return ClassifyByNetwork(classify, pass, samples.Scaling(), call.passCaption, deciders);
}

// An unsupervised network of clusterCount neurons or categories, checked by
// CheckClusterArguments in the method's place: create() sizes it, the window
// is sampled every interval pixels and the patterns scaled (ScalePatterns),
// train(patterns, count, &classCount) trains it on them and says how many
// classes it formed, and classify decides the
// pixels, on several threads when deciders allows. A sample without any
// pattern (every sampled pixel no-data) gives RC_TOO_FEW_SAMPLES before
// training. The patterns are freed once trained.
template <typename Network, typename Create, typename Train, typename Classify>
long RunUnsupervisedNetwork(Network& network, const NetworkCall& call, unsigned long clusterCount, long interval,
                            Create&& create, Train&& train, Classify&& classify,
                            Deciders deciders = Deciders::kCallerOnly) {
  ReleaseOnExit<Network> release(network);
  ProgressSession progress;
  const long clusterCheck = call.source ? CheckClusterArguments(call.source, clusterCount, interval) : RC_OK;
  if (long rc = CheckNetworkArguments(call, clusterCheck)) return rc;
  ClassificationPass pass(call.source, call.bands, call.bandCount, call.result, call.window);
  if (long rc = pass.LookUpBands()) return rc;
  progress.Start(call.mainCaption);
  if (long rc = create()) return rc;
  PatternArray patterns;
  if (long rc = patterns.Allocate(call.window, interval, call.bandCount)) return rc;
  if (long rc = pass.Open()) return rc;

  const Window& w = call.window;
  std::vector<void*> bands = pass.Bands();
  long patternCount = 0;
  if (long rc = SampleImage(call.source, bands.data(), call.bandCount, interval, pass.NoData().active,
                            pass.NoData().value, w.rows, w.columns, w.firstRow, w.firstColumn, patterns.Patterns(),
                            &patternCount))
    return rc;
  if (patternCount == 0) return RC_TOO_FEW_SAMPLES;
  const BandScaling scaling = ScalePatterns(pass.SourceType(), call.bandCount, patterns.Patterns(), patternCount);
  long classCount = 0;
  if (long rc = train(patterns.Patterns(), patternCount, &classCount)) return rc;
  patterns.Release();
  if (long rc = ztRSWriteClassAtt(call.result, pass.ResultBand(), classCount, nullptr)) return rc;
  return ClassifyByNetwork(classify, pass, scaling, call.passCaption, deciders);
}

}  // namespace zt
