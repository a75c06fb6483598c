// AOI polygon access, the point-in-polygon test and polygon regions.
#include <algorithm>
#include <cmath>
#include <vector>

#include "ztclass/result_codes.h"
#include "ztservices/geometry.h"

namespace {

const ZTPOLYGON* AsPolygon(const void* polygon) { return static_cast<const ZTPOLYGON*>(polygon); }

// Even-odd crossing count of a ray from (x, y) to the right. Each edge spans
// y half-open, [low, high), so a vertex on the ray is counted once.
template <typename GetX, typename GetY>
bool Inside(long count, GetX getX, GetY getY, double x, double y) {
  bool inside = false;
  for (long i = 0, j = count - 1; i < count; j = i++) {
    double xi = getX(i), yi = getY(i), xj = getX(j), yj = getY(j);
    if ((yi <= y) != (yj <= y)) {
      // Measured from the lower end whichever way the ring runs: an edge
      // walked there and back (a hole's bridge) crosses twice at one point.
      if (yj < yi) std::swap(xi, xj), std::swap(yi, yj);
      double cross = xi + (y - yi) * (xj - xi) / (yj - yi);
      if (x < cross) inside = !inside;
    }
  }
  return inside;
}

struct Region {
  std::vector<ZTIPOINT> points;
};

}  // namespace

long ztGetPolygonNumsOfAOI(const AOI* aoi, long* count) {
  if (!aoi || !count) return RC_NULL_ARGUMENT;
  *count = aoi->polygonCount;
  return 0;
}

long ztGetPolygonPointerOfAoi(const AOI* aoi, void** polygons) {
  if (!aoi || !polygons) return RC_NULL_ARGUMENT;
  *polygons = aoi->polygons;
  return 0;
}

void* ztGetPolygonAt(void* polygons, long index) {
  return polygons ? static_cast<ZTPOLYGON*>(polygons) + index : nullptr;
}

long ztGetPointNumsOfPolygon(const void* polygon, long* count) {
  if (!polygon || !count) return RC_NULL_ARGUMENT;
  *count = AsPolygon(polygon)->pointCount;
  return 0;
}

long ztGetPointPointerOfPolygon(const void* polygon, void** points) {
  if (!polygon || !points) return RC_NULL_ARGUMENT;
  *points = AsPolygon(polygon)->points;
  return 0;
}

long ztComputeMaxRectOfPolygon(const void* polygon, double rect[4]) {
  if (!polygon || !rect) return RC_NULL_ARGUMENT;
  std::copy(AsPolygon(polygon)->rect, AsPolygon(polygon)->rect + 4, rect);
  return 0;
}

long ztRSPtInPolygon(const double* xy, long count, double x, double y, long mode) {
  if (!xy || count < 3) return 0;
  return Inside(count, [xy](long i) { return xy[2 * i]; }, [xy](long i) { return xy[2 * i + 1]; },
                x + 0.5, y + 0.5)
             ? 1
             : 0;
}

void* CreatePolygonRgn(const ZTIPOINT* points, int count, int fillMode) {
  if (!points || count < 0) return nullptr;
  return new Region{std::vector<ZTIPOINT>(points, points + count)};
}

int PtInRegion(void* region, long x, long y) {
  const auto* r = static_cast<const Region*>(region);
  if (!r || r->points.size() < 3) return 0;
  const auto& p = r->points;
  return Inside(
             static_cast<long>(p.size()), [&p](long i) { return double(p[i].x); },
             [&p](long i) { return double(p[i].y); }, x + 0.5, y + 0.5)
             ? 1
             : 0;
}

int DeleteObject(void* region) {
  delete static_cast<Region*>(region);
  return 1;
}
