// The BP network classifier, and its model: the weights and biases of each
// layer, hidden layers first.
#include <string>
#include <vector>

#include "frame/avx2_build.h"
#include "frame/entry.h"
#include "model/method_list.h"
#include "model/model_error.h"
#include "neural/bp_network.h"
#include "neural/layer_stack.h"
#include "neural/network_driver.h"
#include "ztclass/neural.h"

namespace zt {

namespace {

constexpr int kMainCaption = 1;
constexpr int kPassCaption = 2;
constexpr long kMaxHidden = 500;

struct BPSettings {
  std::vector<long> hidden;
  double rate, momentum, threshold;
  long maxIterations;
};

std::string LayerName(long k, const char* what) { return "layer-" + std::to_string(k) + "-" + what; }

// Layer k of the model: weights input-major, [input * size + neuron].
void PutLayer(Model& model, long k, const BPLayer& layer) {
  std::vector<double> biases;
  for (const BPNeuron& n : layer.neurons) biases.push_back(n.bias);
  model.Put(LayerName(k, "weights"), {layer.inputs, layer.size}, layer.weights);
  model.Put(LayerName(k, "biases"), {layer.size}, std::move(biases));
}

long Learn(const BPSettings& s, RandomDraws& draws, long classCount, const AOICELL* samples, long count,
           Model& model) {
  CBPNN network;
  const long inputs = static_cast<long>(model.bands.size());
  const long hiddenCount = static_cast<long>(s.hidden.size());
  if (long rc = network.Create(inputs, classCount, hiddenCount, s.hidden.data())) return rc;
  network.InitWeights(draws);
  if (long rc = network.Train(samples, count, s.rate, s.momentum, s.maxIterations, s.threshold)) return rc;
  std::vector<double> sizes(s.hidden.begin(), s.hidden.end());
  model.Put("hidden-sizes", {hiddenCount}, std::move(sizes));
  for (long k = 0; k <= hiddenCount; ++k) PutLayer(model, k, network.Layer(k));
  return RC_OK;
}

// The forward pass over the model's layers, each thread with its own sums
// and outputs: the class of the strongest output, none below 0.1; the score
// is that output. Runs of pixels go side by side, neuron by neuron.
class Decision {
 public:
  explicit Decision(const Model& m) {
    long widest = 0;
    for (long k = 0; m.numbers.count(LayerName(k, "weights")); ++k) {
      const Numbers& weights = m.At(LayerName(k, "weights"));
      layers_.push_back({weights.shape[0], weights.shape[1], weights.values.data(),
                         m.At(LayerName(k, "biases")).values.data()});
      widest = std::max(widest, weights.shape[1]);
    }
    net_.resize(widest);
    below_.resize(widest);
    above_.resize(widest);
  }

  // Decide for each of count pixels, x[band * kRunPixels + pixel] its
  // scaled values.
  ZT_AVX2_BUILD void DecideRun(const double* x, long count, double* classes) {
    if (runNet_.empty()) {
      runNet_.resize(net_.size() * kRunPixels);
      runBelow_.resize(net_.size() * kRunPixels);
      runAbove_.resize(net_.size() * kRunPixels);
    }
    const double* in = x;
    const Layer& out = layers_.back();
    for (const Layer& layer : layers_) {
      WeightedSumsRun(in, layer.inputs, layer.weights, layer.size, count, kRunPixels, runNet_.data());
      if (&layer == &out) break;
      for (long j = 0; j < layer.size; ++j)
        SigmoidRun(&runNet_[j * kRunPixels], layer.biases[j], count, &runAbove_[j * kRunPixels]);
      std::swap(runBelow_, runAbove_);
      in = runBelow_.data();
    }
    for (long k = 0; k < out.size; ++k) {
      double* t = &runNet_[k * kRunPixels];
      const double bias = out.biases[k];
#pragma omp simd
      for (long p = 0; p < count; ++p) t[p] += bias;
    }
    StrongestSigmoidRun(runNet_.data(), out.size, count, kRunPixels, reject_, classes);
  }

