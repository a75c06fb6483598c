#pragma once
// Multi-layer feed-forward network of sigmoid neurons trained online by
// error back-propagation with momentum.
#include <vector>

#include "neural/random_between.h"
#include "ztclass/records.h"

namespace zt {

// The strongest output wins, the lower index on ties; below this none does.
constexpr double kBPRejectBelow = 0.1;

struct BPNeuron {
  double output = 0.0;
  double delta = 0.0;
  double bias = 0.0;
  double previousBias = 0.0;
};

// One layer: its neurons and their weights, stored input-major
// (weights[i * size + j] is the weight of neuron j on input i), so that the
// forward pass runs over the neurons in vector lanes while each neuron still
// sums its inputs in input order.
struct BPLayer {
  long inputs = 0;
  long size = 0;
  std::vector<BPNeuron> neurons;
  std::vector<double> weights;
  std::vector<double> previousWeights;
  std::vector<double> net;  // scratch of the forward pass

  double& Weight(long j, long i) { return weights[i * size + j]; }
  double Weight(long j, long i) const { return weights[i * size + j]; }
};

class CBPNN {
 public:
  CBPNN() = default;
  virtual ~CBPNN() = default;
  CBPNN(const CBPNN&) = delete;
  CBPNN& operator=(const CBPNN&) = delete;

  // The sizes array is the caller's and must outlive the network.
  long Create(long inputCount, long outputCount, long hiddenLayerCount, const long* hiddenLayerSizes);
  void InitWeights(RandomDraws& draws);
  void Forward(const double* pattern);
  void ComputeError(long classNo);
  void ComputeDeltas(long classNo);
  void UpdateWeights(double rate, double momentum);
  void TrainSample(const double* pattern, long classNo, double rate, double momentum);
  long Train(const AOICELL* samples, long count, double rate, double momentum, long maxEpochs, double threshold);
  void Classify(const double* pattern, long* classNo);
  void Release();

  double Error() const { return error_; }
  long HiddenLayerCount() const { return hiddenLayerCount_; }
  // Hidden layers first, the output layer last.
  const BPLayer& Layer(long k) const { return layers_[k]; }
  BPLayer& Layer(long k) { return layers_[k]; }
  const BPLayer& OutputLayer() const { return layers_.back(); }

 private:
  // The values layer k takes: the input vector, or the outputs of the layer
  // below gathered into one array.
  const double* LayerInput(long k);

  double error_ = 0.0;
  long inputCount_ = 0;
  long outputCount_ = 0;
  long hiddenLayerCount_ = 0;
  const long* hiddenLayerSizes_ = nullptr;
  std::vector<double> input_;
  std::vector<BPLayer> layers_;
  std::vector<double> gathered_;
};

}  // namespace zt
