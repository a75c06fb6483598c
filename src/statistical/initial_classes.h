#pragma once
// What the unsupervised statistical classifiers share before their own
// work: initial centres chosen from the sample grid by the max-min distance
// rule, initial class statistics of the samples around them, and the list
// of classes that received samples.
#include <array>
#include <vector>

#include "frame/classification_pass.h"
#include "statistical/sample_grid.h"

namespace zt {

constexpr int kClassTableSize = 256;

// Squared Euclidean distance of two band vectors, summed in band order.
inline double SquaredDistance(const double* a, const double* b, long n) {
  double d = 0.0;
  for (long i = 0; i < n; ++i) d += (a[i] - b[i]) * (a[i] - b[i]);
  return d;
}

// True for a sample no class can learn from: a missing value in a band
// (IsMissingValue, as everywhere in this library), or the no-data value
// when the rule is in force.
bool IsUnusableSample(const double* values, long n, const NoDataRule& noData);

// Centre 1 into first (n values): the sample at (row, column) of the source,
// or, where it is unusable (IsUnusableSample), the first usable sample of
// the grid: a missing value is nearest to no sample (its distances are NaN)
// and would leave one class to every pixel, and a no-data value would make
// a class of pixels that are never classified. Where the grid has no usable
// sample either, the value at (row, column) stays, for the selection to
// find no centre.
long FirstCentre(SampleReader& reader, const SampleGrid& grid, long row, long column, long n,
                 const NoDataRule& noData, std::vector<double>& first);

// Max-min selection of count centres into centres[(k-1)*n + b], k = 1..count.
// Centre 1 is first (n values). For k = 2..count one pass over the samples:
// a sample's distance is the least squared distance to centres 1..k-1; the
// first usable sample is the candidate, and a later one replaces it only
// with a strictly greater distance. Each sampled row of each pass is one
// progress step (caption 56, range (count - 1) * (window rows / s)). A pass
// without a usable sample gives RC_TOO_FEW_SAMPLES.
long SelectCentres(SampleReader& reader, const SampleGrid& grid, long count, long n,
                   const std::vector<double>& first, const NoDataRule& noData,
                   std::vector<double>& centres);

struct InitialClasses {
  long bandCount = 0;
  std::array<unsigned long, kClassTableSize> counts{};  // by class number
  std::vector<double> mean;       // [k * bandCount + b], 0 for an empty class
  std::vector<double> deviation;  // population standard deviation, same layout
  std::vector<int> candidates;    // class numbers with samples, ascending
  std::vector<unsigned char> sampleClass;  // per sample in grid order; 0 none

  double Mean(int k, long b) const { return mean[k * bandCount + b]; }
  double Deviation(int k, long b) const { return deviation[k * bandCount + b]; }
};

// Every usable sample (IsUnusableSample under noData) joins the nearest of
// the count centres (ties to the lower class number); counts, means,
// deviations and the candidate list follow. One progress step per sampled
// row (caption 57, range window rows / s). No candidate gives
// RC_TOO_FEW_SAMPLES.
long InitialStatistics(SampleReader& reader, const SampleGrid& grid, long count, long n,
                       const std::vector<double>& centres, const NoDataRule& noData, InitialClasses& classes);

}  // namespace zt
