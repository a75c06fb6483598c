#include "neural/lvq2_network.h"

#include <cmath>
#include <limits>
#include <new>

#include "frame/nearest_class.h"
#include "frame/progress_session.h"
#include "neural/epoch_budget.h"
#include "neural/free_storage.h"
#include "ztclass/result_codes.h"

namespace zt {

namespace {

constexpr int kTrainCaption = 5;
constexpr double kTuneRadius = 0.02;  // root-mean distance per codebook vector
constexpr double kWindow = 0.12;      // squared-distance margin of the runner-up

// The column of the largest count in a row, the earliest on ties.
long LargestColumn(const long* row, long columns) {
  long best = 0;
  for (long c = 1; c < columns; ++c)
    if (row[c] > row[best]) best = c;
  return best;
}

}  // namespace

long CLVQ2NN::Create(long inputCount, long classCount) {
  inputCount_ = inputCount;
  codebookCount_ = classCount;
  try {
    codebook_.assign(static_cast<size_t>(inputCount) * classCount, 0.0);
    classCodebook_.assign(classCount, 0);
    codebookLabel_.assign(classCount, 0);
    table_.assign(static_cast<size_t>(classCount) * classCount, 0);
  } catch (const std::bad_alloc&) {
    Release();
    return RC_OUT_OF_MEMORY;
  }
  return RC_OK;
}

double CLVQ2NN::Distance(const double* pattern, long j) const {
  const double* w = codebook_.data() + j * inputCount_;
  double d = 0.0;
  for (long i = 0; i < inputCount_; ++i) d += (pattern[i] - w[i]) * (pattern[i] - w[i]);
  return d;
}

// Towards the pattern for a positive rate, away from it for a negative one.
void CLVQ2NN::Move(long j, const double* pattern, double rate) {
  double* w = Vector(j);
  for (long i = 0; i < inputCount_; ++i) w[i] += rate * (pattern[i] - w[i]);
}

long CLVQ2NN::InitCodebook(const AOICELL* samples, long count) {
  std::vector<long> members(codebookCount_, 0);
  std::fill(codebook_.begin(), codebook_.end(), 0.0);
  for (long s = 0; s < count; ++s) {
    double* w = Vector(samples[s].classNo - 1);
    for (long i = 0; i < inputCount_; ++i) w[i] += samples[s].values[i];
    ++members[samples[s].classNo - 1];
  }
  for (long j = 0; j < codebookCount_; ++j)
    for (long i = 0; i < inputCount_; ++i) Vector(j)[i] /= members[j];
  return RC_OK;
}

long CLVQ2NN::Nearest(const double* pattern) const {
  return static_cast<long>(
      NearestClass(static_cast<size_t>(codebookCount_), [&](size_t j) { return Distance(pattern, long(j)); }));
}

long CLVQ2NN::TuneNearest(long, const double* pattern, double rate) {
  const long nearest = Nearest(pattern);
  if (std::sqrt(Distance(pattern, nearest) / codebookCount_) < kTuneRadius) Move(nearest, pattern, rate);
  return RC_OK;
}

long CLVQ2NN::Classify(const double* pattern, long* classNo) const {
  *classNo = Nearest(pattern) + 1;
  return RC_OK;
}

long CLVQ2NN::AssignLabels(const AOICELL* samples, long count) {
  const long n = codebookCount_;
  std::fill(table_.begin(), table_.end(), 0);
  for (long s = 0; s < count; ++s) {
    long j = 0;
    Classify(samples[s].values, &j);
    ++table_[(samples[s].classNo - 1) * n + (j - 1)];
  }
  for (long r = 0; r < n; ++r) classCodebook_[r] = LargestColumn(&table_[r * n], n);
  std::fill(table_.begin(), table_.end(), 0);
  for (long s = 0; s < count; ++s) {
    long j = 0;
    Classify(samples[s].values, &j);
    ++table_[(j - 1) * n + (samples[s].classNo - 1)];
  }
  for (long r = 0; r < n; ++r) codebookLabel_[r] = LargestColumn(&table_[r * n], n);
  return RC_OK;
}

long CLVQ2NN::LVQ2Step(long classNo, const double* pattern, double rate) {
  long i = 0, k = 0;
  // Both searches start from infinity: a fixed ceiling would leave the
  // winner undetermined beyond it, and then the winner its own runner-up.
  // With a single codebook vector there is no runner-up (k == i).
  double di = std::numeric_limits<double>::infinity(), dk = di;
  for (long j = 0; j < codebookCount_; ++j) {
    const double d = Distance(pattern, j);
    if (d < di) {
      di = d;
      i = j;
    }
  }
  for (long j = 0; j < codebookCount_; ++j) {
    if (j == i) continue;
    const double d = Distance(pattern, j);
    if (d < dk) {
      dk = d;
      k = j;
    }
  }
  const long c = classNo - 1;
  if (codebookLabel_[i] == c) {
    Move(i, pattern, rate);
    if (k != i && std::fabs(Distance(pattern, i) - Distance(pattern, k)) <= kWindow) Move(k, pattern, -rate);
  } else if (codebookLabel_[k] == c) {
    Move(k, pattern, rate);
    Move(i, pattern, -rate);
  } else {
    Move(classCodebook_[c], pattern, rate);
  }
  return RC_OK;
}

long CLVQ2NN::Train(const AOICELL* samples, long count, long tuneIterations, double tuneRate, long lvqIterations,
                    double lvqRate) {
  const long epochs = EpochBudget(tuneIterations, lvqIterations);
  BeginPhase(kTrainCaption, epochs);
  if (long rc = InitCodebook(samples, count)) return rc;
  for (long e = 0; e < tuneIterations; ++e) {
    if (StepAndCheckStop()) return RC_CANCELLED;
    const double rate = (1.0 - static_cast<double>(e) / tuneIterations) * tuneRate;
    for (long s = 0; s < count; ++s)
      if (long rc = TuneNearest(samples[s].classNo, samples[s].values, rate)) return rc;
  }
  if (long rc = AssignLabels(samples, count)) return rc;
  long epoch = tuneIterations > 0 ? tuneIterations : 0;
  double rate = lvqRate;
  while (epoch < epochs) {
    if (StepAndCheckStop()) return RC_CANCELLED;
    for (long s = 0; s < count; ++s)
      if (long rc = LVQ2Step(samples[s].classNo, samples[s].values, rate)) return rc;
    ++epoch;
    rate /= epoch;
  }
  return RC_OK;
}

void CLVQ2NN::Release() {
  FreeStorage(codebook_);
  FreeStorage(classCodebook_);
  FreeStorage(codebookLabel_);
  FreeStorage(table_);
}

}  // namespace zt
