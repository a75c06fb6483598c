#pragma once
#include <vector>

namespace zt {

// What training needs of one AOI polygon: its bounding rectangle (minimum
// x, minimum y, maximum x, maximum y) and its vertices as x, y pairs.
struct PolygonShape {
  double rect[4] = {0, 0, 0, 0};
  std::vector<double> xy;

  long PointCount() const { return static_cast<long>(xy.size() / 2); }
};

// Reads polygon through the image base service; 0 or the service's code.
// Vertices and rectangle come back confined to the image of columns x rows
// pixels and a margin of one pixel, which leaves every pixel of the image
// inside or outside as before: a polygon reaching far beyond the image (a
// vertex at 1e300, say) keeps its pixels, and no coordinate is too large for
// the integer arithmetic of the callers. Vertices that are not finite numbers
// are dropped.
long ReadPolygon(void* polygon, long columns, long rows, PolygonShape& shape);

// As ReadPolygon, with each vertex and the rectangle rounded down to whole
// pixel coordinates first; the margin is wide enough that clipping moves no
// edge of a polygon within reach of the image.
long ReadWholePixelPolygon(void* polygon, long columns, long rows, PolygonShape& shape);

// v truncated towards zero and clamped to lo..hi; NaN gives lo.
long ClampToLong(double v, long lo, long hi);

}  // namespace zt
