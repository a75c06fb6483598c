#pragma once
// What clump, sieve and eliminate share: their arguments' checks and the
// source and result bands, read and written a block of rows at a time in
// the pixels' own types.
#include "frame/window.h"
#include "ztservices/raster.h"

namespace zt {

class PostClassJob {
 public:
  PostClassJob(void* source, long sourceBand, void* result, long resultBand, const Window& window)
      : source_(source), sourceBand_(sourceBand), result_(result), resultBand_(resultBand), w_(window) {}
  // A job that only reads: the source stands in for the result, which is
  // never written.
  PostClassJob(void* source, long sourceBand, const Window& window)
      : PostClassJob(source, sourceBand, source, sourceBand, window) {}
  ~PostClassJob();
  PostClassJob(const PostClassJob&) = delete;
  PostClassJob& operator=(const PostClassJob&) = delete;

  // Null datasets give RC_NULL_ARGUMENT; a window outside the source, or a
  // band either dataset lacks, RC_BAD_WINDOW. Opens both datasets.
  long Open();

  // Size of the whole source band, which bounds every count that a clump
  // image or its statistics can rightly hold.
  long BandColumns() const;
  long BandRows() const;
  long BandCells() const { return BandColumns() * BandRows(); }
  ZTRSDataType SourceType() const;

  // Rows of one read or write holding rows of rowBytes each: the band's own
  // block height (at least a few rows), within a buffer of bounded size.
  long SourceBlockRows(long rowBytes) const;
  long ResultBlockRows(long rowBytes) const;

  // count whole rows of the source band from row first, in type.
  long ReadBandRows(long first, long count, ZTRSDataType type, void* values) const;
  // count rows of the window from window row first, in type.
  long ReadWindowRows(long first, long count, ZTRSDataType type, void* values) const;
  // count rows of the result from row first (window-relative), in type.
  long WriteRows(long first, long count, ZTRSDataType type, const void* values) const;

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
