#pragma once
// Learning vector quantisation: one codebook vector per class, started at
// the class mean, tuned by small unsupervised moves, labelled, then moved by
// the LVQ2 rule towards or away from each sample.
#include <vector>

#include "ztclass/records.h"

namespace zt {

class CLVQ2NN {
 public:
  CLVQ2NN() = default;
  virtual ~CLVQ2NN() = default;
  CLVQ2NN(const CLVQ2NN&) = delete;
  CLVQ2NN& operator=(const CLVQ2NN&) = delete;

  long Create(long inputCount, long classCount);
  long InitCodebook(const AOICELL* samples, long count);
  long TuneNearest(long classNo, const double* pattern, double rate);
  long AssignLabels(const AOICELL* samples, long count);
  long LVQ2Step(long classNo, const double* pattern, double rate);
  long Train(const AOICELL* samples, long count, long tuneIterations, double tuneRate, long lvqIterations,
             double lvqRate);
  long Classify(const double* pattern, long* classNo) const;
  void Release();

  // Codebook vector j, input count values.
  double* Vector(long j) { return codebook_.data() + j * inputCount_; }
  const std::vector<double>& Codebook() const { return codebook_; }
  const std::vector<long>& ClassCodebook() const { return classCodebook_; }
  const std::vector<long>& CodebookLabel() const { return codebookLabel_; }
  std::vector<long>& CodebookLabel() { return codebookLabel_; }
  std::vector<long>& ClassCodebook() { return classCodebook_; }

 private:
  double Distance(const double* pattern, long j) const;
  // The index of the nearest codebook vector, the lower one on ties.
  long Nearest(const double* pattern) const;
  void Move(long j, const double* pattern, double rate);

  long inputCount_ = 0;
  long codebookCount_ = 0;
  std::vector<double> codebook_;  // [vector * inputCount + input]
  std::vector<long> classCodebook_;
  std::vector<long> codebookLabel_;
  std::vector<long> table_;  // counts of AssignLabels
};

}  // namespace zt
