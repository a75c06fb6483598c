#include "samples/scanline_fill.h"

#include <cmath>

namespace zt {

long ScanlineFill::FirstCentreFrom(double x, long lo, long hi) {
  x = std::clamp(x, lo - 1.0, hi + 2.0);
  auto c = static_cast<long>(std::ceil(x - 0.5));
  // x - 0.5 may round; the comparisons with the centres themselves are exact.
  while (static_cast<double>(c) + 0.5 < x) ++c;
  while (static_cast<double>(c - 1) + 0.5 >= x) --c;
  return c;
}

long ScanlineFill::LastCentreBefore(double x, long lo, long hi) {
  x = std::clamp(x, lo - 2.0, hi + 1.0);
  auto c = static_cast<long>(std::floor(x - 0.5));
  while (static_cast<double>(c) + 0.5 >= x) --c;
  while (static_cast<double>(c + 1) + 0.5 < x) ++c;
  return c;
}

void ScanlineFill::Start(const double* xy, long count, long firstRow, long lastRow) {
  edges_.clear();
  active_.clear();
  next_ = 0;
  if (count < 3 || lastRow < firstRow) return;
  for (long i = 0, j = count - 1; i < count; j = i++) {
    const double yi = xy[2 * i + 1], yj = xy[2 * j + 1];
    // An edge spans the centre lines from its lower end, included, to its
    // upper end, excluded; a horizontal edge spans none.
    const double low = std::min(yi, yj), high = std::max(yi, yj);
    const long first = std::max(FirstCentreFrom(low, firstRow, lastRow), firstRow);
    const long last = std::min(LastCentreBefore(high, firstRow, lastRow), lastRow);
    if (first > last) continue;
    if (yi < yj)
      edges_.push_back(Edge{xy[2 * i], yi, xy[2 * j], yj, first, last});
    else
      edges_.push_back(Edge{xy[2 * j], yj, xy[2 * i], yi, first, last});
  }
  std::sort(edges_.begin(), edges_.end(), [](const Edge& a, const Edge& b) { return a.firstRow < b.firstRow; });
}

void ScanlineFill::Cross(long row) {
  size_t kept = 0;
  for (const Edge& e : active_)
    if (e.lastRow >= row) active_[kept++] = e;
  active_.resize(kept);
  for (; next_ < edges_.size() && edges_[next_].firstRow <= row; ++next_)
    if (edges_[next_].lastRow >= row) active_.push_back(edges_[next_]);

  const double y = static_cast<double>(row) + 0.5;
  crossings_.clear();
  // Operand for operand the expression of the point test, so that a centre
  // on an edge falls on the same side in both.
  for (const Edge& e : active_) crossings_.push_back(e.xi + (y - e.yi) * (e.xj - e.xi) / (e.yj - e.yi));
  std::sort(crossings_.begin(), crossings_.end());
}

}  // namespace zt
