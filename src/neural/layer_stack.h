#pragma once
// What the feed-forward networks share: the logistic activation, the
// sizing of their layer stack (hidden layers, then the output layer) and the
// decision by the strongest output.
#include <algorithm>
#include <cmath>
#include <vector>

namespace zt {

inline double Sigmoid(double net) { return 1.0 / (1.0 + std::exp(-net)); }

// Sizes layers (hiddenCount + 1 of them) from the input side, each fed by the
// one below, with sizeLayer(layer, inputs, size); returns the widest hidden
// layer, 0 without one. Allocation failures propagate as std::bad_alloc.
template <typename Layer, typename SizeLayer>
long SizeLayerStack(std::vector<Layer>& layers, long inputCount, long hiddenCount, const long* hiddenSizes,
                    long outputCount, SizeLayer sizeLayer) {
  layers.resize(hiddenCount + 1);
  long below = inputCount, widest = 0;
  for (long k = 0; k < hiddenCount; ++k) {
    sizeLayer(layers[k], below, hiddenSizes[k]);
    widest = std::max(widest, hiddenSizes[k]);
    below = hiddenSizes[k];
  }
  sizeLayer(layers.back(), below, outputCount);
  return widest;
}

// The sums of a layer's inputs in weights stored input-major
// (weights[i * size + j] the weight of neuron j on input i): over the neurons
// in vector lanes, each neuron summing its inputs in input order. Training and
// the deciding threads share it, so both give the same outputs to the bit.
inline void WeightedSums(const double* in, long inputs, const double* weights, long size, double* net) {
  std::fill(net, net + size, 0.0);
  for (long i = 0; i < inputs; ++i) {
    const double* w = weights + i * size;
    const double v = in[i];
#pragma omp simd
    for (long j = 0; j < size; ++j) net[j] += w[j] * v;
  }
}

// The class of the strongest of count outputs, output(k) the k-th (from 1),
// the lower one on ties; 0 (rejected) when even that output is below
// rejectBelow.
template <typename Output>
long StrongestOutput(long count, Output&& output, double rejectBelow) {
  long best = 0;
  for (long k = 1; k < count; ++k)
    if (output(k) > output(best)) best = k;
  return output(best) < rejectBelow ? 0 : best + 1;
}

}  // namespace zt
