#pragma once
// The regular grid of samples that the unsupervised classifiers learn from:
// pixels (firstColumn + i*s, firstRow + j*s) of the processing window, row by
// row from the top, left to right. Values come through the raster adapter
// service with rows cached a piece at a time, which gives exactly the
// values of single pixel reads at a fraction of their cost.
#include <vector>

#include "frame/window.h"

namespace zt {

struct SampleGrid {
  SampleGrid(const Window& window, long interval) : w(window), s(interval) {}
  // Rounded up without adding s, which may be as large as a long holds.
  long Rows() const { return w.rows > 0 ? (w.rows - 1) / s + 1 : 0; }
  long Columns() const { return w.columns > 0 ? (w.columns - 1) / s + 1 : 0; }
  long Count() const { return Rows() * Columns(); }
  long Row(long j) const { return w.firstRow + j * s; }
  long Column(long i) const { return w.firstColumn + i * s; }

  Window w;
  long s;
};

// The samples' band values through a reader of the raster adapter service,
// given back in its three steps. The learning phases walk the grid many
// times, so a grid of up to kKeptSampleValues values is kept in memory once
// read; a larger one is read again on every walk.
class SampleReader {
 public:
  static constexpr long kKeptSampleValues = 16L << 20;

  // bands: band numbers of the source in band-list order.
  SampleReader(void* source, const long* bands, long bandCount, const SampleGrid& grid);
  ~SampleReader();
  SampleReader(const SampleReader&) = delete;
  SampleReader& operator=(const SampleReader&) = delete;

  bool IsOpen() const { return reader_ != nullptr; }
  // The listed bands at (row, column) of the source into values[0..bandCount).
  void Read(long row, long column, double* values) const;
  // Sampled row j of the grid: Columns() samples of bandCount values each.
  const double* Row(long j);
  // The code of the first read that failed (its values read as NaN), 0
  // while none has: callers look after each row they read.
  long Failure() const { return failure_; }

 private:
  void* reader_;
  const long* bands_;
  long bandCount_;
  SampleGrid grid_;
  bool keep_;
  std::vector<double> values_;  // every row when kept, else one
  std::vector<char> read_;      // per row, when kept
  mutable long failure_ = 0;
};

}  // namespace zt
