#pragma once
// The block-wise classification pass that every pixel classifier shares:
// the source window is read one block of all listed bands at a time and
// converted to double, a per-pixel decision gives each pixel its class, and
// the class image is written one block row at a time at window-relative
// positions. The decision is a functor, inlined into the loop.
#include <cmath>
#include <vector>

#include "frame/progress_session.h"
#include "frame/window.h"
#include "services/value_buffer.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

namespace zt {

// Class number given to no-data pixels.
constexpr double kNoDataClass = 255.0;

struct NoDataRule {
  bool active = false;  // the first listed band has a no-data value
  double value = 0.0;
};

// The band values of one pixel, in band-list order.
class PixelValues {
 public:
  PixelValues(const std::vector<double*>& bands, long index) : bands_(bands.data()), index_(index) {}
  double operator[](long band) const { return bands_[band][index_]; }
  // The first count values into a contiguous array, for decisions that use
  // every band many times.
  void CopyTo(double* out, long count) const {
    for (long b = 0; b < count; ++b) out[b] = bands_[b][index_];
  }

 private:
  double* const* bands_;
  long index_;
};

// A value equals the no-data value exactly; a NaN no-data value is matched
// by NaN, which compares unequal to everything.
inline bool IsNoDataValue(double v, double noData) { return v == noData || (std::isnan(v) && std::isnan(noData)); }

// True when any of the first count bands holds value (IsNoDataValue).
inline bool AnyBandEquals(const PixelValues& pixel, long count, double value) {
  for (long b = 0; b < count; ++b)
    if (IsNoDataValue(pixel[b], value)) return true;
  return false;
}

inline bool AnyBandIsNaN(const PixelValues& pixel, long count) {
  for (long b = 0; b < count; ++b)
    if (std::isnan(pixel[b])) return true;
  return false;
}

inline bool IsFloatingType(ZTRSDataType type) { return type == ZTRS_Float32 || type == ZTRS_Float64; }

class ClassificationPass {
 public:
  ClassificationPass(void* source, const long* bands, long bandCount, void* result,
                     const Window& window)
      : source_(source), bandNumbers_(bands), bandCount_(bandCount), result_(result), w_(window) {}
  ~ClassificationPass() {
    ztRSClosePyramidLayer(source_);
    ztRSClosePyramidLayer(result_);
  }
  ClassificationPass(const ClassificationPass&) = delete;
  ClassificationPass& operator=(const ClassificationPass&) = delete;

  // Band handles of the band list. A band number the source lacks gives
  // RC_BAD_WINDOW; a missing band list RC_NULL_ARGUMENT.
  long LookUpBands();

  // Opens both datasets, takes types, block size and no-data, and allocates
  // the block buffers. Call after the progress bar has started.
  long Open();

  const std::vector<void*>& Bands() const { return bandHandles_; }
  long BandCount() const { return bandCount_; }
  const Window& GetWindow() const { return w_; }
  ZTRSDataType SourceType() const { return sourceType_; }
  void* Source() const { return source_; }
  void* Result() const { return result_; }
  void* ResultBand() const { return resultBand_; }
  const NoDataRule& NoData() const { return noData_; }
  long BlockColumns() const { return blockColumns_; }
  const std::vector<double*>& BandBuffers() const { return bandPointers_; }

  // A block of the window, in source pixels, end exclusive.
  struct Rect {
    long x0, y0, x1, y1;
  };

  // The walk of every pass: the window block by block under sub caption
  // captionId, polling for a stop request once per row block
  // (RC_CANCELLED), every listed band of a block read and converted to
  // double, then row(rect, y) for each of its rows; the pixels of row y lie
  // at index (y - rect.y0) * (rect.x1 - rect.x0) on in BandBuffers().
  template <typename Row>
  long ForEachRow(int captionId, Row&& row);

  // Runs the pass under sub caption captionId. decide(PixelValues) returns
  // the class number of the pixel; it applies the method's own no-data test.
  // A pixel with NaN in any listed band is no-data whatever the method: no
  // distance or likelihood means anything for it. When no-data pixels were
  // possible (a no-data value, or NaN met), the result declares 255, the
  // class they hold, as its no-data value.
  template <typename Decide>
  long Run(int captionId, Decide&& decide);

 private:
  Rect BlockRect(long rowBlock, long columnBlock) const;
  void ReadBlock(const Rect& r);
  void WriteRow(const Rect& r, long y);
  template <bool TestNaN, typename Decide>
  void DecideRow(double* classes, long rowStart, long width, Decide& decide);

  void* source_;
  const long* bandNumbers_;
  long bandCount_;
  void* result_;
  Window w_;

  std::vector<void*> bandHandles_;
  ZTRSDataType sourceType_ = ZTRS_Unknown;
  ZTRSDataType resultType_ = ZTRS_Unknown;
  void* resultBand_ = nullptr;
  long blockColumns_ = 0, blockRows_ = 0;
  NoDataRule noData_;
  std::vector<std::vector<double>> bandBuffers_;
  std::vector<double*> bandPointers_;
  ValueBuffer typedBlock_;
  ValueBuffer typedRow_;
  bool metNaN_ = false;
};

template <bool TestNaN, typename Decide>
void ClassificationPass::DecideRow(double* classes, long rowStart, long width, Decide& decide) {
  for (long i = 0; i < width; ++i) {
    const PixelValues pixel(bandPointers_, rowStart + i);
    if (TestNaN && AnyBandIsNaN(pixel, bandCount_)) {
      metNaN_ = true;
      classes[i] = kNoDataClass;
    } else {
      classes[i] = decide(pixel);
    }
  }
}

template <typename Row>
long ClassificationPass::ForEachRow(int captionId, Row&& row) {
  const long firstRowBlock = w_.firstRow / blockRows_;
  const long endRowBlock = (w_.firstRow + w_.rows + blockRows_ - 1) / blockRows_;
  const long firstColumnBlock = w_.firstColumn / blockColumns_;
  const long endColumnBlock = (w_.firstColumn + w_.columns + blockColumns_ - 1) / blockColumns_;

  BeginPhase(captionId, endRowBlock - firstRowBlock + 1);
  for (long rowBlock = firstRowBlock; rowBlock < endRowBlock; ++rowBlock) {
    if (StepAndCheckStop()) return RC_CANCELLED;
    for (long columnBlock = firstColumnBlock; columnBlock < endColumnBlock; ++columnBlock) {
      const Rect r = BlockRect(rowBlock, columnBlock);
      if (r.x1 <= r.x0 || r.y1 <= r.y0) continue;
      ReadBlock(r);
      for (long y = r.y0; y < r.y1; ++y) row(r, y);
    }
  }
  return RC_OK;
}

template <typename Decide>
long ClassificationPass::Run(int captionId, Decide&& decide) {
  const bool floating = IsFloatingType(sourceType_);
  const long rc = ForEachRow(captionId, [&](const Rect& r, long y) {
    const long width = r.x1 - r.x0;
    const long rowStart = (y - r.y0) * width;
    double* classes = bandPointers_[0] + rowStart;
    if (floating)
      DecideRow<true>(classes, rowStart, width, decide);
    else
      DecideRow<false>(classes, rowStart, width, decide);
    WriteRow(r, y);
  });
  if (rc == RC_OK && (noData_.active || metNaN_)) ztRSSetRasterNoDataValue(resultBand_, kNoDataClass);
  return rc;
}

}  // namespace zt
