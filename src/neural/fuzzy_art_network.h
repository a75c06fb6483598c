#pragma once
// Fuzzy adaptive resonance: complement-coded patterns (x, 1 - x), categories
// that are boxes in band space, chosen by |x ^ w| / (alpha + |w|), accepted
// when |x ^ w| / |x| reaches the vigilance, and shrunk towards x ^ w as they
// learn (^ the component-wise minimum, |v| the plain sum).
#include <algorithm>
#include <cmath>
#include <vector>

namespace zt {

// Whether two overlaps |x ^ w|, or two sizes |w|, or a match and the
// vigilance, are the same value. The same scene stored as Byte, as scaled
// integers or as float32 fractions gives scaled values that differ in their
// last bits (float32: up to some 1e-7 of a sum), while such sums of 8-bit
// data are either equal or 1/255 apart. Left to rounding, the many exact
// ties of 8-bit data would go one way on one storage type and the other way
// on the next, and training would take another road from there.
inline bool FuzzySame(double a, double b) {
  constexpr double kRelative = 1e-6;
  return std::fabs(a - b) <= kRelative * std::max(std::fabs(a), std::fabs(b));
}

// A category's choice for a pattern: overlap |x ^ w|, size |w| and the
// choice value overlap / (alpha + size).
struct FuzzyChoice {
  double overlap = 0.0, size = 0.0, value = 0.0;
  FuzzyChoice() = default;
  FuzzyChoice(double o, double s, double alpha) : overlap(o), size(s), value(o / (alpha + s)) {}
};

// Whether a category's choice beats the best so far: a tie, equal overlap
// and equal size, leaves the earlier category. Overlap and size are compared
// rather than choice values: with a small choice parameter, nested boxes
// differ in choice by less than a margin for rounding would take. Overlaps
// and sizes within a millionth give choices within some 2e-6 of each other,
// so a larger lead is no tie: the common case costs two comparisons, and
// the test for a tie stays out of line, where it keeps the per-pixel loops
// that call this small enough to inline.
bool FuzzyTie(const FuzzyChoice& a, const FuzzyChoice& b);
inline bool FuzzyChoiceBeats(const FuzzyChoice& c, const FuzzyChoice& best) {
  if (!(c.value > best.value)) return false;
  return c.value > best.value * (1.0 + 1e-5) || !FuzzyTie(c, best);
}

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
