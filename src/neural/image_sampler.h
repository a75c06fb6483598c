#pragma once
// The training patterns of the unsupervised networks: every interval-th
// pixel of every interval-th row of the processing window, with the image's
// own band values (the networks scale them afterwards, network_driver.h).
#include <cstddef>
#include <vector>

#include "frame/classification_pass.h"
#include "frame/window.h"

namespace zt {

// The pattern array a sampler fills: Capacity() patterns of bandCount
// values, one contiguous block behind the pointer array the networks take.
class PatternArray {
 public:
  // ((rows - 1) / interval + 1) x ((columns - 1) / interval + 1) patterns;
  // RC_OUT_OF_MEMORY when they cannot be held.
  long Allocate(const Window& window, long interval, long bandCount);
  double** Patterns() { return pointers_.data(); }
  long Capacity() const { return static_cast<long>(pointers_.size()); }
  void Release();

 private:
  std::vector<double> values_;
  std::vector<double*> pointers_;
};

// Fills patterns from index 0 without gaps and sets *patternCount to their
// number. A pixel that teaches nothing (TeachesNothing: a missing value, or
// one that noData holds, in some band) is left out.
// Polls for a stop once per sampled row: RC_CANCELLED.
//
// The pixels are those of single-pixel reads, but each sampled row of each
// band is read once, so an interval of 1 costs one pass over the window.
long SampleImage(void** bandHandles, long bandCount, long interval, const NoDataRule& noData, long rowCount,
                 long columnCount, long firstRow, long firstColumn, double** patterns, long* patternCount);

}  // namespace zt
