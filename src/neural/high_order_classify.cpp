// The high-order BP network classifier, and its model: each layer's linear
// weights, pair weights and biases, hidden layers first.
#include <string>
#include <vector>

#include "frame/avx2_build.h"
#include "frame/entry.h"
#include "model/method_list.h"
#include "neural/high_order_network.h"
#include "neural/layer_stack.h"
#include "neural/network_driver.h"
#include "ztclass/neural.h"

namespace zt {

namespace {

constexpr int kMainCaption = 13;
constexpr int kPassCaption = 14;
constexpr long kMaxHidden = 500;

struct HighOrderSettings {
  std::vector<long> hidden;
  bool includeSquares;
  double rate;
  bool useMomentum;
  double momentum;
  double threshold;
  long maxIterations;
};

std::string LayerName(long k, const char* what) { return "layer-" + std::to_string(k) + "-" + what; }

long Learn(const HighOrderSettings& s, RandomDraws& draws, long classCount, const AOICELL* samples, long count,
           Model& model) {
  CHighRankNN network;
  const bool noHidden = s.hidden.empty();
  const long hiddenCount = static_cast<long>(s.hidden.size());
  if (long rc = network.Create(static_cast<long>(model.bands.size()), classCount, noHidden, hiddenCount,
                               s.hidden.data()))
    return rc;
  network.InitWeights(noHidden, draws);
  if (long rc = network.Train(samples, count, s.rate, noHidden, s.includeSquares, s.useMomentum, s.momentum,
                              s.maxIterations, s.threshold))
    return rc;
  model.Put("hidden-sizes", {hiddenCount}, std::vector<double>(s.hidden.begin(), s.hidden.end()));
  for (long k = 0; k < network.LayerCount(); ++k) {
    const HRLayer& layer = network.Layer(k);
    std::vector<double> biases;
    for (const HRNeuron& n : layer.neurons) biases.push_back(n.bias);
    model.Put(LayerName(k, "weights"), {layer.size, layer.inputs}, layer.weights);
    model.Put(LayerName(k, "pair-weights"), {layer.size, layer.inputs, layer.inputs}, layer.pairWeights);
    model.Put(LayerName(k, "biases"), {layer.size}, std::move(biases));
  }
  return RC_OK;
}

// The forward pass over the model's layers, each thread with its own
// outputs: the class of the strongest output, none below 0.2; the score is
// that output. Runs of pixels go side by side, neuron by neuron.
class Decision {
 public:
  explicit Decision(const Model& m) : squares_(m.parameters.at("squares").get<bool>()) {
    long widest = 0;
    for (long k = 0; m.numbers.count(LayerName(k, "weights")); ++k) {
      const Numbers& weights = m.At(LayerName(k, "weights"));
      layers_.push_back({weights.shape[1], weights.shape[0], weights.values.data(),
                         m.At(LayerName(k, "pair-weights")).values.data(), m.At(LayerName(k, "biases")).values.data()});
      widest = std::max(widest, weights.shape[0]);
    }
    below_.resize(widest);
    above_.resize(widest);
  }

  // Decide for each of count pixels, x[band * kRunPixels + pixel] its
  // scaled values.
  ZT_AVX2_BUILD void DecideRun(const double* x, long count, double* classes) {
    if (runSums_.empty()) {
      runSums_.resize(below_.size() * kRunPixels);
      runPairs_.resize(kRunPixels);
      runBelow_.resize(below_.size() * kRunPixels);
      runAbove_.resize(below_.size() * kRunPixels);
    }
    const double* in = x;
    const Layer& out = layers_.back();
    for (const Layer& layer : layers_) {
      const long n = layer.inputs;
      for (long j = 0; j < layer.size; ++j) {
        double* sums = &runSums_[j * kRunPixels];
        HighOrderSumRun(in, n, layer.weights + j * n, layer.pairs + j * n * n, squares_, count, kRunPixels, sums,
                        runPairs_.data());
        if (&layer != &out) {
          SigmoidRun(sums, layer.biases[j], count, &runAbove_[j * kRunPixels]);
        } else {
          const double bias = layer.biases[j];
#pragma omp simd
          for (long p = 0; p < count; ++p) sums[p] += bias;
        }
      }
      std::swap(runBelow_, runAbove_);
      in = runBelow_.data();
    }
    StrongestSigmoidRun(runSums_.data(), out.size, count, kRunPixels, reject_, classes);
  }

  long Decide(const double* x, double* score) {
    const double* in = x;
    for (const Layer& layer : layers_) {
      const long n = layer.inputs;
      for (long j = 0; j < layer.size; ++j)
        above_[j] = Sigmoid(HighOrderSum(in, n, layer.weights + j * n, layer.pairs + j * n * n, squares_) +
                            layer.biases[j]);
      std::swap(below_, above_);
      in = below_.data();
    }
    const long classNo =
        StrongestOutput(layers_.back().size, [in](long k) { return in[k]; }, kHighOrderRejectBelow);
    *score = in[classNo > 0 ? classNo - 1 : 0];
    return classNo;
  }

