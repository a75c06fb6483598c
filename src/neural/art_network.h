#pragma once
// Adaptive resonance on directions: patterns are made unit length with
// small components removed; a pattern joins the closest category whose
// cosine similarity reaches the vigilance, or opens a new one while there
// is room.
#include <cmath>
#include <vector>

namespace zt {

inline double ArtDot(const double* a, const double* b, long n) {
  double d = 0.0;
  for (long i = 0; i < n; ++i) d += a[i] * b[i];
  return d;
}

// x to unit length (all 0 stays all 0).
inline void ArtNormalize(double* x, long n) {
  const double length = std::sqrt(ArtDot(x, x, n));
  for (long i = 0; i < n; ++i) x[i] = length != 0.0 ? x[i] / length : 0.0;
}

// Components of x at or below theta to 0, then x to unit length again.
inline void ArtSuppressNoise(double* x, long n, double theta) {
  for (long i = 0; i < n; ++i)
    if (std::fabs(x[i]) <= theta) x[i] = 0.0;
  ArtNormalize(x, n);
}

// The score ArtBest starts from: any category's dot product beats it.
constexpr double kArtNoScore = -1.7976931348623e308;

// The category j < count whose weights (weightsOf(j), null to skip it) lie
// closest in direction to x: the largest dot product, the earlier one on
// ties, category 0 when none is looked at; *score its dot product.
template <typename WeightsOf>
long ArtBest(long count, WeightsOf&& weightsOf, const double* x, long n, double* score) {
  long best = 0;
  double bestScore = kArtNoScore;
  for (long j = 0; j < count; ++j) {
    const double* w = weightsOf(j);
    if (!w) continue;
    const double s = ArtDot(w, x, n);
    if (s > bestScore) {
      bestScore = s;
      best = j;
    }
  }
  *score = bestScore;
  return best;
}

class CART {
 public:
  CART(long inputCount, long categoryCount) : inputCount_(inputCount), categoryCount_(categoryCount) {}
  virtual ~CART() = default;
  CART(const CART&) = delete;
  CART& operator=(const CART&) = delete;

  long Create();
  void Normalize(double* x) const;
  void SuppressNoise(double* x, double theta) const;
  void Preprocess(double** patterns, long count, double theta) const;
  long ChooseCategory(const double* x) const;
  double Match(const double* x, long j) const;
  void UpdateCategory(const double* x, long j, double beta);
  // One preprocessed pattern: resonance with a committed category, else a
  // new category while fewer than the category count are committed.
  void Present(const double* x, double vigilance, double beta);
  long Train(double** patterns, long count, long maxIterations, double theta, double vigilance, double beta);
  void Classify(double* x, double theta, long* classNo) const;
  void Release();

  long CommittedCount() const { return committedCount_; }
  double* Weights(long j) { return weights_[j].data(); }
  unsigned char* ResetFlags() { return resetFlags_.data(); }

 private:
  long Best(const double* x, bool skipReset) const;

  long inputCount_;
  long categoryCount_;
  long committedCount_ = 0;
  std::vector<std::vector<double>> weights_;
  std::vector<unsigned char> resetFlags_;
};

}  // namespace zt
