// Cell gathering: training pixels of AOI polygons, read one at a time.
#include <algorithm>
#include <cmath>
#include <vector>

#include "frame/captions.h"
#include "frame/entry.h"
#include "samples/cell_set.h"
#include "samples/polygon_shape.h"
#include "services/value_buffer.h"
#include "ztclass/result_codes.h"
#include "ztclass/samples.h"
#include "ztservices/geometry.h"
#include "ztservices/progress.h"

namespace zt {

namespace {

constexpr int kGatherCaption = 15;

double ReadPixel(void* band, long column, long row, ValueBuffer& value, ZTRSDataType type) {
  ztRSRasterIO(band, ZTRS_Read, column, row, 1, 1, value.Data(), 1, 1, type, 0, 0);
  double v = 0.0;
  ztRSConvValue(type, value.Data(), v);
  return v;
}

}  // namespace

long GatherCells(void* dataset, const std::vector<void*>& bands, const AOI* aois, long aoiCount,
                 const NoDataRule& noData, bool training, AOICELL** cells, long& count) {
  count = 0;
  const ZTRSDataType type = ztRSGetDatasetType(dataset);
  ValueBuffer value;
  if (long rc = value.Allocate(type, 1)) return rc;
  const long columns = ztRSGetRasterXSize(dataset), rows = ztRSGetRasterYSize(dataset);
  const long bandCount = static_cast<long>(bands.size());
  CellSet set(bandCount);
  PolygonShape shape;
  std::vector<double> pixel(bandCount);

  SetRange(0, aoiCount);
  SetStep(1);
  SetSubProgressNameById(kGatherCaption);
  for (long a = 0; a < aoiCount; ++a) {
    StepIt();
    if (training && IsStopProgress()) return RC_CANCELLED;
    void* polygons = nullptr;
    if (long rc = ztGetPolygonPointerOfAoi(&aois[a], &polygons)) return rc;
    if (aois[a].polygonCount == 0 || !polygons) return RC_AOI_WITHOUT_POLYGON;

    for (long p = 0; p < static_cast<long>(aois[a].polygonCount); ++p) {
      if (long rc = ReadPolygon(ztGetPolygonAt(polygons, p), columns, rows, shape)) return rc;
      if (shape.PointCount() < 1) continue;
      const double* rect = shape.rect;
      // Pixels outside the image have nothing to read: the rectangle is
      // clipped to the image.
      const long c0 = ClampToLong(rect[0], 0, columns), c1 = ClampToLong(rect[2], -1, columns - 1);
      const long r0 = ClampToLong(rect[1], 0, rows), r1 = ClampToLong(rect[3], -1, rows - 1);
      for (long r = r0; r <= r1; ++r) {
        for (long c = c0; c <= c1; ++c) {
          if (noData.active && IsNoDataValue(ReadPixel(bands[0], c, r, value, type), noData.value)) continue;
          if (ztRSPtInPolygon(shape.xy.data(), shape.PointCount(), c, r, 0) != 1) continue;
          for (long b = 0; b < bandCount; ++b) pixel[b] = ReadPixel(bands[b], c, r, value, type);
          // A pixel without a value in some band is no sample.
          if (std::any_of(pixel.begin(), pixel.end(), [](double v) { return std::isnan(v); })) continue;
          AOICELL& cell = set.Append(a + 1, r, c);
          for (long b = 0; b < bandCount; ++b) cell.values[b] = training ? pixel[b] / 255.0 : pixel[b];
        }
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
