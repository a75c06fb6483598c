#pragma once
// Radial-basis-function network: one Gaussian unit per class, centred on the
// class mean and refined by competitive learning, spreads from the samples
// nearest to each unit, sparse units removed, and linear outputs trained by
// the delta rule.
#include <vector>

#include "ztclass/records.h"

namespace zt {

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
  long InitOutput();
  long TrainOutput(long classNo, const double* pattern, double rate);
  long Train(const AOICELL* samples, long count, long centreIterations, double centreRate, double centreThreshold,
             long outputIterations, double outputRate, double errorThreshold);
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
