// The RBF network classifier, and its model: the hidden units' centres and
// spreads, and the output weights.
#include <algorithm>
#include <cmath>
#include <vector>

#include "frame/decider_scratch.h"
#include "frame/entry.h"
#include "model/method_list.h"
#include "model/model_error.h"
#include "neural/layer_stack.h"
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

long Learn(const RBFSettings& s, RandomDraws& draws, long classCount, const AOICELL* samples, long count,
           Model& model) {
  CRBFNN network;
  const long n = static_cast<long>(model.bands.size());
  network.SetSizes(n, classCount);
  if (long rc = network.Train(samples, count, s.centreIterations, s.centreRate, s.centreThreshold,
                              s.outputIterations, s.outputRate, s.errorThreshold, draws))
    return rc;
  std::vector<double> centres, spreads, weights;
  for (const RBFUnit& unit : network.Hidden()) {
    centres.insert(centres.end(), unit.centre.begin(), unit.centre.end());
    spreads.push_back(unit.spread);
  }
  for (const RBFOutput& out : network.Outputs()) weights.insert(weights.end(), out.weights.begin(), out.weights.end());
  const long units = network.HiddenCount();
  model.Put("centres", {units, n}, std::move(centres));
  model.Put("spreads", {units}, std::move(spreads));
  model.Put("output-weights", {classCount, units}, std::move(weights));
  return RC_OK;
}

// The units' answers, then the outputs, each thread with its own: the class
// of the strongest output; the score is that output.
class Decision {
 public:
  explicit Decision(const Model& m)
      : n_(m.At("centres").shape[1]),
        centres_(m.At("centres").values.data()),
        units_(static_cast<long>(m.At("spreads").values.size())),
        spreads_(m.At("spreads").values.data()),
        weights_(m.At("output-weights").values.data()),
        outputs_(m.At("output-weights").shape[0]),
        phi_(DeciderScratch(units_)),
        out_(DeciderScratch(outputs_)) {}

  long Decide(const double* x, double* score) {
    const long units = units_;
    for (long u = 0; u < units; ++u) phi_[u] = RBFActivation(CentreDistance(x, centres_ + u * n_, n_), spreads_[u]);
    for (long k = 0; k < outputs_; ++k) {
      double o = 0.0;
      for (long u = 0; u < units; ++u) o += weights_[k * units + u] * phi_[u];
      out_[k] = o;
    }
    const long classNo = StrongestOutput(outputs_, [this](long k) { return out_[k]; }, kNoRejection);
    *score = out_[classNo - 1];
    return classNo;
  }

  // Decide for each of count pixels, x[band * kRunPixels + pixel] its
  // scaled values: each pixel through the operations of Decide in their
  // order, the pixels side by side in vector lanes, libm's exp one value at
  // a time.
  void DecideRun(const double* x, long count, double* classes) {
    if (runPhi_.empty()) {
      runPhi_.resize(units_ * kRunPixels);
      runOut_.resize(outputs_ * kRunPixels);
    }
    for (long u = 0; u < units_; ++u) {
      const double* c = centres_ + u * n_;
      const double spread = spreads_[u];
      double* phi = &runPhi_[u * kRunPixels];
      std::fill(phi, phi + count, 0.0);
      for (long i = 0; i < n_; ++i) {
        const double centre = c[i];
        const double* xi = x + i * kRunPixels;
#pragma omp simd
        for (long p = 0; p < count; ++p) phi[p] += (xi[p] - centre) * (xi[p] - centre);
      }
      if (spread == 0.0) {
#pragma omp simd
        for (long p = 0; p < count; ++p) phi[p] = phi[p] == 0.0 ? 1.0 : 0.0;
      } else {
#pragma omp simd
        for (long p = 0; p < count; ++p) phi[p] = -phi[p] / (2.0 * spread);
        for (long p = 0; p < count; ++p) phi[p] = std::exp(phi[p]);
      }
    }
    for (long k = 0; k < outputs_; ++k) {
      double* out = &runOut_[k * kRunPixels];
      std::fill(out, out + count, 0.0);
      for (long u = 0; u < units_; ++u) {
        const double w = weights_[k * units_ + u];
        const double* phi = &runPhi_[u * kRunPixels];
#pragma omp simd
        for (long p = 0; p < count; ++p) out[p] += w * phi[p];
      }
    }
    for (long p = 0; p < count; ++p)
      classes[p] = static_cast<double>(
          StrongestOutput(outputs_, [this, p](long k) { return runOut_[k * kRunPixels + p]; }, kNoRejection));
  }

 private:
  long n_;
  const double* centres_;
  long units_;
  const double* spreads_;
  const double* weights_;
  long outputs_;
  std::vector<double> phi_, out_;
  // The run's unit answers and outputs, [unit or output * kRunPixels +
  // pixel]; sized by the first run, so that the copies of the deciding
  // threads start small.
  std::vector<double> runPhi_, runOut_;
};

long Apply(const Model& model, ClassificationPass& pass) { return ApplyNetwork<Decision>(model, pass, kPassCaption); }

long RBFClassify(void* source, long* bands, long bandCount, const RBFSettings& s, void* result, const Window& w) {
  const NetworkCall call{source, bands, bandCount, result, w, kMainCaption, kPassCaption};
  return RunSupervisedNetwork(
      call, RC_OK,
      [&](long classCount, const AOICELL* samples, long count, Model& model) {
        return Learn(s, ProcessRandom(), classCount, samples, count, model);
      },
      Apply);
}

long Train(const TrainRequest& r, Model& model) {
  ParameterReader p(r.parameters, model.parameters);
  const RBFSettings s{p.Number("centre-rate", 0.05, 0.0, 1e30),   p.Number("centre-threshold", 1e-8, 0.0, 1e30),
                      p.Integer("centre-epochs", 50, 0, ZT_MAX_EPOCHS), p.Number("output-rate", 0.0005, 0.0, 1e30),
                      p.Number("error", 0.001, 0.0, 1e30),          p.Integer("output-epochs", 3000, 0, ZT_MAX_EPOCHS)};
  RandomDraws draws(ReadSeed(p));
  p.Finish();
  return TrainSupervisedNetwork(
      r, kMainCaption,
      [&](long classCount, const AOICELL* samples, long count, Model& m) {
        const long rc = Learn(s, draws, classCount, samples, count, m);
        if (rc == RC_TOO_FEW_SAMPLES)
          throw ModelError(rc, "no hidden unit is left: each class centre has 5 or fewer nearest training pixels");
        return rc;
      },
      model);
}

// Up to one unit per class (sparse ones removed), each spread 0 or more,
// one output per class.
std::string Check(const Model& m) {
  const long units = m.numbers.count("spreads") ? static_cast<long>(m.At("spreads").values.size()) : 0;
  if (std::string reason = FirstReason({CheckScaling(m), ExpectShape(m, "spreads", {units}),
                                        ExpectShape(m, "centres", {units, m.BandCount()}),
                                        ExpectShape(m, "output-weights", {m.highestClass, units})});
      !reason.empty())
    return reason;
  if (units > m.highestClass) return "the network has more units than classes";
  for (double spread : m.At("spreads").values)
    if (spread < 0.0) return "a unit's spread is below 0";
  if (m.numbers.size() != 3) return "the model holds numbers an RBF network has not";
  return "";
}

}  // namespace

const MethodEntry kRBFMethod{"rbf", kMainCaption, Train, Apply, Check, NetworkScore<Decision>};

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
