#pragma once
#include <algorithm>
#include <vector>

#include "ztclass/records.h"

namespace zt {

// The class mask of the distance classifiers: which source pixels lie in a
// polygon of class AOI k (class k, later AOIs overwrite earlier ones) and
// which in none (class 0). Polygon vertices are rounded down to whole pixel
// coordinates and filled by the even-odd rule with pixel centres. Held as runs of equal
// class per row, so that its size follows the training polygons, not the
// image.
class ClassMask {
 public:
  // Fills the mask from the class AOIs of source; cancellable per polygon
  // row. Throws std::bad_alloc.
  long Build(void* source, const std::vector<AOI>& classAois);

  // Calls take(first, last, k) for each run of pixels of class k (not 0) of
  // row, clipped to columns lo..hi, from left to right.
  template <typename Take>
  void Row(long row, long lo, long hi, Take take) const {
    const auto found = std::lower_bound(rows_.begin(), rows_.end(), row);
    if (found == rows_.end() || *found != row) return;
    const size_t r = static_cast<size_t>(found - rows_.begin());
    for (size_t i = starts_[r]; i < starts_[r + 1]; ++i) {
      const Run& run = runs_[i];
      if (run.first > hi) break;
      if (run.last >= lo) take(std::max(run.first, lo), std::min(run.last, hi), run.classNo);
    }
  }

 private:
  struct Run {
    long first, last;
    int classNo;
  };
  // A run of one polygon's pixels before the overlaps are settled.
  struct Stroke {
    long row;
    Run run;
  };

  // Settles the strokes of one row (sorted by first column): each pixel
  // takes the highest class of the strokes covering it.
  void SettleRow(const Stroke* strokes, size_t count);

  std::vector<long> rows_;      // rows with runs, ascending
  std::vector<size_t> starts_;  // runs of rows_[r]: starts_[r] to starts_[r + 1]
  std::vector<Run> runs_;       // by row, then column; runs of one class do not touch
};

}  // namespace zt
