// Cell gathering: training pixels of AOI polygons, read a run of a row at a time.
#include <algorithm>
#include <cmath>
#include <vector>

#include "frame/captions.h"
#include "frame/entry.h"
#include "samples/cell_set.h"
#include "samples/polygon_shape.h"
#include "samples/scanline_fill.h"
#include "services/value_buffer.h"
#include "ztclass/result_codes.h"
#include "ztclass/samples.h"
#include "ztservices/geometry.h"
#include "ztservices/progress.h"

namespace zt {

namespace {

constexpr int kGatherCaption = 15;

// Pixels and vertices visited between two looks for a stop request within
// the AOIs: a few milliseconds of work, and none in a small polygon.
constexpr long kStopPollWork = 1L << 18;

// Columns read at a time: bounds the buffers whatever the image's width and
// band count.
constexpr long kRunChunk = 4096;

// One row's run of pixels of every band, converted to double, band after
// band; room grows with the widest run and is then reused.
class RunValues {
 public:
  RunValues(ZTRSDataType type, long bandCount) : type_(type), bandCount_(bandCount) {}

  // 0 or the service's code (a pixel type it cannot hold, say).
  long Reserve(long width) {
    if (width <= capacity_) return 0;
    if (long rc = raw_.Allocate(type_, width)) return rc;
    values_.resize(static_cast<size_t>(bandCount_ * width));
    capacity_ = width;
    return 0;
  }

  long Read(const std::vector<void*>& bands, long first, long row, long width) {
    if (long rc = Reserve(width)) return rc;
    width_ = width;
    for (long b = 0; b < bandCount_; ++b) {
      if (long rc = ztRSRasterIO(bands[b], ZTRS_Read, first, row, width, 1, raw_.Data(), width, 1, type_, 0, 0))
        return rc;
      ztRSConvNValues(type_, raw_.Data(), width, &values_[b * width]);
    }
    return 0;
  }
  double Value(long band, long i) const { return values_[band * width_ + i]; }
  long BandCount() const { return bandCount_; }

 private:
  ZTRSDataType type_;
  long bandCount_;
  ValueBuffer raw_;
  std::vector<double> values_;
  long capacity_ = 0, width_ = 0;
};

// The cells of pixels first..last of row held in values: pixels without a
// value, or with the no-data value, in some band are no samples.
void AppendCells(const RunValues& values, long classNo, long row, long first, long last, const NoDataRule& noData,
                 CellSet& set) {
  const long bandCount = values.BandCount();
  for (long i = 0; i <= last - first; ++i) {
    if (TeachesNothing(noData, bandCount, [&](long b) { return values.Value(b, i); })) continue;
    AOICELL& cell = set.Append(classNo, row, first + i);
    for (long b = 0; b < bandCount; ++b) cell.values[b] = values.Value(b, i);
  }
}

}  // namespace

long GatherCells(void* dataset, const std::vector<void*>& bands, const AOI* aois, long aoiCount,
                 const NoDataRule& noData, bool training, AOICELL** cells, long& count) {
  count = 0;
  const ZTRSDataType type = BandsReadType(bands.data(), static_cast<long>(bands.size()));
  const long columns = ztRSGetRasterXSize(dataset), rows = ztRSGetRasterYSize(dataset);
  const long bandCount = static_cast<long>(bands.size());
  CellSet set(bandCount);
  PolygonShape shape;
  ScanlineFill fill;
  RunValues run(type, bandCount);
  long rc = run.Reserve(1);
  if (rc) return rc;
  long work = 0;
  auto stopRequested = [&](long done) {
    work += done;
    if (work < kStopPollWork) return false;
    work = 0;
    return training && IsStopProgress() != 0;
  };

  SetRange(0, aoiCount);
  SetStep(1);
  SetSubProgressNameById(kGatherCaption);
  for (long a = 0; a < aoiCount; ++a) {
    StepIt();
    if (training && IsStopProgress()) return RC_CANCELLED;
    void* polygons = nullptr;
    if ((rc = ztGetPolygonPointerOfAoi(&aois[a], &polygons))) return rc;
    if (aois[a].polygonCount == 0 || !polygons) return RC_AOI_WITHOUT_POLYGON;

    for (long p = 0; p < static_cast<long>(aois[a].polygonCount); ++p) {
      if ((rc = ReadPolygon(ztGetPolygonAt(polygons, p), columns, rows, shape))) return rc;
      if (shape.PointCount() < 1) continue;
      const double* rect = shape.rect;
      // Pixels outside the image have nothing to read: the rectangle is
      // clipped to the image.
      const long c0 = ClampToLong(rect[0], 0, columns), c1 = ClampToLong(rect[2], -1, columns - 1);
      const long r0 = ClampToLong(rect[1], 0, rows), r1 = ClampToLong(rect[3], -1, rows - 1);
      if (r0 > r1 || c0 > c1) continue;
      if (stopRequested(shape.PointCount())) return RC_CANCELLED;
      fill.Start(shape.xy.data(), shape.PointCount(), r0, r1);
      for (long r = r0; r <= r1; ++r) {
        // The box of one polygon may hold millions of pixels.
        if (stopRequested(c1 - c0 + 1)) return RC_CANCELLED;
        fill.Row(r, c0, c1, [&](long runFirst, long runLast) {
          for (long first = runFirst; first <= runLast && !rc; first += kRunChunk) {
            const long last = std::min(runLast, first + kRunChunk - 1);
            if ((rc = run.Read(bands, first, r, last - first + 1))) return;
            AppendCells(run, a + 1, r, first, last, noData, set);
          }
        });
        if (rc) return rc;
      }
    }
  }
  set.Release(cells, count);
  return RC_OK;
}

}  // namespace zt

using namespace zt;

long ztGetAOICellSet(void* dataset, long* bands, long bandCount, AOI* aois, long aoiCount,
                     AOICELL** cells, long& count) {
  return Guarded([&] {
    if (!dataset || !bands || !aois || !cells) return RC_NULL_ARGUMENT;
    if (bandCount > 1024) return RC_TOO_MANY_BANDS;
    if (bandCount < 1 || aoiCount < 1 || *cells) return RC_BAD_WINDOW;
    std::vector<void*> handles;
    for (long b = 0; b < bandCount; ++b) {
      void* band = ztRSGetRasterBand(dataset, bands[b]);
      if (!band) return RC_BAD_WINDOW;
      handles.push_back(band);
    }
    int flag = 0;
    NoDataRule noData;
    noData.value = ztRSGetRasterNoDataValue(handles[0], &flag);
    noData.active = flag == 1;
    return GatherCells(dataset, handles, aois, aoiCount, noData, false, cells, count);
  });
}

void ztFreeAOICellSet(AOICELL* cells, long count) { FreeCellSet(cells, count); }
void ztFreePrfAOICellSet(AOICELL* cells, long count) { FreeCellSet(cells, count); }
