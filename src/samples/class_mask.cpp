#include "samples/class_mask.h"

#include <algorithm>

#include "frame/progress_session.h"
#include "samples/polygon_shape.h"
#include "samples/scanline_fill.h"
#include "ztclass/result_codes.h"
#include "ztservices/geometry.h"
#include "ztservices/raster.h"

namespace zt {

long BuildClassMask(void* source, const std::vector<AOI>& classAois, MemBlock& mask) {
  const long columns = ztRSGetRasterXSize(source), rows = ztRSGetRasterYSize(source);
  if (long rc = mask.AllocateZeroed(columns * rows)) return rc;
  unsigned char* bytes = mask.Bytes();
  std::vector<double> corners;
  ScanlineFill fill;
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

      corners.clear();
      for (double v : shape.xy) corners.push_back(static_cast<double>(static_cast<long>(v)));
      fill.Start(corners.data(), shape.PointCount(), firstRow, firstRow + height - 1);

      SetRange(0, height);
      SetStep(1);
      for (long i = 0; i < height; ++i) {
        if (StepAndCheckStop()) return RC_CANCELLED;
        unsigned char* line = bytes + (firstRow + i) * columns;
        fill.Row(firstRow + i, firstColumn, firstColumn + width - 1, [&](long first, long last) {
          std::fill(line + first, line + last + 1, static_cast<unsigned char>(a + 1));
        });
      }
    }
  }
  return RC_OK;
}

}  // namespace zt