 private:
  struct Layer {
    long inputs, size;
    const double* weights;
    const double* pairs;
    const double* biases;
  };
  bool squares_;
  std::vector<Layer> layers_;
  std::vector<double> below_, above_;
  // The run's sums and outputs, [neuron * kRunPixels + pixel]; sized by the
  // first run, so that the copies of the deciding threads start small.
  std::vector<double> runSums_, runPairs_, runBelow_, runAbove_;
  SigmoidReject reject_{kHighOrderRejectBelow};
};

long Apply(const Model& model, ClassificationPass& pass) { return ApplyNetwork<Decision>(model, pass, kPassCaption); }

long HighOrderClassify(void* source, long* bands, long bandCount, long* hiddenLayerSizes, long hiddenLayerCount,
                       const HighOrderSettings& given, void* result, const Window& w) {
  const NetworkCall call{source, bands, bandCount, result, w, kMainCaption, kPassCaption};
  const long methodCheck =
      hiddenLayerCount < 0 ? RC_BAD_WINDOW : CheckHiddenLayers(hiddenLayerSizes, hiddenLayerCount);
  return RunSupervisedNetwork(
      call, methodCheck,
      [&](long classCount, const AOICELL* samples, long count, Model& model) {
        HighOrderSettings s = given;
        s.hidden.assign(hiddenLayerSizes, hiddenLayerSizes + hiddenLayerCount);
        model.parameters["squares"] = s.includeSquares;
        return Learn(s, ProcessRandom(), classCount, samples, count, model);
      },
      Apply);
}

long Train(const TrainRequest& r, Model& model) {
  ParameterReader p(r.parameters, model.parameters);
  const HighOrderSettings s{p.IntegerList("hidden", std::vector<long>{}, 1, kMaxHidden),
                            p.Flag("squares", false),
                            p.Number("rate", 0.02, 0.0, 1e30),
                            p.Flag("use-momentum", false),
                            p.Number("momentum", 0.5, 0.0, 1e30),
                            p.Number("error", 0.01, 0.0, 1e30),
                            p.Integer("epochs", 3000, 0, ZT_MAX_EPOCHS)};
  RandomDraws draws(ReadSeed(p));
  p.Finish();
  return TrainSupervisedNetwork(
      r, kMainCaption,
      [&](long classCount, const AOICELL* samples, long count, Model& m) {
        return Learn(s, draws, classCount, samples, count, m);
      },
      model);
}

// Hidden layers of 1..500 neurons (or none), each layer fed by the one
// below (the first by the bands), the last one output per class.
std::string Check(const Model& m) {
  std::vector<long> hidden;
  const long hiddenCount = m.numbers.count("hidden-sizes") ? static_cast<long>(m.At("hidden-sizes").values.size()) : 0;
  if (std::string reason = FirstReason({CheckScaling(m), CheckFlagParameter(m, "squares"),
                                        ExpectSizes(m, "hidden-sizes", hiddenCount, 1, kMaxHidden, &hidden)});
      !reason.empty())
    return reason;
  hidden.push_back(m.highestClass);
  long below = m.BandCount();
  for (long k = 0; k < static_cast<long>(hidden.size()); ++k) {
    if (std::string reason = FirstReason({ExpectShape(m, LayerName(k, "weights"), {hidden[k], below}),
                                          ExpectShape(m, LayerName(k, "pair-weights"), {hidden[k], below, below}),
                                          ExpectShape(m, LayerName(k, "biases"), {hidden[k]})});
        !reason.empty())
      return reason;
    below = hidden[k];
  }
  if (m.numbers.size() != hidden.size() * 3 + 1) return "the model holds numbers a high-order network has not";
  return "";
}

}  // namespace

const MethodEntry kHighOrderMethod{"hrbp", kMainCaption, Train, Apply, Check, NetworkScore<Decision>};

}  // namespace zt

using namespace zt;

long ztHRBPNNClass(void* source, long* bands, long bandCount, long* hiddenLayerSizes, long hiddenLayerCount,
                   bool includeSquares, double learningRate, bool useMomentum, double momentum, double errorThreshold,
                   long maxIterations, void* result, long rows, long columns, long firstRow, long firstColumn) {
  return Framed([&] {
    const HighOrderSettings settings{{},         includeSquares, learningRate,  useMomentum,
                                     momentum,   errorThreshold, maxIterations};
    return HighOrderClassify(source, bands, bandCount, hiddenLayerSizes, hiddenLayerCount, settings, result,
                             Window{rows, columns, firstRow, firstColumn});
  });
}
