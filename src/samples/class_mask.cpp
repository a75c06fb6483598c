#include "samples/class_mask.h"

#include <algorithm>
#include <memory>

#include "frame/progress_session.h"
#include "samples/polygon_shape.h"
#include "ztclass/result_codes.h"
#include "ztservices/geometry.h"
#include "ztservices/raster.h"

namespace zt {

namespace {

struct RegionDeleter {
  void operator()(void* region) const { DeleteObject(region); }
};

}  // namespace

long BuildClassMask(void* source, const std::vector<AOI>& classAois, MemBlock& mask) {
  const long columns = ztRSGetRasterXSize(source), rows = ztRSGetRasterYSize(source);
  if (long rc = mask.AllocateZeroed(columns * rows)) return rc;
  unsigned char* bytes = mask.Bytes();
  std::vector<ZTIPOINT> vertices;
  PolygonShape shape;

  for (size_t a = 0; a < classAois.size(); ++a) {
    const AOI& aoi = classAois[a];
    long polygonCount = 0;
    void* polygons = nullptr;
    if (long rc = ztGetPolygonNumsOfAOI(&aoi, &polygonCount)) return rc;
    if (long rc = ztGetPolygonPointerOfAoi(&aoi, &polygons)) return rc;
    for (long p = 0; p < polygonCount; ++p) {
      if (long rc = ReadPolygon(ztGetPolygonAt(polygons, p), columns, rows, shape)) return rc;
      const double* rect = shape.rect;
      const double xmin = std::max(rect[0], 0.0), ymin = std::max(rect[1], 0.0);
      const double xmax = std::min(rect[2], static_cast<double>(columns));
      const double ymax = std::min(rect[3], static_cast<double>(rows));
      const long firstColumn = static_cast<long>(xmin), firstRow = static_cast<long>(ymin);
      const long width = static_cast<long>(xmax - xmin), height = static_cast<long>(ymax - ymin);

      vertices.clear();
      for (long i = 0; i < shape.PointCount(); ++i)
        vertices.push_back(ZTIPOINT{static_cast<long>(shape.xy[2 * i]), static_cast<long>(shape.xy[2 * i + 1])});
      std::unique_ptr<void, RegionDeleter> region(
          CreatePolygonRgn(vertices.data(), static_cast<int>(vertices.size()), ZT_ALTERNATE));

      SetRange(0, height);
      SetStep(1);
      for (long i = 0; i < height; ++i) {
        if (StepAndCheckStop()) return RC_CANCELLED;
        const long row = firstRow + i;
        for (long j = 0; j < width; ++j) {
          const long column = firstColumn + j;
          if (PtInRegion(region.get(), column, row))
            bytes[row * columns + column] = static_cast<unsigned char>(a + 1);
        }
      }
    }
  }
  return RC_OK;
}

}  // namespace zt
