#pragma once
// What the feed-forward networks share: the logistic activation and the
// sizing of their layer stack (hidden layers, then the output layer).
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

}  // namespace zt
