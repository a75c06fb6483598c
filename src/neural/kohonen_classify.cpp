// The Kohonen network classifier, and its model: one neuron's weights per
// cluster.
#include "frame/entry.h"
#include "model/method_list.h"
#include "neural/kohonen_network.h"
#include "neural/nearest_codebook.h"
#include "neural/network_driver.h"
#include "ztclass/neural.h"

namespace zt {

namespace {

constexpr int kMainCaption = 8;
constexpr int kPassCaption = 2;

struct KohonenSettings {
  long neurons;
  double learningRate;
  double changeThreshold;
  long maxIterations;
};

long Learn(const KohonenSettings& s, double** patterns, long count, long* classCount, Model& model) {
  CKohonenNN network;
  const long n = static_cast<long>(model.bands.size());
  if (long rc = network.Create(n, s.neurons)) return rc;
  if (long rc = network.Train(patterns, count, s.learningRate, s.changeThreshold, s.maxIterations)) return rc;
  *classCount = s.neurons;
  model.Put("codebook", {s.neurons, n}, network.Codebook());
  return RC_OK;
}

long Apply(const Model& model, ClassificationPass& pass) {
  return ApplyNetwork<NearestCodebook>(model, pass, kPassCaption);
}

long Train(const TrainRequest& r, Model& model) {
  ParameterReader p(r.parameters, model.parameters);
  long neurons = 0, interval = 0;
  ReadClusterParameters(r, p, neurons, interval);
  const KohonenSettings s{neurons, p.Number("rate", 0.1, 0.0, 1.0), p.Number("change-threshold", 1e-6, 0.0, 1e30),
                          p.Integer("epochs", 200, 0, ZT_MAX_EPOCHS)};
  p.Finish();
  return TrainUnsupervisedNetwork(
      r, kMainCaption, neurons, interval,
      [&](double** patterns, long count, long* classCount, Model& m) {
        return Learn(s, patterns, count, classCount, m);
      },
      model);
}

}  // namespace

const MethodEntry kKohonenMethod{"kohonen", kMainCaption, Train, Apply, CheckCodebook, NetworkScore<NearestCodebook>};

}  // namespace zt

using namespace zt;

long ztKohonenNNClass(void* source, long* bands, long bandCount, unsigned long clusterCount, long interval,
                      double learningRate, double changeThreshold, long maxIterations, void* result, long rows,
                      long columns, long firstRow, long firstColumn) {
  return Framed([&] {
    const KohonenSettings s{static_cast<long>(clusterCount), learningRate, changeThreshold, maxIterations};
    const NetworkCall call{source, bands, bandCount, result, Window{rows, columns, firstRow, firstColumn},
                           kMainCaption, kPassCaption};
    return RunUnsupervisedNetwork(
        call, clusterCount, interval,
        [&](double** patterns, long count, long* classCount, Model& model) {
          return Learn(s, patterns, count, classCount, model);
        },
        Apply);
  });
}
