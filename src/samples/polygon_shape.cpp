#include "samples/polygon_shape.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "ztservices/geometry.h"

namespace zt {

namespace {

constexpr double kMargin = 1.0;
// Whole vertices within this many pixels of the image keep every product of
// the point test exact, and with it the side of a pixel centre on an edge.
constexpr double kWholePixelMargin = 1 << 24;

struct Box {
  double x0, y0, x1, y1;
  bool Holds(double x, double y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
};

// One Sutherland-Hodgman step: keeps the part of the closed ring in on the
// side of the line axis = limit where inside() holds. The parts cut off are
// replaced by runs along the line, which changes the crossing count only of
// points beyond it.
template <typename Inside>
void ClipRing(const std::vector<double>& in, std::vector<double>& out, int axis, double limit, Inside inside) {
  out.clear();
  const size_t n = in.size() / 2;
  for (size_t i = 0; i < n; ++i) {
    const size_t j = (i + n - 1) % n;
    const double* p = &in[2 * i];
    const double* q = &in[2 * j];
    const bool pIn = inside(p[axis]), qIn = inside(q[axis]);
    if (pIn != qIn) {
      // The edge is measured from the same end whichever way the ring runs
      // along it: the two runs of a hole's bridge must be cut at the very
      // same point, or the sliver between them takes or frees pixels.
      const double* a = std::tie(p[0], p[1]) < std::tie(q[0], q[1]) ? p : q;
      const double* b = a == p ? q : p;
      // Written as a weighted mean so that huge coordinates cannot overflow.
      const double t = (limit - a[axis]) / (b[axis] - a[axis]);
      const double other = a[1 - axis] * (1 - t) + b[1 - axis] * t;
      out.push_back(axis == 0 ? limit : other);
      out.push_back(axis == 0 ? other : limit);
    }
    if (pIn) {
      out.push_back(p[0]);
      out.push_back(p[1]);
    }
  }
}

void ClipToBox(std::vector<double>& xy, const Box& box) {
  bool holds = true;
  for (size_t i = 0; i + 1 < xy.size(); i += 2) holds = holds && box.Holds(xy[i], xy[i + 1]);
  if (holds) return;
  std::vector<double> other;
  ClipRing(xy, other, 0, box.x0, [&](double v) { return v >= box.x0; });
  ClipRing(other, xy, 0, box.x1, [&](double v) { return v <= box.x1; });
  ClipRing(xy, other, 1, box.y0, [&](double v) { return v >= box.y0; });
  ClipRing(other, xy, 1, box.y1, [&](double v) { return v <= box.y1; });
  // Rounding may leave a cut point a hair outside.
  for (size_t i = 0; i + 1 < xy.size(); i += 2) {
    xy[i] = std::clamp(xy[i], box.x0, box.x1);
    xy[i + 1] = std::clamp(xy[i + 1], box.y0, box.y1);
  }
}

double ClampOrNaN(double v, double lo, double hi) { return std::isnan(v) ? v : std::clamp(v, lo, hi); }

// wholePixels: each vertex (and so the rectangle) is first rounded down to
// whole pixel coordinates, so that a polygon cut from an image and from a
// piece of it whole pixels away is the same polygon, shifted. The cut points
// of a clip would not be whole: such a polygon is clipped only where its
// vertices lie so far out that the arithmetic of the callers needs it.
long Read(void* polygon, long columns, long rows, bool wholePixels, PolygonShape& shape) {
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
    if (!std::isfinite(x) || !std::isfinite(y)) continue;
    shape.xy.push_back(wholePixels ? std::floor(x) : x);
    shape.xy.push_back(wholePixels ? std::floor(y) : y);
  }
  if (wholePixels)
    for (double& v : shape.rect) v = std::floor(v);
  const double margin = wholePixels ? kWholePixelMargin : kMargin;
  const Box box{-margin, -margin, columns + margin, rows + margin};
  ClipToBox(shape.xy, box);
  // A rectangle that is not a number or lies beyond the image ends up empty
  // (its minimum above its maximum).
  double* rect = shape.rect;
  rect[0] = ClampOrNaN(rect[0], box.x0, box.x1);
  rect[1] = ClampOrNaN(rect[1], box.y0, box.y1);
  rect[2] = ClampOrNaN(rect[2], box.x0, box.x1);
  rect[3] = ClampOrNaN(rect[3], box.y0, box.y1);
  if (std::isnan(rect[0]) || std::isnan(rect[2])) rect[0] = box.x1, rect[2] = box.x0;
  if (std::isnan(rect[1]) || std::isnan(rect[3])) rect[1] = box.y1, rect[3] = box.y0;
  return 0;
}

}  // namespace

long ReadPolygon(void* polygon, long columns, long rows, PolygonShape& shape) {
  return Read(polygon, columns, rows, false, shape);
}

long ReadWholePixelPolygon(void* polygon, long columns, long rows, PolygonShape& shape) {
  return Read(polygon, columns, rows, true, shape);
}

long ClampToLong(double v, long lo, long hi) {
  if (std::isnan(v) || v <= static_cast<double>(lo)) return lo;
  if (v >= static_cast<double>(hi)) return hi;
  return static_cast<long>(v);
}

}  // namespace zt
