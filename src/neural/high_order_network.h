#pragma once
// Second-order feed-forward network: each neuron weighs its inputs and the
// products of pairs of them (with their squares when asked), trained online
// by back-propagation. The network may have no hidden layer.
#include <vector>

#include "neural/random_between.h"
#include "ztclass/records.h"

namespace zt {

// The strongest output wins, the lower index on ties; below this none does.
constexpr double kHighOrderRejectBelow = 0.2;

// First partner of input i in the pair sums: i itself with squares.
inline long FirstPartner(long i, bool includeSquares) { return includeSquares ? i : i + 1; }

// A neuron's weighted sum of its n inputs y and of their pairs, before the
// bias: w its n linear weights, v its n x n pair weights (row i, column l).
inline double HighOrderSum(const double* y, long n, const double* w, const double* v, bool includeSquares) {
  double linear = 0.0;
  for (long i = 0; i < n; ++i) linear += w[i] * y[i];
  double pairs = 0.0;
  for (long i = 0; i < n; ++i)
    for (long l = FirstPartner(i, includeSquares); l < n; ++l) pairs += v[i * n + l] * y[i] * y[l];
  return linear + pairs;
}

// HighOrderSum for count pixels side by side, y[i * stride + p] input i of
// pixel p, into sums[p]: each pixel through the same operations in the same
// order as alone, the pixels in vector lanes.
inline void HighOrderSumRun(const double* y, long n, const double* w, const double* v, bool includeSquares,
                            long count, long stride, double* sums) {
  const long partner = FirstPartner(0, includeSquares);
#pragma omp simd
  for (long p = 0; p < count; ++p) {
    double linear = 0.0;
    for (long i = 0; i < n; ++i) linear += w[i] * y[i * stride + p];
    double pairs = 0.0;
    for (long i = 0; i < n; ++i)
      for (long l = i + partner; l < n; ++l) pairs += v[i * n + l] * y[i * stride + p] * y[l * stride + p];
    sums[p] = linear + pairs;
  }
}

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
  void InitWeights(bool noHidden, RandomDraws& draws);
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
  const HRLayer& Layer(long k) const { return layers_[k]; }

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