  long Decide(const double* x, double* score) {
    const double* in = x;
    for (const Layer& layer : layers_) {
      WeightedSums(in, layer.inputs, layer.weights, layer.size, net_.data());
      for (long j = 0; j < layer.size; ++j) above_[j] = Sigmoid(net_[j] + layer.biases[j]);
      std::swap(below_, above_);
      in = below_.data();
    }
    const long classNo = StrongestOutput(layers_.back().size, [in](long k) { return in[k]; }, kBPRejectBelow);
    *score = in[classNo > 0 ? classNo - 1 : 0];
    return classNo;
  }

 private:
  struct Layer {
    long inputs, size;
    const double* weights;
    const double* biases;
  };
  std::vector<Layer> layers_;
  std::vector<double> net_, below_, above_;
  // The run's sums and outputs, [neuron * kRunPixels + pixel]; sized by the
  // first run, so that the copies of the deciding threads start small.
  std::vector<double> runNet_, runBelow_, runAbove_;
  SigmoidReject reject_{kBPRejectBelow};
};

long Apply(const Model& model, ClassificationPass& pass) { return ApplyNetwork<Decision>(model, pass, kPassCaption); }

long BPClassify(void* source, long* bands, long bandCount, long* hiddenLayerSizes, long hiddenLayerCount,
                double rate, double momentum, double threshold, long maxIterations, void* result, const Window& w) {
  const NetworkCall call{source, bands, bandCount, result, w, kMainCaption, kPassCaption};
  const long methodCheck =
      hiddenLayerCount < 1 ? RC_BAD_WINDOW : CheckHiddenLayers(hiddenLayerSizes, hiddenLayerCount);
  return RunSupervisedNetwork(
      call, methodCheck,
      [&](long classCount, const AOICELL* samples, long count, Model& model) {
        const BPSettings s{std::vector<long>(hiddenLayerSizes, hiddenLayerSizes + hiddenLayerCount), rate, momentum,
                           threshold, maxIterations};
        return Learn(s, ProcessRandom(), classCount, samples, count, model);
      },
      Apply);
}

long Train(const TrainRequest& r, Model& model) {
  ParameterReader p(r.parameters, model.parameters);
  BPSettings s{p.IntegerList("hidden", std::vector<long>{5}, 1, kMaxHidden), p.Number("rate", 0.0015, 0.0, 1e30),
               p.Number("momentum", 0.5, 0.0, 1e30), p.Number("error", 0.001, 0.0, 1e30),
               p.Integer("epochs", 4000, 0, ZT_MAX_EPOCHS)};
  RandomDraws draws(ReadSeed(p));
  p.Finish();
  if (s.hidden.empty()) throw ModelError(RC_BAD_PARAMETER, "the parameter \"hidden\" needs at least one layer");
  return TrainSupervisedNetwork(
      r, kMainCaption,
      [&](long classCount, const AOICELL* samples, long count, Model& m) {
        return Learn(s, draws, classCount, samples, count, m);
      },
      model);
}

// Hidden layers of 1..500 neurons, each layer fed by the one below (the
// first by the bands), the last one output per class.
std::string Check(const Model& m) {
  std::vector<long> hidden;
  const long hiddenCount = m.numbers.count("hidden-sizes") ? static_cast<long>(m.At("hidden-sizes").values.size()) : 0;
  if (std::string reason = FirstReason({CheckScaling(m), ExpectSizes(m, "hidden-sizes", hiddenCount, 1, kMaxHidden, &hidden)});
      !reason.empty())
    return reason;
  if (hidden.empty()) return "the network has no hidden layer";
  hidden.push_back(m.highestClass);
  long below = m.BandCount();
  for (long k = 0; k < static_cast<long>(hidden.size()); ++k) {
    if (std::string reason = FirstReason({ExpectShape(m, LayerName(k, "weights"), {below, hidden[k]}),
                                          ExpectShape(m, LayerName(k, "biases"), {hidden[k]})});
        !reason.empty())
      return reason;
    below = hidden[k];
  }
  if (m.numbers.size() != hidden.size() * 2 + 1) return "the model holds numbers a BP network has not";
  return "";
}

}  // namespace

const MethodEntry kBPMethod{"bp", kMainCaption, Train, Apply, Check, NetworkScore<Decision>};

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
