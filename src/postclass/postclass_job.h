#pragma once
// What clump, sieve and eliminate share: their arguments' checks, the
// source and result bands, row reading and writing, and the class count of
// a band from its minimum and maximum.
#include <vector>

#include "frame/window.h"
#include "services/value_buffer.h"
#include "ztservices/raster.h"

namespace zt {

class PostClassJob {
 public:
  PostClassJob(void* source, long sourceBand, void* result, long resultBand, const Window& window)
      : source_(source), sourceBand_(sourceBand), result_(result), resultBand_(resultBand), w_(window) {}
  ~PostClassJob();
  PostClassJob(const PostClassJob&) = delete;
  PostClassJob& operator=(const PostClassJob&) = delete;

  // Null datasets give RC_NULL_ARGUMENT; a window outside the source, or a
  // band either dataset lacks, RC_BAD_WINDOW. Opens both datasets.
  long Open();

  // The class count of the source band: maximum - minimum + 1, or the
  // maximum when the minimum is 0 (both truncated, taken over every pixel of
  // the band, no-data pixels included); for a clump image, its highest clump
  // number. A pixel that is not finite or lies outside the 32-bit signed
  // range is no class value: RC_BAD_WINDOW.
  long ClassCount(long& count) const;

  // Pixels of the whole source band, which bounds every count that a clump
  // image or its statistics can rightly hold.
  long BandCells() const;

  // Row i of the window, as doubles, read in the given type.
  void ReadRow(long i, ZTRSDataType type, ValueBuffer& raw, double* values) const;
  // Writes values as row i of the result (window-relative), in type.
  void WriteRow(long i, const double* values, ZTRSDataType type, ValueBuffer& raw) const;

  const Window& GetWindow() const { return w_; }
  long Cells() const { return w_.rows * w_.columns; }

 private:
  void* source_;
  long sourceBand_;
  void* result_;
  long resultBand_;
  Window w_;
  void* sourceHandle_ = nullptr;
  void* resultHandle_ = nullptr;
  bool opened_ = false;
};

}  // namespace zt
