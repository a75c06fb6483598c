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
long ReadPolygon(void* polygon, PolygonShape& shape);

}  // namespace zt
