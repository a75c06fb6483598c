#pragma once
// Second-order feed-forward network: each neuron weighs its inputs and the
// products of pairs of them (with their squares when asked), trained online
// by back-propagation. The network may have no hidden layer.
#include <vector>

#include "ztclass/records.h"

namespace zt {

struct HRNeuron {
  double output = 0.0;
  double delta = 0.0;
  double bias = 0.0;
  double previousBias = 0.0;
};

// One layer of neurons with n inputs each: linear weights [j * n + i] and
// pair weights [(j * n + i) * n + l], of which only l > i (l >= i with
// squares) take part.
struct HRLayer {
  long inputs = 0;
  long size = 0;
  std::vector<HRNeuron> neurons;
  std::vector<double> weights, previousWeights;
  std::vector<double> pairWeights, previousPairWeights;

  double& Weight(long j, long i) { return weights[j * inputs + i]; }
  double& Pair(long j, long i, long l) { return pairWeights[(j * inputs + i) * inputs + l]; }
  double Pair(long j, long i, long l) const { return pairWeights[(j * inputs + i) * inputs + l]; }
};

class CHighRankNN {
 public:
  CHighRankNN() = default;
  virtual ~CHighRankNN() = default;
  CHighRankNN(const CHighRankNN&) = delete;
  CHighRankNN& operator=(const CHighRankNN&) = delete;

  long Create(long inputCount, long outputCount, bool noHidden, long hiddenLayerCount, const long* sizes);
  void InitWeights(bool noHidden);
  void Forward(const double* pattern, bool noHidden, bool includeSquares);
  void ComputeError(long classNo);
  void ComputeDeltas(long classNo, bool noHidden, bool includeSquares);
  void UpdateWeights(double rate, long classNo, bool noHidden, bool includeSquares, bool useMomentum,
                     double momentum);
  void TrainSample(const double* pattern, long classNo, double rate, bool noHidden, bool includeSquares,
                   bool useMomentum, double momentum);
  long Train(const AOICELL* samples, long count, double rate, bool noHidden, bool includeSquares, bool useMomentum,
             double momentum, long maxEpochs, double threshold);
  void Classify(const double* pattern, long* classNo, bool noHidden, bool includeSquares);
  void Release();

  double Error() const { return error_; }
  long LayerCount() const { return static_cast<long>(layers_.size()); }
  // Hidden layers first, the output layer last.
  HRLayer& Layer(long k) { return layers_[k]; }

 private:
  const double* LayerInput(long k);

  double error_ = 0.0;
  long inputCount_ = 0;
  long outputCount_ = 0;
  long hiddenLayerCount_ = 0;
  const long* hiddenLayerSizes_ = nullptr;
  std::vector<double> input_;
  std::vector<HRLayer> layers_;
  std::vector<double> gathered_;
};

}  // namespace zt
