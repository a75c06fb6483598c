// The LVQ2 network classifier, and its model: one codebook vector per
// class.
#include "frame/entry.h"
#include "model/method_list.h"
#include "neural/lvq2_network.h"
#include "neural/nearest_codebook.h"
#include "neural/network_driver.h"
#include "ztclass/neural.h"

namespace zt {

namespace {

constexpr int kMainCaption = 9;
constexpr int kPassCaption = 2;

struct LVQ2Settings {
  double tuneRate;
  long tuneIterations;
  double lvqRate;
  long lvqIterations;
};

long Learn(const LVQ2Settings& s, long classCount, const AOICELL* samples, long count, Model& model) {
  CLVQ2NN network;
  const long n = static_cast<long>(model.bands.size());
  if (long rc = network.Create(n, classCount)) return rc;
  if (long rc = network.Train(samples, count, s.tuneIterations, s.tuneRate, s.lvqIterations, s.lvqRate)) return rc;
  model.Put("codebook", {classCount, n}, network.Codebook());
  return RC_OK;
}

long Apply(const Model& model, ClassificationPass& pass) {
  return ApplyNetwork<NearestCodebook>(model, pass, kPassCaption);
}

long Train(const TrainRequest& r, Model& model) {
  ParameterReader p(r.parameters, model.parameters);
  const LVQ2Settings s{p.Number("tune-rate", 0.05, 0.0, 1e30), p.Integer("tune-epochs", 1, 0, ZT_MAX_EPOCHS),
                       p.Number("lvq-rate", 0.002, 0.0, 1e30), p.Integer("lvq-epochs", 50, 0, ZT_MAX_EPOCHS)};
  p.Finish();
  return TrainSupervisedNetwork(
      r, kMainCaption,
      [&](long classCount, const AOICELL* samples, long count, Model& m) {
        return Learn(s, classCount, samples, count, m);
      },
      model);
}

}  // namespace

const MethodEntry kLVQ2Method{"lvq2", kMainCaption, Train, Apply, CheckCodebook, NetworkScore<NearestCodebook>};

}  // namespace zt

using namespace zt;

long ztLVQ2NNClass(void* source, long* bands, long bandCount, double tuneRate, long tuneIterations, double lvqRate,
                   long lvqIterations, void* result, long rows, long columns, long firstRow, long firstColumn) {
  return Framed([&] {
    const LVQ2Settings s{tuneRate, tuneIterations, lvqRate, lvqIterations};
    const NetworkCall call{source, bands, bandCount, result, Window{rows, columns, firstRow, firstColumn},
                           kMainCaption, kPassCaption};
    return RunSupervisedNetwork(
        call, RC_OK,
        [&](long classCount, const AOICELL* samples, long count, Model& model) {
          return Learn(s, classCount, samples, count, model);
        },
        Apply);
  });
}
