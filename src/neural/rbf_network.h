#pragma once
// Radial-basis-function network: one Gaussian unit per class, centred on the
// class mean and refined by competitive learning, spreads from the samples
// nearest to each unit, sparse units removed, and linear outputs trained by
// the delta rule. Training that removes every unit gives RC_TOO_FEW_SAMPLES.
#include <cmath>
#include <limits>
#include <vector>

#include "neural/random_between.h"
#include "ztclass/records.h"

namespace zt {

// The squared distance of x from a centre c.
inline double CentreDistance(const double* x, const double* c, long n) {
  double d = 0.0;
  for (long i = 0; i < n; ++i) d += (x[i] - c[i]) * (x[i] - c[i]);
  return d;
}

// A unit's answer to a pattern at squared distance from its centre. A unit
// of spread 0 (all its members on its centre) answers 1 at the centre and 0
// elsewhere, the limit of the Gaussian as the spread shrinks.
inline double RBFActivation(double distance, double spread) {
  if (spread == 0.0) return distance == 0.0 ? 1.0 : 0.0;
  return std::exp(-distance / (2.0 * spread));
}

// Every pattern gets the class of the strongest output.
constexpr double kNoRejection = -std::numeric_limits<double>::infinity();

struct RBFUnit {
  std::vector<double> centre;
  double spread = 0.0;  // -1 marks a unit with too few members
};

struct RBFOutput {
  double output = 0.0;
  double error = 0.0;
  std::vector<double> weights;  // one per hidden unit
};

class CRBFNN {
 public:
  CRBFNN() = default;
  virtual ~CRBFNN() = default;
  CRBFNN(const CRBFNN&) = delete;
  CRBFNN& operator=(const CRBFNN&) = delete;

  void SetSizes(long inputCount, long classCount);
  long CreateHidden();
  long InitCentres(const AOICELL* samples, long count);
  void MoveNearestCentre(const double* pattern, double rate);
  void CentreChange(double* out);
  long ComputeSpreads(const AOICELL* samples, long count);
  long PruneHidden();
  long InitOutput(RandomDraws& draws);
  long TrainOutput(long classNo, const double* pattern, double rate);
  long Train(const AOICELL* samples, long count, long centreIterations, double centreRate, double centreThreshold,
             long outputIterations, double outputRate, double errorThreshold, RandomDraws& draws);
  long Classify(const double* pattern, long* classNo);
  void Release();

  double Error() const { return error_; }
  long HiddenCount() const { return hiddenCount_; }
  std::vector<RBFUnit>& Hidden() { return hidden_; }
  std::vector<RBFOutput>& Outputs() { return outputs_; }

 private:
  long Nearest(const double* pattern, double* distance) const;
  void ForwardPass(const double* pattern);

  double error_ = 0.0;
  std::vector<RBFUnit> hidden_;
  std::vector<RBFUnit> previousCentres_;
  std::vector<RBFOutput> outputs_;
  long inputCount_ = 0;
  long hiddenCount_ = 0;
  long outputCount_ = 0;
  std::vector<double> phi_;  // hidden activations of the last forward pass
};

}  // namespace zt
