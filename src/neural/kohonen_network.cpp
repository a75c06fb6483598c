#include "neural/kohonen_network.h"

#include <algorithm>
#include <new>

#include "frame/nearest_class.h"
#include "frame/progress_session.h"
#include "neural/free_storage.h"
#include "ztclass/result_codes.h"

namespace zt {

namespace {

constexpr int kTrainCaption = 5;
// Epochs in which every pattern moves its winner; later only near ones do.
constexpr long kFreeEpochs = 10;
// Consecutive epochs of small change that end training.
constexpr long kStableEpochs = 100;
constexpr double kNearPerInput = 0.01;
// The ceiling of a pattern's distance to the placed neurons.
constexpr double kFarthest = 1000.0;

}  // namespace

long CKohonenNN::Create(long inputCount, long neuronCount) {
  inputCount_ = inputCount;
  neuronCount_ = neuronCount;
  try {
    const size_t size = static_cast<size_t>(inputCount) * static_cast<size_t>(neuronCount);
    weights_.assign(size, 0.0);
    previousWeights_.assign(size, 0.0);
    distances_.assign(neuronCount, 0.0);
  } catch (const std::bad_alloc&) {
    Release();
    return RC_OUT_OF_MEMORY;
  }
  return RC_OK;
}

double CKohonenNN::Distance(const double* weights, const double* pattern) const {
  double d = 0.0;
  for (long i = 0; i < inputCount_; ++i) d += (pattern[i] - weights[i]) * (pattern[i] - weights[i]);
  return d;
}

long CKohonenNN::InitCenters(double** patterns, long patternCount) {
  if (patternCount < 1) return RC_TOO_FEW_SAMPLES;
  std::vector<char> chosen;
  std::vector<double> nearest;  // per pattern, its distance to the neurons placed
  try {
    chosen.assign(patternCount, 0);
    nearest.assign(patternCount, kFarthest);
  } catch (const std::bad_alloc&) {
    return RC_OUT_OF_MEMORY;
  }
  std::copy(patterns[0], patterns[0] + inputCount_, Weights(0));
  chosen[0] = 1;
  long farthest = 0;
  double best = -1.0;
  for (long i = 1; i < patternCount; ++i) {
    const double d = Distance(Weights(0), patterns[i]);
    if (d > best) {
      best = d;
      farthest = i;
    }
  }
  if (neuronCount_ == 1) return RC_TOO_FEW_SAMPLES;
  std::copy(patterns[farthest], patterns[farthest] + inputCount_, Weights(1));
  chosen[farthest] = 1;

  // The minimum over neurons 0 .. k - 1 is kept per pattern and lowered by
  // each neuron placed, rather than recomputed for every k.
  long last = farthest;
  for (long i = 1; i < patternCount; ++i) nearest[i] = std::min(kFarthest, Distance(Weights(0), patterns[i]));
  for (long k = 2; k < neuronCount_; ++k) {
    best = -1.0;
    for (long i = 1; i < patternCount; ++i) {
      if (chosen[i]) continue;
      nearest[i] = std::min(nearest[i], Distance(Weights(k - 1), patterns[i]));
      if (nearest[i] > best) {
        best = nearest[i];
        last = i;
      }
    }
    std::copy(patterns[last], patterns[last] + inputCount_, Weights(k));
    chosen[last] = 1;
  }
  std::copy(weights_.begin(), weights_.end(), previousWeights_.begin());
  return RC_OK;
}

long CKohonenNN::Winner(const double* pattern) {
  long winner = 0;
  for (long j = 0; j < neuronCount_; ++j) {
    distances_[j] = Distance(Weights(j), pattern);
    if (distances_[j] < distances_[winner]) winner = j;
  }
  return winner;
}

void CKohonenNN::Move(long j, const double* pattern, double rate) {
  double* w = Weights(j);
  for (long i = 0; i < inputCount_; ++i) w[i] = w[i] + rate * (pattern[i] - w[i]);
}

long CKohonenNN::Learn(const double* pattern, double rate) {
  Move(Winner(pattern), pattern, rate);
  return RC_OK;
}

long CKohonenNN::LearnNear(const double* pattern, double rate) {
  const long winner = Winner(pattern);
  if (distances_[winner] < kNearPerInput * inputCount_) Move(winner, pattern, rate);
  return RC_OK;
}

void CKohonenNN::WeightChange(double* out) {
  double change = 0.0;
  for (size_t i = 0; i < weights_.size(); ++i)
    change += (previousWeights_[i] - weights_[i]) * (previousWeights_[i] - weights_[i]);
  *out = change;
  std::copy(weights_.begin(), weights_.end(), previousWeights_.begin());
}

long CKohonenNN::Train(double** patterns, long count, double learningRate, double changeThreshold,
                       long maxIterations) {
  BeginPhase(kTrainCaption, maxIterations);
  if (long rc = InitCenters(patterns, count)) return rc;
  long stable = 0;
  for (long epoch = 0; epoch < maxIterations; ++epoch) {
    if (stable >= kStableEpochs) break;
    if (StepAndCheckStop()) return RC_CANCELLED;
    const double rate = (1.0 - static_cast<double>(epoch) / static_cast<double>(maxIterations)) * learningRate;
    for (long p = 0; p < count; ++p) {
      const long rc = epoch < kFreeEpochs ? Learn(patterns[p], rate) : LearnNear(patterns[p], rate);
      if (rc) return rc;
    }
    double change = 0.0;
    WeightChange(&change);
    stable = change < changeThreshold ? stable + 1 : 0;
  }
  return RC_OK;
}

long CKohonenNN::Classify(const double* pattern, long* classNo) const {
  const size_t nearest = NearestClass(static_cast<size_t>(neuronCount_),
                                      [&](size_t j) { return Distance(weights_.data() + j * inputCount_, pattern); });
  *classNo = static_cast<long>(nearest) + 1;
  return RC_OK;
}

// Assigning {} would keep the capacity: the storage is given up by swapping.
void CKohonenNN::Release() {
  FreeStorage(weights_);
  FreeStorage(previousWeights_);
  FreeStorage(distances_);
}

}  // namespace zt
