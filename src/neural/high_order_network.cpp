#include "neural/high_order_network.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "frame/progress_session.h"
#include "neural/free_storage.h"
#include "neural/layer_stack.h"
#include "ztclass/result_codes.h"

namespace zt {

namespace {

constexpr int kTrainCaption = 6;
constexpr double kInitialMeanError = 1000.0;

void SizeLayer(HRLayer& layer, long inputs, long size) {
  const size_t linear = static_cast<size_t>(inputs) * size;
  layer.inputs = inputs;
  layer.size = size;
  layer.neurons.assign(size, HRNeuron{});
  layer.weights.assign(linear, 0.0);
  layer.previousWeights.assign(linear, 0.0);
  layer.pairWeights.assign(linear * inputs, 0.0);
  layer.previousPairWeights.assign(linear * inputs, 0.0);
}

}  // namespace

long CHighRankNN::Create(long inputCount, long outputCount, bool noHidden, long hiddenLayerCount,
                         const long* sizes) {
  inputCount_ = inputCount;
  outputCount_ = outputCount;
  hiddenLayerCount_ = noHidden ? 0 : hiddenLayerCount;
  hiddenLayerSizes_ = sizes;
  try {
    input_.assign(inputCount, 0.0);
    gathered_.assign(SizeLayerStack(layers_, inputCount, hiddenLayerCount_, sizes, outputCount, SizeLayer), 0.0);
  } catch (const std::bad_alloc&) {
    Release();
    return RC_OUT_OF_MEMORY;
  }
  return RC_OK;
}

// Neuron by neuron from the input side: bias, linear weights, then the pair
// weights row by row.
void CHighRankNN::InitWeights(bool, RandomDraws& draws) {
  error_ = 0.0;
  for (long k = 0; k < LayerCount(); ++k) {
    HRLayer& layer = layers_[k];
    const double high = k == hiddenLayerCount_ ? 0.1 : 0.2;
    const long n = layer.inputs;
    for (long j = 0; j < layer.size; ++j) {
      layer.neurons[j] = HRNeuron{};
      layer.neurons[j].bias = draws.Between(0.0, 0.1);
      for (long i = 0; i < n; ++i) layer.Weight(j, i) = draws.Between(0.0, high);
      for (long i = 0; i < n; ++i)
        for (long l = 0; l < n; ++l) layer.Pair(j, i, l) = draws.Between(0.0, high);
    }
    std::fill(layer.previousWeights.begin(), layer.previousWeights.end(), 0.0);
    std::fill(layer.previousPairWeights.begin(), layer.previousPairWeights.end(), 0.0);
  }
}

const double* CHighRankNN::LayerInput(long k) {
  if (k == 0) return input_.data();
  const HRLayer& below = layers_[k - 1];
  for (long i = 0; i < below.size; ++i) gathered_[i] = below.neurons[i].output;
  return gathered_.data();
}

void CHighRankNN::Forward(const double* pattern, bool, bool includeSquares) {
  std::copy(pattern, pattern + inputCount_, input_.begin());
  for (long k = 0; k < LayerCount(); ++k) {
    HRLayer& layer = layers_[k];
    const double* y = LayerInput(k);
    const long n = layer.inputs;
    for (long j = 0; j < layer.size; ++j)
      layer.neurons[j].output = Sigmoid(
          HighOrderSum(y, n, layer.weights.data() + j * n, layer.pairWeights.data() + j * n * n, includeSquares) +
          layer.neurons[j].bias);
  }
}

// The stop criterion measures against 1 and 0, while learning aims at 0.9
// and 0.1.
void CHighRankNN::ComputeError(long classNo) {
  const HRLayer& out = layers_.back();
  double sum = 0.0;
  for (long k = 0; k < out.size; ++k) {
    const double d = (k == classNo - 1 ? 1.0 : 0.0) - out.neurons[k].output;
    sum += d * d;
  }
  error_ = 0.5 * sum;
}

void CHighRankNN::ComputeDeltas(long classNo, bool, bool includeSquares) {
  HRLayer& out = layers_.back();
  for (long k = 0; k < out.size; ++k) {
    HRNeuron& n = out.neurons[k];
    const double t = k == classNo - 1 ? 0.9 : 0.1;
    n.delta = (t - n.output) * n.output * (1.0 - n.output);
  }
  for (long h = hiddenLayerCount_ - 1; h >= 0; --h) {
    HRLayer& layer = layers_[h];
    const HRLayer& above = layers_[h + 1];
    const long n = above.inputs;  // = layer.size
    for (long j = 0; j < layer.size; ++j) {
      double sum = 0.0;
      for (long k = 0; k < above.size; ++k) {
        double slope = above.weights[k * n + j];
        for (long l = 0; l < n; ++l)
          if (l != j) slope += above.Pair(k, std::min(j, l), std::max(j, l)) * layer.neurons[l].output;
        if (includeSquares) slope += 2.0 * above.Pair(k, j, j) * layer.neurons[j].output;
        sum += above.neurons[k].delta * slope;
      }
      HRNeuron& neuron = layer.neurons[j];
      neuron.delta = neuron.output * (1.0 - neuron.output) * sum;
    }
  }
}

// The previous values are kept for inspection only; with useMomentum the
// weights (not the biases) learn at (1 + momentum) times the rate.
void CHighRankNN::UpdateWeights(double rate, long, bool, bool includeSquares, bool useMomentum, double momentum) {
  const double factor = useMomentum ? 1.0 + momentum : 1.0;
  for (long k = 0; k < LayerCount(); ++k) {
    HRLayer& layer = layers_[k];
    const double* y = LayerInput(k);
    const long n = layer.inputs;
    for (long j = 0; j < layer.size; ++j) {
      HRNeuron& neuron = layer.neurons[j];
      neuron.previousBias = neuron.bias;
      neuron.bias += rate * neuron.delta;
      const double step = factor * rate * neuron.delta;
      double* w = layer.weights.data() + j * n;
      double* pw = layer.previousWeights.data() + j * n;
      for (long i = 0; i < n; ++i) {
        pw[i] = w[i];
        w[i] += step * y[i];
      }
      for (long i = 0; i < n; ++i) {
        double* v = layer.pairWeights.data() + (j * n + i) * n;
        double* pv = layer.previousPairWeights.data() + (j * n + i) * n;
        for (long l = FirstPartner(i, includeSquares); l < n; ++l) {
          pv[l] = v[l];
          v[l] += step * y[i] * y[l];
        }
      }
    }
  }
}

void CHighRankNN::TrainSample(const double* pattern, long classNo, double rate, bool noHidden, bool includeSquares,
                              bool useMomentum, double momentum) {
  error_ = 0.0;
  Forward(pattern, noHidden, includeSquares);
  ComputeError(classNo);
  ComputeDeltas(classNo, noHidden, includeSquares);
  UpdateWeights(rate, classNo, noHidden, includeSquares, useMomentum, momentum);
}

long CHighRankNN::Train(const AOICELL* samples, long count, double rate, bool noHidden, bool includeSquares,
                        bool useMomentum, double momentum, long maxEpochs, double threshold) {
  std::vector<double> pattern(inputCount_);
  BeginPhase(kTrainCaption, maxEpochs);
  double meanError = kInitialMeanError;
  for (long epoch = 0; epoch < maxEpochs; ++epoch) {
    if (meanError <= threshold) break;
    if (StepAndCheckStop()) return RC_CANCELLED;
    double sum = 0.0;
    for (long s = 0; s < count; ++s) {
      std::copy(samples[s].values, samples[s].values + inputCount_, pattern.begin());
      TrainSample(pattern.data(), samples[s].classNo, rate, noHidden, includeSquares, useMomentum, momentum);
      sum += error_;
    }
    meanError = sum / count;
  }
  return RC_OK;
}

void CHighRankNN::Classify(const double* pattern, long* classNo, bool noHidden, bool includeSquares) {
  Forward(pattern, noHidden, includeSquares);
  const HRLayer& out = layers_.back();
  *classNo = StrongestOutput(out.size, [&out](long k) { return out.neurons[k].output; }, kHighOrderRejectBelow);
}

void CHighRankNN::Release() {
  FreeStorage(input_);
  FreeStorage(layers_);
  FreeStorage(gathered_);
}

}  // namespace zt
