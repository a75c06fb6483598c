#include "neural/art_network.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "frame/classification_pass.h"
#include "frame/progress_session.h"
#include "neural/free_storage.h"
#include "ztclass/result_codes.h"

namespace zt {

namespace {

constexpr int kTrainCaption = 5;

}  // namespace

long CART::Create() {
  try {
    resetFlags_.assign(categoryCount_, 0);
    weights_.assign(categoryCount_, std::vector<double>(inputCount_, 1.0));
  } catch (const std::bad_alloc&) {
    Release();
    return RC_OUT_OF_MEMORY;
  }
  return RC_OK;
}

void CART::Normalize(double* x) const { ArtNormalize(x, inputCount_); }

void CART::SuppressNoise(double* x, double theta) const { ArtSuppressNoise(x, inputCount_, theta); }

void CART::Preprocess(double** patterns, long count, double theta) const {
  for (long p = 0; p < count; ++p) {
    Normalize(patterns[p]);
    SuppressNoise(patterns[p], theta);
  }
}

long CART::Best(const double* x, bool skipReset) const {
  double score = 0.0;
  return ArtBest(committedCount_, [&](long j) { return skipReset && resetFlags_[j] ? nullptr : weights_[j].data(); },
                 x, inputCount_, &score);
}

long CART::ChooseCategory(const double* x) const { return Best(x, true); }

double CART::Match(const double* x, long j) const {
  const double* w = weights_[j].data();
  const double d = ArtDot(w, x, inputCount_);
  const double a = std::sqrt(ArtDot(w, w, inputCount_));
  const double b = std::sqrt(ArtDot(x, x, inputCount_));
  if (a * b != 0.0) return d / (a * b);
  if (a != 0.0) return 0.0;
  return b == 0.0 ? 1.0 : 0.0;
}

void CART::UpdateCategory(const double* x, long j, double beta) {
  double* w = weights_[j].data();
  for (long i = 0; i < inputCount_; ++i) w[i] += beta * (x[i] - w[i]);
  Normalize(w);
}

void CART::Present(const double* x, double vigilance, double beta) {
  std::fill(resetFlags_.begin(), resetFlags_.begin() + committedCount_, 0);
  const long searches = committedCount_;
  for (long s = 0; s < searches; ++s) {
    const long j = ChooseCategory(x);
    if (Match(x, j) >= vigilance) {
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

long CART::Train(double** patterns, long count, long maxIterations, double theta, double vigilance, double beta) {
  BeginPhase(kTrainCaption, maxIterations);
  if (count < 1 || categoryCount_ < 1) return RC_TOO_FEW_SAMPLES;
  Preprocess(patterns, count, theta);
  std::copy(patterns[0], patterns[0] + inputCount_, weights_[0].begin());
  committedCount_ = 1;
  // A pass over many patterns against many categories takes long: a stop
  // is also seen between patterns, in the first pass too.
  TimedStopPoll stopPoll;
  stopPoll.Restart();
  for (long p = 1; p < count; ++p) {
    if (stopPoll.StopRequested()) return RC_CANCELLED;
    Present(patterns[p], vigilance, beta);
  }
  for (long pass = 1; pass < maxIterations; ++pass) {
    if (StepAndCheckStop()) return RC_CANCELLED;
    for (long p = 0; p < count; ++p) {
      if (stopPoll.StopRequested()) return RC_CANCELLED;
      Present(patterns[p], vigilance, beta);
    }
  }
  return committedCount_;
}

void CART::Classify(double* x, double theta, long* classNo) const {
  Normalize(x);
  SuppressNoise(x, theta);
  *classNo = Best(x, false) + 1;
}

void CART::Release() {
  FreeStorage(weights_);
  FreeStorage(resetFlags_);
  committedCount_ = 0;
}

}  // namespace zt
