#include "neural/fuzzy_art_network.h"

#include <algorithm>
#include <new>

#include "frame/classification_pass.h"
#include "frame/progress_session.h"
#include "neural/free_storage.h"
#include "ztclass/result_codes.h"

namespace zt {

namespace {
constexpr int kTrainCaption = 5;
}  // namespace

long CFuzzyART::Create() {
  try {
    weights_.assign(categoryCount_, std::vector<double>(inputCount_, 1.0));
    fuzzyAnd_.assign(inputCount_, 0.0);
    resetFlags_.assign(categoryCount_, 0);
  } catch (const std::bad_alloc&) {
    Release();
    return RC_OUT_OF_MEMORY;
  }
  return RC_OK;
}

long CFuzzyART::ComplementCode(double** patterns, long count, CodedPatterns& out) const {
  const long bands = inputCount_ / 2;
  try {
    out.values.resize(static_cast<size_t>(count) * inputCount_);
    out.patterns.resize(count);
  } catch (const std::bad_alloc&) {
    out = {};
    return RC_OUT_OF_MEMORY;
  }
  for (long p = 0; p < count; ++p) {
    double* coded = out.values.data() + static_cast<size_t>(p) * inputCount_;
    for (long b = 0; b < bands; ++b) {
      coded[b] = patterns[p][b];
      coded[bands + b] = 1.0 - patterns[p][b];
    }
    out.patterns[p] = coded;
  }
  return RC_OK;
}

void CFuzzyART::FuzzyAnd(const double* x, const double* w) {
  for (long i = 0; i < inputCount_; ++i) fuzzyAnd_[i] = std::min(x[i], w[i]);
}

double CFuzzyART::SumOf(const double* v) const {
  double sum = 0.0;
  for (long i = 0; i < inputCount_; ++i) sum += v[i];
  return sum;
}

bool FuzzyTie(const FuzzyChoice& a, const FuzzyChoice& b) {
  return FuzzySame(a.overlap, b.overlap) && FuzzySame(a.size, b.size);
}

long CFuzzyART::ChooseCategory(const double* x, double alpha) {
  long best = -1;
  FuzzyChoice bestChoice;
  for (long j = 0; j < committedCount_; ++j) {
    if (resetFlags_[j]) continue;
    FuzzyAnd(x, weights_[j].data());
    const FuzzyChoice choice(SumOf(fuzzyAnd_.data()), SumOf(weights_[j].data()), alpha);
    if (best < 0 || FuzzyChoiceBeats(choice, bestChoice)) {
      bestChoice = choice;
      best = j;
    }
  }
  return std::max(best, 0L);
}

double CFuzzyART::Match(const double* x, long j) {
  FuzzyAnd(x, weights_[j].data());
  const double overlap = SumOf(fuzzyAnd_.data());
  const double size = SumOf(x);
  if (size != 0.0) return overlap / size;
  return overlap == 0.0 ? 1.0 : 0.0;
}

void CFuzzyART::UpdateCategory(const double* x, long j, double beta) {
  double* w = weights_[j].data();
  FuzzyAnd(x, w);
  for (long i = 0; i < inputCount_; ++i) w[i] = beta * fuzzyAnd_[i] + (1.0 - beta) * w[i];
}

void CFuzzyART::Present(const double* x, double alpha, double vigilance, double beta) {
  std::fill(resetFlags_.begin(), resetFlags_.begin() + committedCount_, 0);
  const long searches = committedCount_;
  for (long s = 0; s < searches; ++s) {
    const long j = ChooseCategory(x, alpha);
    const double match = Match(x, j);
    if (match >= vigilance || FuzzySame(match, vigilance)) {
      UpdateCategory(x, j, beta);
      return;
    }
    resetFlags_[j] = 1;
  }
  if (committedCount_ < categoryCount_) {
    std::copy(x, x + inputCount_, weights_[committedCount_].begin());
    ++committedCount_;
  }
}

long CFuzzyART::Train(double** patterns, long count, long maxIterations, double alpha, double vigilance,
                      double beta) {
  BeginPhase(kTrainCaption, maxIterations);
  if (count < 1 || categoryCount_ < 1) return RC_TOO_FEW_SAMPLES;
  CodedPatterns coded;
  if (long rc = ComplementCode(patterns, count, coded)) return rc;
  double** x = coded.patterns.data();
  std::copy(x[0], x[0] + inputCount_, weights_[0].begin());
  committedCount_ = 1;
  // A pass over many patterns against many categories takes long: a stop
  // is also seen between patterns, in the first pass too.
  TimedStopPoll stopPoll;
  stopPoll.Restart();
  for (long p = 1; p < count; ++p) {
    if (stopPoll.StopRequested()) return RC_CANCELLED;
    Present(x[p], alpha, vigilance, beta);
  }
  for (long pass = 1; pass < maxIterations; ++pass) {
    if (StepAndCheckStop()) return RC_CANCELLED;
    for (long p = 0; p < count; ++p) {
      if (stopPoll.StopRequested()) return RC_CANCELLED;
      Present(x[p], alpha, vigilance, beta);
    }
  }
  return committedCount_;
}

void CFuzzyART::Classify(const double* x, double alpha, long* classNo) {
  std::fill(resetFlags_.begin(), resetFlags_.begin() + committedCount_, 0);
  *classNo = ChooseCategory(x, alpha) + 1;
}

void CFuzzyART::Release() {
  FreeStorage(weights_);
  FreeStorage(fuzzyAnd_);
  FreeStorage(resetFlags_);
  committedCount_ = 0;
}

}  // namespace zt
