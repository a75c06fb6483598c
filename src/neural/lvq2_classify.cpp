// The LVQ2 network classifier.
#include "frame/entry.h"
#include "neural/lvq2_network.h"
#include "neural/network_driver.h"
#include "ztclass/neural.h"

namespace zt {

namespace {

constexpr int kMainCaption = 9;
constexpr int kPassCaption = 2;

long LVQ2Classify(void* source, long* bands, long bandCount, double tuneRate, long tuneIterations, double lvqRate,
                  long lvqIterations, void* result, const Window& w) {
  CLVQ2NN network;
  const NetworkCall call{source, bands, bandCount, result, w, kMainCaption, kPassCaption};
  return RunSupervisedNetwork(
      network, call, RC_OK, [&](long classCount) { return network.Create(bandCount, classCount); },
      [&](const AOICELL* samples, long count) {
        return network.Train(samples, count, tuneIterations, tuneRate, lvqIterations, lvqRate);
      },
      [&network](const double* x, long* classNo) { network.Classify(x, classNo); }, Deciders::kWorkers);
}

}  // namespace

}  // namespace zt

using namespace zt;

long ztLVQ2NNClass(void* source, long* bands, long bandCount, double tuneRate, long tuneIterations, double lvqRate,
                   long lvqIterations, void* result, long rows, long columns, long firstRow, long firstColumn) {
  return Framed([&] {
    return LVQ2Classify(source, bands, bandCount, tuneRate, tuneIterations, lvqRate, lvqIterations, result,
                        Window{rows, columns, firstRow, firstColumn});
  });
}
