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

// The class of the strongest output neuron (from 1), the lower one on ties;
// 0 (rejected) when even that output is below rejectBelow.
template <typename Layer>
long StrongestOutput(const Layer& out, double rejectBelow) {
  long best = 0;
  for (long k = 1; k < out.size; ++k)
    if (out.neurons[k].output > out.neurons[best].output) best = k;
  return out.neurons[best].output < rejectBelow ? 0 : best + 1;
}

}  // namespace zt
