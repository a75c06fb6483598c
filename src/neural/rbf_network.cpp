#include "neural/rbf_network.h"

#include <cmath>
#include <new>

#include "frame/progress_session.h"
#include "neural/epoch_budget.h"
#include "neural/layer_stack.h"
#include "neural/free_storage.h"
#include "ztclass/result_codes.h"

namespace zt {

namespace {

constexpr int kTrainCaption = 5;
constexpr double kPruned = -1.0;
constexpr long kMinMembers = 5;  // a unit needs more nearest samples than this
constexpr long kStableEpochs = 50;
constexpr double kInitialChange = 100000.0;
constexpr double kInitialMeanError = 1000.0;

}  // namespace

void CRBFNN::SetSizes(long inputCount, long classCount) {
  inputCount_ = inputCount;
  hiddenCount_ = classCount;
  outputCount_ = classCount;
}

long CRBFNN::CreateHidden() {
  try {
    hidden_.assign(hiddenCount_, RBFUnit{std::vector<double>(inputCount_, 0.0), 0.0});
    previousCentres_.assign(hiddenCount_, RBFUnit{std::vector<double>(inputCount_, 0.0), 0.0});
    phi_.assign(hiddenCount_, 0.0);
  } catch (const std::bad_alloc&) {
    return RC_OUT_OF_MEMORY;
  }
  return RC_OK;
}

long CRBFNN::InitCentres(const AOICELL* samples, long count) {
  std::vector<long> members(hiddenCount_, 0);
  for (RBFUnit& unit : hidden_) {
    std::fill(unit.centre.begin(), unit.centre.end(), 0.0);
    unit.spread = 0.0;
  }
  for (long s = 0; s < count; ++s) {
    RBFUnit& unit = hidden_[samples[s].classNo - 1];
    for (long i = 0; i < inputCount_; ++i) unit.centre[i] += samples[s].values[i];
    ++members[samples[s].classNo - 1];
  }
  for (long u = 0; u < hiddenCount_; ++u) {
    for (double& v : hidden_[u].centre) v /= members[u];
    previousCentres_[u].centre = hidden_[u].centre;
  }
  return RC_OK;
}

// The unit with the smallest squared distance, the lower index on ties.
long CRBFNN::Nearest(const double* pattern, double* distance) const {
  long best = -1;
  double bestDistance = 0.0;
  for (long u = 0; u < hiddenCount_; ++u) {
    const double d = CentreDistance(pattern, hidden_[u].centre.data(), inputCount_);
    if (best < 0 || d < bestDistance) {
      best = u;
      bestDistance = d;
    }
  }
  if (distance) *distance = bestDistance;
  return best;
}

void CRBFNN::MoveNearestCentre(const double* pattern, double rate) {
  const long u = Nearest(pattern, nullptr);
  if (u < 0) return;
  double* c = hidden_[u].centre.data();
  for (long i = 0; i < inputCount_; ++i) c[i] += rate * (pattern[i] - c[i]);
}

void CRBFNN::CentreChange(double* out) {
  double change = 0.0;
  for (long u = 0; u < hiddenCount_; ++u)
    for (long i = 0; i < inputCount_; ++i) {
      const double d = previousCentres_[u].centre[i] - hidden_[u].centre[i];
      change += d * d;
    }
  for (long u = 0; u < hiddenCount_; ++u) previousCentres_[u].centre = hidden_[u].centre;
  *out = change;
}

long CRBFNN::ComputeSpreads(const AOICELL* samples, long count) {
  std::vector<double> sum(hiddenCount_, 0.0);
  std::vector<long> members(hiddenCount_, 0);
  for (long s = 0; s < count; ++s) {
    double d = 0.0;
    const long u = Nearest(samples[s].values, &d);
    sum[u] += d;
    ++members[u];
  }
  for (long u = 0; u < hiddenCount_; ++u) hidden_[u].spread = members[u] > kMinMembers ? sum[u] / members[u] : kPruned;
  return RC_OK;
}

long CRBFNN::PruneHidden() {
  std::vector<RBFUnit> kept;
  for (RBFUnit& unit : hidden_)
    if (unit.spread != kPruned) kept.push_back(std::move(unit));
  hidden_.clear();
  previousCentres_.clear();
  hiddenCount_ = static_cast<long>(kept.size());
  if (long rc = CreateHidden()) return rc;
  for (long u = 0; u < hiddenCount_; ++u) hidden_[u] = std::move(kept[u]);
  return RC_OK;
}

long CRBFNN::InitOutput(RandomDraws& draws) {
  try {
    outputs_.assign(outputCount_, RBFOutput{});
    for (RBFOutput& out : outputs_) {
      out.weights.resize(hiddenCount_);
      for (double& w : out.weights) w = draws.Between(0.0, 1.0);
    }
  } catch (const std::bad_alloc&) {
    return RC_OUT_OF_MEMORY;
  }
  return RC_OK;
}

void CRBFNN::ForwardPass(const double* pattern) {
  for (long u = 0; u < hiddenCount_; ++u)
    phi_[u] = RBFActivation(CentreDistance(pattern, hidden_[u].centre.data(), inputCount_), hidden_[u].spread);
  for (RBFOutput& out : outputs_) {
    double o = 0.0;
    for (long u = 0; u < hiddenCount_; ++u) o += out.weights[u] * phi_[u];
    out.output = o;
  }
}

long CRBFNN::TrainOutput(long classNo, const double* pattern, double rate) {
  ForwardPass(pattern);
  double sum = 0.0;
  for (long k = 0; k < outputCount_; ++k) {
    RBFOutput& out = outputs_[k];
    out.error = (k == classNo - 1 ? 0.9 : 0.1) - out.output;
    for (long u = 0; u < hiddenCount_; ++u) out.weights[u] += rate * out.error * phi_[u];
    sum += out.error * out.error;
  }
  error_ = 0.5 * sum;
  return RC_OK;
}

long CRBFNN::Train(const AOICELL* samples, long count, long centreIterations, double centreRate,
                   double centreThreshold, long outputIterations, double outputRate, double errorThreshold,
                   RandomDraws& draws) {
  const long epochs = EpochBudget(centreIterations, outputIterations);
  BeginPhase(kTrainCaption, epochs);
  // One unit per class again, also after an earlier training pruned some.
  hidden_.clear();
  previousCentres_.clear();
  hiddenCount_ = outputCount_;
  if (long rc = CreateHidden()) return rc;
  if (long rc = InitCentres(samples, count)) return rc;

  double rate = centreRate, change = kInitialChange;
  long stable = 0, epoch = 0;
  while (epoch < centreIterations) {
    if (stable >= kStableEpochs) break;
    if (StepAndCheckStop()) return RC_CANCELLED;
    for (long s = 0; s < count; ++s) MoveNearestCentre(samples[s].values, rate);
    CentreChange(&change);
    stable = change < centreThreshold ? stable + 1 : 0;
    ++epoch;
    rate = (1.0 - static_cast<double>(epoch) / centreIterations) * centreRate;
  }

  if (long rc = ComputeSpreads(samples, count)) return rc;
  for (const RBFUnit& unit : hidden_)
    if (unit.spread == kPruned) {
      if (long rc = PruneHidden()) return rc;
      break;
    }
  // Without a unit every output is 0 and every pixel would fall to class 1.
  if (hiddenCount_ == 0) return RC_TOO_FEW_SAMPLES;
  if (long rc = InitOutput(draws)) return rc;

  double meanError = kInitialMeanError;
  while (epoch < epochs) {
    if (meanError <= errorThreshold) break;
    if (StepAndCheckStop()) return RC_CANCELLED;
    double sum = 0.0;
    for (long s = 0; s < count; ++s) {
      if (long rc = TrainOutput(samples[s].classNo, samples[s].values, outputRate)) return rc;
      sum += error_;
    }
    meanError = sum / count;
    ++epoch;
  }
  return RC_OK;
}

long CRBFNN::Classify(const double* pattern, long* classNo) {
  ForwardPass(pattern);
  *classNo = StrongestOutput(outputCount_, [this](long k) { return outputs_[k].output; }, kNoRejection);
  return RC_OK;
}

void CRBFNN::Release() {
  FreeStorage(hidden_);
  FreeStorage(previousCentres_);
  FreeStorage(outputs_);
  FreeStorage(phi_);
}

}  // namespace zt
