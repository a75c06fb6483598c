#include "samples/polygon_shape.h"

#include "ztservices/geometry.h"

namespace zt {

long ReadPolygon(void* polygon, PolygonShape& shape) {
  long pointCount = 0;
  void* points = nullptr;
  if (long rc = ztComputeMaxRectOfPolygon(polygon, shape.rect)) return rc;
  if (long rc = ztGetPointNumsOfPolygon(polygon, &pointCount)) return rc;
  if (long rc = ztGetPointPointerOfPolygon(polygon, &points)) return rc;
  shape.xy.clear();
  for (long i = 0; points && i < pointCount; ++i) {
    const ZTPOINT& point = static_cast<const ZTPOINT*>(points)[i];
    // Packed fields are read by value: they may be misaligned.
    const double x = point.x, y = point.y;
    shape.xy.push_back(x);
    shape.xy.push_back(y);
  }
  return 0;
}

}  // namespace zt
