#pragma once
// A single layer of competitive neurons, one per cluster, started on
// well-spread sample patterns (max-min distance) and trained winner-take-all:
// only the nearest neuron moves, with no neighbourhood.
#include <vector>

namespace zt {

class CKohonenNN {
 public:
  CKohonenNN() = default;
  virtual ~CKohonenNN() = default;
  CKohonenNN(const CKohonenNN&) = delete;
  CKohonenNN& operator=(const CKohonenNN&) = delete;

  // Both weight sets and the distance scratch, every weight 0.
  long Create(long inputCount, long neuronCount);
  // Neuron 0 on pattern 0, each further neuron on the pattern farthest from
  // those placed (earlier patterns win ties). One neuron: RC_TOO_FEW_SAMPLES.
  long InitCenters(double** patterns, long patternCount);
  double Distance(const double* weights, const double* pattern) const;
  long Learn(const double* pattern, double rate);
  // Learn, but only when the winner lies within 0.01 per input.
  long LearnNear(const double* pattern, double rate);
  // Total squared change of the weights since the last call.
  void WeightChange(double* out);
  long Train(double** patterns, long count, double learningRate, double changeThreshold, long maxIterations);
  long Classify(const double* pattern, long* classNo) const;
  void Release();

  // Neuron j's weights, input count values.
  double* Weights(long j) { return weights_.data() + j * inputCount_; }
  const std::vector<double>& Codebook() const { return weights_; }

 private:
  long Winner(const double* pattern);
  void Move(long j, const double* pattern, double rate);

  long inputCount_ = 0;
  long neuronCount_ = 0;
  std::vector<double> weights_;          // [neuron * inputCount + input]
  std::vector<double> previousWeights_;  // as at the end of the last epoch
  std::vector<double> distances_;        // per neuron, for Learn
};

}  // namespace zt
