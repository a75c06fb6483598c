#pragma once
// Fuzzy adaptive resonance: complement-coded patterns (x, 1 - x), categories
// that are boxes in band space, chosen by |x ^ w| / (alpha + |w|), accepted
// when |x ^ w| / |x| reaches the vigilance, and shrunk towards x ^ w as they
// learn (^ the component-wise minimum, |v| the plain sum).
#include <vector>

namespace zt {

// Complement-coded copies of patterns, in one block.
struct CodedPatterns {
  std::vector<double> values;
  std::vector<double*> patterns;
};

class CFuzzyART {
 public:
  CFuzzyART(long bandCount, long categoryCount) : inputCount_(2 * bandCount), categoryCount_(categoryCount) {}
  virtual ~CFuzzyART() = default;
  CFuzzyART(const CFuzzyART&) = delete;
  CFuzzyART& operator=(const CFuzzyART&) = delete;

  long Create();
  long ComplementCode(double** patterns, long count, CodedPatterns& out) const;
  void FuzzyAnd(const double* x, const double* w);
  double SumOf(const double* v) const;
  long ChooseCategory(const double* x, double alpha);
  double Match(const double* x, long j);
  void UpdateCategory(const double* x, long j, double beta);
  // One complement-coded pattern: resonance with a committed category, else
  // a new category while fewer than the category count are committed.
  void Present(const double* x, double alpha, double vigilance, double beta);
  long Train(double** patterns, long count, long maxIterations, double alpha, double vigilance, double beta);
  // The category that training would choose first for x, every committed
  // one taking part.
  void Classify(const double* x, double alpha, long* classNo);
  void Release();

  long CommittedCount() const { return committedCount_; }
  double* Weights(long j) { return weights_[j].data(); }
  const double* FuzzyAndBuffer() const { return fuzzyAnd_.data(); }
  unsigned char* ResetFlags() { return resetFlags_.data(); }

 private:
  long inputCount_;
  long categoryCount_;
  long committedCount_ = 0;
  std::vector<std::vector<double>> weights_;
  std::vector<double> fuzzyAnd_;
  std::vector<unsigned char> resetFlags_;
};

}  // namespace zt
