// The Kohonen network classifier.
#include "frame/entry.h"
#include "neural/kohonen_network.h"
#include "neural/network_driver.h"
#include "ztclass/neural.h"

namespace zt {

namespace {

constexpr int kMainCaption = 8;
constexpr int kPassCaption = 2;

long KohonenClassify(void* source, long* bands, long bandCount, unsigned long clusterCount, long interval,
                     double learningRate, double changeThreshold, long maxIterations, void* result, const Window& w) {
  CKohonenNN network;
  const NetworkCall call{source, bands, bandCount, result, w, kMainCaption, kPassCaption};
  const long neurons = static_cast<long>(clusterCount);
  return RunUnsupervisedNetwork(
      network, call, clusterCount, interval, [&] { return network.Create(bandCount, neurons); },
      [&](double** patterns, long count, long* classCount) {
        *classCount = neurons;
        return network.Train(patterns, count, learningRate, changeThreshold, maxIterations);
      },
      [&network](const double* x, long* classNo) { network.Classify(x, classNo); }, Deciders::kWorkers);
}

}  // namespace

}  // namespace zt

using namespace zt;

long ztKohonenNNClass(void* source, long* bands, long bandCount, unsigned long clusterCount, long interval,
                      double learningRate, double changeThreshold, long maxIterations, void* result, long rows,
                      long columns, long firstRow, long firstColumn) {
  return Framed([&] {
    return KohonenClassify(source, bands, bandCount, clusterCount, interval, learningRate, changeThreshold,
                           maxIterations, result, Window{rows, columns, firstRow, firstColumn});
  });
}
