// The Fuzzy ART network classifier.
#include <vector>

#include "frame/entry.h"
#include "neural/fuzzy_art_network.h"
#include "neural/network_driver.h"
#include "ztclass/neural.h"

namespace zt {

namespace {

constexpr int kMainCaption = 12;
constexpr int kPassCaption = 2;

long FuzzyARTClassify(void* source, long* bands, long bandCount, unsigned long clusterCount, long interval,
                      double learningRate, double choiceParameter, double vigilance, long maxIterations,
                      void* result, const Window& w) {
  CFuzzyART network(bandCount, static_cast<long>(clusterCount));
  std::vector<double> coded;  // the pixel complement-coded, 2 x bandCount values
  const NetworkCall call{source, bands, bandCount, result, w, kMainCaption, kPassCaption};
  return RunUnsupervisedNetwork(
      network, call, clusterCount, interval, [&] { return network.Create(); },
      [&](double** patterns, long count, long* classCount) {
        const long formed =
            network.Train(patterns, count, maxIterations, choiceParameter, vigilance, learningRate);
        if (formed != network.CommittedCount()) return formed;
        *classCount = formed;
        coded.resize(2 * bandCount);
        return static_cast<long>(RC_OK);
      },
      [&](const double* x, long* classNo) {
        for (long b = 0; b < bandCount; ++b) {
          coded[b] = x[b];
          coded[bandCount + b] = 1.0 - x[b];
        }
        network.Classify(coded.data(), classNo);
      });
}

}  // namespace

}  // namespace zt

using namespace zt;

long ztFuzzyARTNNClass(void* source, long* bands, long bandCount, unsigned long clusterCount, long interval,
                       double learningRate, double choiceParameter, double vigilance, long maxIterations,
                       void* result, long rows, long columns, long firstRow, long firstColumn) {
  return Framed([&] {
    return FuzzyARTClassify(source, bands, bandCount, clusterCount, interval, learningRate, choiceParameter,
                            vigilance, maxIterations, result, Window{rows, columns, firstRow, firstColumn});
  });
}
