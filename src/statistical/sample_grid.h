#pragma once
// The regular grid of samples that the unsupervised classifiers learn from:
// pixels (firstColumn + i*s, firstRow + j*s) of the processing window, row by
// row from the top, left to right. Values come through the raster adapter
// service with whole rows cached, which gives exactly the values of single
// pixel reads at a fraction of their cost.
#include <vector>

#include "frame/window.h"

namespace zt {

struct SampleGrid {
  SampleGrid(const Window& window, long interval) : w(window), s(interval) {}
  long Rows() const { return w.rows > 0 ? (w.rows + s - 1) / s : 0; }
  long Columns() const { return w.columns > 0 ? (w.columns + s - 1) / s : 0; }
  long Count() const { return Rows() * Columns(); }
  long Row(long j) const { return w.firstRow + j * s; }
  long Column(long i) const { return w.firstColumn + i * s; }

  Window w;
  long s;
};

// A reader of the raster adapter service, given back in its three steps.
class SampleReader {
 public:
  // bands: band numbers of the source in band-list order.
  SampleReader(void* source, const long* bands, long bandCount);
  ~SampleReader();
  SampleReader(const SampleReader&) = delete;
  SampleReader& operator=(const SampleReader&) = delete;

  bool IsOpen() const { return reader_ != nullptr; }
  // The listed bands at (row, column) into values[0..bandCount).
  void Read(long row, long column, double* values) const;

 private:
  void* reader_;
  const long* bands_;
  long bandCount_;
};

}  // namespace zt
