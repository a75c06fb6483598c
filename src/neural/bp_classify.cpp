// The BP network classifier.
#include "frame/entry.h"
#include "neural/bp_network.h"
#include "neural/network_driver.h"
#include "ztclass/neural.h"

namespace zt {

namespace {

constexpr int kMainCaption = 1;
constexpr int kPassCaption = 2;

long BPClassify(void* source, long* bands, long bandCount, long* hiddenLayerSizes, long hiddenLayerCount,
                double rate, double momentum, double threshold, long maxIterations, void* result, const Window& w) {
  CBPNN network;
  const NetworkCall call{source, bands, bandCount, result, w, kMainCaption, kPassCaption};
  const long methodCheck =
      hiddenLayerCount < 1 ? RC_BAD_WINDOW : CheckHiddenLayers(hiddenLayerSizes, hiddenLayerCount);
  return RunSupervisedNetwork(
      network, call, methodCheck,
      [&](long classCount) {
        if (long rc = network.Create(bandCount, classCount, hiddenLayerCount, hiddenLayerSizes)) return rc;
        network.InitWeights();
        return RC_OK;
      },
      [&](const AOICELL* samples, long count) {
        return network.Train(samples, count, rate, momentum, maxIterations, threshold);
      },
      [&network](const double* x, long* classNo) { network.Classify(x, classNo); });
}

}  // namespace

}  // namespace zt

using namespace zt;

long ztBPNNClass(void* source, long* bands, long bandCount, long* hiddenLayerSizes, long hiddenLayerCount,
                 double learningRate, double momentum, double errorThreshold, long maxIterations, void* result,
                 long rows, long columns, long firstRow, long firstColumn) {
  return Framed([&] {
    return BPClassify(source, bands, bandCount, hiddenLayerSizes, hiddenLayerCount, learningRate, momentum,
                      errorThreshold, maxIterations, result, Window{rows, columns, firstRow, firstColumn});
  });
}
