#include "neural/bp_network.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "frame/progress_session.h"
#include "neural/free_storage.h"
#include "neural/layer_stack.h"
#include "ztclass/result_codes.h"

namespace zt {

namespace {

constexpr int kTrainCaption = 5;
constexpr double kHighTarget = 0.9;
constexpr double kLowTarget = 0.1;
constexpr double kInitialMeanError = 1000.0;

inline double Target(long k, long classNo) { return k == classNo - 1 ? kHighTarget : kLowTarget; }

void SizeLayer(BPLayer& layer, long inputs, long size) {
  layer.inputs = inputs;
  layer.size = size;
  layer.neurons.assign(size, BPNeuron{});
  layer.weights.assign(static_cast<size_t>(inputs) * size, 0.0);
  layer.previousWeights.assign(static_cast<size_t>(inputs) * size, 0.0);
  layer.net.assign(size, 0.0);
}

}  // namespace

long CBPNN::Create(long inputCount, long outputCount, long hiddenLayerCount, const long* hiddenLayerSizes) {
  inputCount_ = inputCount;
  outputCount_ = outputCount;
  hiddenLayerCount_ = hiddenLayerCount;
  hiddenLayerSizes_ = hiddenLayerSizes;
  try {
    input_.assign(inputCount, 0.0);
    gathered_.assign(
        SizeLayerStack(layers_, inputCount, hiddenLayerCount, hiddenLayerSizes, outputCount, SizeLayer), 0.0);
  } catch (const std::bad_alloc&) {
    Release();
    return RC_OUT_OF_MEMORY;
  }
  return RC_OK;
}

// Neuron by neuron from the input side: bias, then its weights in input
// order. The draws follow that order, whatever the weights' layout.
void CBPNN::InitWeights(RandomDraws& draws) {
  error_ = 0.0;
  std::fill(input_.begin(), input_.end(), 0.0);
  for (BPLayer& layer : layers_) {
    for (long j = 0; j < layer.size; ++j) {
      BPNeuron& neuron = layer.neurons[j];
      neuron = BPNeuron{};
      neuron.bias = draws.Between(0.0, 0.1);
      for (long i = 0; i < layer.inputs; ++i) layer.Weight(j, i) = draws.Between(0.0, 0.2);
    }
    std::fill(layer.previousWeights.begin(), layer.previousWeights.end(), 0.0);
  }
}

const double* CBPNN::LayerInput(long k) {
  if (k == 0) return input_.data();
  const BPLayer& below = layers_[k - 1];
  for (long i = 0; i < below.size; ++i) gathered_[i] = below.neurons[i].output;
  return gathered_.data();
}

void CBPNN::Forward(const double* pattern) {
  std::copy(pattern, pattern + inputCount_, input_.begin());
  for (long k = 0; k < static_cast<long>(layers_.size()); ++k) {
    BPLayer& layer = layers_[k];
    const double* in = LayerInput(k);
    double* net = layer.net.data();
    const long m = layer.size;
    WeightedSums(in, layer.inputs, layer.weights.data(), m, net);
    for (long j = 0; j < m; ++j) layer.neurons[j].output = Sigmoid(net[j] + layer.neurons[j].bias);
  }
}

void CBPNN::ComputeError(long classNo) {
  const BPLayer& out = layers_.back();
  double sum = 0.0;
  for (long k = 0; k < out.size; ++k) {
    const double d = Target(k, classNo) - out.neurons[k].output;
    sum += d * d;
  }
  error_ = 0.5 * sum;
}

void CBPNN::ComputeDeltas(long classNo) {
  BPLayer& out = layers_.back();
  for (long k = 0; k < out.size; ++k) {
    BPNeuron& n = out.neurons[k];
    n.delta = (Target(k, classNo) - n.output) * n.output * (1.0 - n.output);
  }
  for (long l = hiddenLayerCount_ - 1; l >= 0; --l) {
    BPLayer& layer = layers_[l];
    const BPLayer& above = layers_[l + 1];
    for (long j = 0; j < layer.size; ++j) {
      double sum = 0.0;
      for (long k = 0; k < above.size; ++k) sum += above.neurons[k].delta * above.Weight(k, j);
      BPNeuron& n = layer.neurons[j];
      n.delta = n.output * (1.0 - n.output) * sum;
    }
  }
}

// With two or more hidden layers the hidden layers learn at rate (1 - momentum),
// which keeps the deep updates from overshooting; one hidden layer and the
// output layer learn at the full rate.
void CBPNN::UpdateWeights(double rate, double momentum) {
  const double hiddenRate = hiddenLayerCount_ >= 2 ? rate * (1.0 - momentum) : rate;
  for (long k = 0; k < static_cast<long>(layers_.size()); ++k) {
    BPLayer& layer = layers_[k];
    const double r = k == hiddenLayerCount_ ? rate : hiddenRate;
    const double* in = LayerInput(k);
    const long m = layer.size;
    for (long j = 0; j < m; ++j) {
      BPNeuron& n = layer.neurons[j];
      const double updated = n.bias + r * n.delta * 1.0 + momentum * (n.bias - n.previousBias);
      n.previousBias = n.bias;
      n.bias = updated;
    }
    for (long i = 0; i < layer.inputs; ++i) {
      double* w = layer.weights.data() + i * m;
      double* previous = layer.previousWeights.data() + i * m;
      const double v = in[i];
      for (long j = 0; j < m; ++j) {
        const double updated = w[j] + r * layer.neurons[j].delta * v + momentum * (w[j] - previous[j]);
        previous[j] = w[j];
        w[j] = updated;
      }
    }
  }
}

void CBPNN::TrainSample(const double* pattern, long classNo, double rate, double momentum) {
  error_ = 0.0;
  Forward(pattern);
  ComputeError(classNo);
  ComputeDeltas(classNo);
  UpdateWeights(rate, momentum);
}

long CBPNN::Train(const AOICELL* samples, long count, double rate, double momentum, long maxEpochs,
                  double threshold) {
  std::vector<double> pattern(inputCount_);
  BeginPhase(kTrainCaption, maxEpochs);
  double meanError = kInitialMeanError;
  for (long epoch = 0; epoch < maxEpochs; ++epoch) {
    if (meanError <= threshold) break;
    if (StepAndCheckStop()) return RC_CANCELLED;
    double sum = 0.0;
    for (long s = 0; s < count; ++s) {
      std::copy(samples[s].values, samples[s].values + inputCount_, pattern.begin());
      TrainSample(pattern.data(), samples[s].classNo, rate, momentum);
      sum += error_;
    }
    meanError = sum / count;
  }
  return RC_OK;
}

void CBPNN::Classify(const double* pattern, long* classNo) {
  Forward(pattern);
  const BPLayer& out = layers_.back();
  *classNo = StrongestOutput(out.size, [&out](long k) { return out.neurons[k].output; }, kBPRejectBelow);
}

void CBPNN::Release() {
  FreeStorage(input_);
  FreeStorage(layers_);
  FreeStorage(gathered_);
}

}  // namespace zt
