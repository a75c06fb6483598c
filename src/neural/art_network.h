#pragma once
// Adaptive resonance on directions: patterns are made unit length with
// small components removed; a pattern joins the closest category whose
// cosine similarity reaches the vigilance, or opens a new one while there
// is room.
#include <vector>

namespace zt {

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
