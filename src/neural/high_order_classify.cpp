// The high-order BP network classifier.
#include "frame/entry.h"
#include "neural/high_order_network.h"
#include "neural/network_driver.h"
#include "ztclass/neural.h"

namespace zt {

namespace {

constexpr int kMainCaption = 13;
constexpr int kPassCaption = 14;

struct HighOrderSettings {
  long* hiddenLayerSizes;
  long hiddenLayerCount;
  bool includeSquares;
  double rate;
  bool useMomentum;
  double momentum;
  double threshold;
  long maxIterations;
};

long HighOrderClassify(void* source, long* bands, long bandCount, const HighOrderSettings& s, void* result,
                       const Window& w) {
  CHighRankNN network;
  const NetworkCall call{source, bands, bandCount, result, w, kMainCaption, kPassCaption};
  const bool noHidden = s.hiddenLayerCount == 0;
  const long methodCheck = s.hiddenLayerCount < 0 ? RC_BAD_WINDOW
                                                  : CheckHiddenLayers(s.hiddenLayerSizes, s.hiddenLayerCount);
  return RunSupervisedNetwork(
      network, call, methodCheck,
      [&](long classCount) {
        if (long rc = network.Create(bandCount, classCount, noHidden, s.hiddenLayerCount, s.hiddenLayerSizes))
          return rc;
        network.InitWeights(noHidden);
        return RC_OK;
      },
      [&](const AOICELL* samples, long count) {
        return network.Train(samples, count, s.rate, noHidden, s.includeSquares, s.useMomentum, s.momentum,
                             s.maxIterations, s.threshold);
      },
      [&network, noHidden, squares = s.includeSquares](const double* x, long* classNo) {
        network.Classify(x, classNo, noHidden, squares);
      });
}

}  // namespace

}  // namespace zt

using namespace zt;

long ztHRBPNNClass(void* source, long* bands, long bandCount, long* hiddenLayerSizes, long hiddenLayerCount,
                   bool includeSquares, double learningRate, bool useMomentum, double momentum, double errorThreshold,
                   long maxIterations, void* result, long rows, long columns, long firstRow, long firstColumn) {
  return Framed([&] {
    const HighOrderSettings settings{hiddenLayerSizes, hiddenLayerCount, includeSquares, learningRate,
                                     useMomentum,      momentum,         errorThreshold, maxIterations};
    return HighOrderClassify(source, bands, bandCount, settings, result,
                             Window{rows, columns, firstRow, firstColumn});
  });
}
