// The RBF network classifier.
#include "frame/entry.h"
#include "neural/network_driver.h"
#include "neural/rbf_network.h"
#include "ztclass/neural.h"

namespace zt {

namespace {

constexpr int kMainCaption = 7;
constexpr int kPassCaption = 2;

struct RBFSettings {
  double centreRate;
  double centreThreshold;
  long centreIterations;
  double outputRate;
  double errorThreshold;
  long outputIterations;
};

long RBFClassify(void* source, long* bands, long bandCount, const RBFSettings& s, void* result, const Window& w) {
  CRBFNN network;
  const NetworkCall call{source, bands, bandCount, result, w, kMainCaption, kPassCaption};
  return RunSupervisedNetwork(
      network, call, RC_OK,
      [&](long classCount) {
        network.SetSizes(bandCount, classCount);
        return RC_OK;
      },
      [&](const AOICELL* samples, long count) {
        return network.Train(samples, count, s.centreIterations, s.centreRate, s.centreThreshold,
                             s.outputIterations, s.outputRate, s.errorThreshold);
      },
      [&network](const double* x, long* classNo) { network.Classify(x, classNo); });
}

}  // namespace

}  // namespace zt

using namespace zt;

long ztRBFNNClass(void* source, long* bands, long bandCount, double centreRate, double centreThreshold,
                  long centreIterations, double outputRate, double errorThreshold, long outputIterations,
                  void* result, long rows, long columns, long firstRow, long firstColumn) {
  return Framed([&] {
    const RBFSettings settings{centreRate, centreThreshold, centreIterations,
                               outputRate, errorThreshold,  outputIterations};
    return RBFClassify(source, bands, bandCount, settings, result, Window{rows, columns, firstRow, firstColumn});
  });
}
