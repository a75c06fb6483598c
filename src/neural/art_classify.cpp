// The ART network classifier.
#include <algorithm>
#include <vector>

#include "frame/entry.h"
#include "neural/art_network.h"
#include "neural/network_driver.h"
#include "ztclass/neural.h"

namespace zt {

namespace {

constexpr int kMainCaption = 11;
constexpr int kPassCaption = 2;

long ARTClassify(void* source, long* bands, long bandCount, unsigned long clusterCount, long interval,
                 double learningRate, double noiseThreshold, double vigilance, long maxIterations, void* result,
                 const Window& w) {
  CART network(bandCount, static_cast<long>(clusterCount));
  // Classify normalises its pattern in place: each pixel is copied here.
  std::vector<double> pattern;
  const NetworkCall call{source, bands, bandCount, result, w, kMainCaption, kPassCaption};
  return RunUnsupervisedNetwork(
      network, call, clusterCount, interval, [&] { return network.Create(); },
      [&](double** patterns, long count, long* classCount) {
        const long formed = network.Train(patterns, count, maxIterations, noiseThreshold, vigilance, learningRate);
        if (formed != network.CommittedCount()) return formed;
        *classCount = formed;
        pattern.resize(bandCount);
        return static_cast<long>(RC_OK);
      },
      [&](const double* x, long* classNo) {
        std::copy(x, x + bandCount, pattern.begin());
        network.Classify(pattern.data(), noiseThreshold, classNo);
      });
}

}  // namespace

}  // namespace zt

using namespace zt;

long ztARTNNClass(void* source, long* bands, long bandCount, unsigned long clusterCount, long interval,
                  double learningRate, double noiseThreshold, double vigilance, long maxIterations, void* result,
                  long rows, long columns, long firstRow, long firstColumn) {
  return Framed([&] {
    return ARTClassify(source, bands, bandCount, clusterCount, interval, learningRate, noiseThreshold, vigilance,
                       maxIterations, result, Window{rows, columns, firstRow, firstColumn});
  });
}
