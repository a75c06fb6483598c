#pragma once
// AOI polygon geometry, point-in-polygon and polygon regions.
//
// An AOI polygon is a ZTPOLYGON record in the AOI's polygon array; its points
// are ZTPOINT records in pixel coordinates (x column, y row), GDAL's
// pixel/line convention: the integer point (c, r) is the top-left corner of
// pixel (c, r), whose centre is (c + 0.5, r + 0.5). A polygon with holes holds its outer
// ring, then each hole ring, each closed and followed by the outer ring's
// first point again; under the even-odd rule the connecting edges cancel, so
// points inside a hole are outside the polygon.
#include <cstdint>

#include "ztclass/records.h"
#include "ztservices/export.h"

#pragma pack(push, 1)
struct ZTPOINT {
  int32_t reserved;
  double x;
  double y;
  double z;
  double m;
  double spare[2];
};
#pragma pack(pop)
static_assert(sizeof(ZTPOINT) == 52);
static_assert(offsetof(ZTPOINT, x) == 4);
static_assert(offsetof(ZTPOINT, y) == 12);

struct ZTPOLYGON {
  int32_t reserved;
  uint32_t pointCount;
  ZTPOINT* points;
  double rect[4];  // minimum x, minimum y, maximum x, maximum y
};

ZTSERVICES_API long ztGetPolygonNumsOfAOI(const AOI* aoi, long* count);
ZTSERVICES_API long ztGetPolygonPointerOfAoi(const AOI* aoi, void** polygons);
// The polygon at index i of an AOI's polygon array.
ZTSERVICES_API void* ztGetPolygonAt(void* polygons, long index);
ZTSERVICES_API long ztGetPointNumsOfPolygon(const void* polygon, long* count);
ZTSERVICES_API long ztGetPointPointerOfPolygon(const void* polygon, void** points);
ZTSERVICES_API long ztComputeMaxRectOfPolygon(const void* polygon, double rect[4]);

// Whether pixel (x, y) belongs to the polygon: the even-odd crossing test at
// the pixel's centre (x + 0.5, y + 0.5); 1 inside, 0 outside. xy holds count
// vertices as x, y pairs; the last joins the first. Boundary rule: a
// horizontal ray to the right counts an edge when it spans y half-open (lower
// end included), so of two polygons sharing an edge exactly one holds a
// centre on it: centres on left and low-y edges are inside, on right and
// high-y edges outside. For integer vertices this takes exactly the pixels
// whose centres lie inside, as GDAL's rasterisation does, and the same pixels
// as the polygon region below. mode is accepted for compatibility and not
// used.
ZTSERVICES_API long ztRSPtInPolygon(const double* xy, long count, double x, double y, long mode);

// Polygon regions over integer vertices with the even-odd fill rule. Pixel
// (x, y) belongs to the region when the point (x + 0.5, y + 0.5) lies inside,
// so the square (10,10)-(12,12) holds columns and rows 10 and 11.
struct ZTIPOINT {
  long x;
  long y;
};
constexpr int ZT_ALTERNATE = 1;
ZTSERVICES_API void* CreatePolygonRgn(const ZTIPOINT* points, int count, int fillMode);
ZTSERVICES_API int PtInRegion(void* region, long x, long y);
ZTSERVICES_API int DeleteObject(void* region);
