#pragma once
#include <algorithm>
#include <vector>

namespace zt {

// The pixels of one polygon, row by row, from an edge table: the pixels that
// the point-in-polygon test of their centres (ztRSPtInPolygon) accepts, boundary
// rule included, found by sorting the edges once and the crossings of each
// row instead of testing every pixel against every edge. Pixel (c, r) has its
// centre at (c + 0.5, r + 0.5).
class ScanlineFill {
 public:
  // Takes the ring of count vertices in xy (x, y pairs, the last joined to the
  // first) for rows firstRow..lastRow. Fewer than three vertices hold no
  // pixel. Vertices must be finite. Throws std::bad_alloc.
  void Start(const double* xy, long count, long firstRow, long lastRow);

  // Calls take(first, last) for each run of pixels of row that lie inside,
  // from left to right, clipped to columns lo..hi; runs do not touch. Rows are visited in
  // increasing order, each at most once, within the range given to Start.
  template <typename Take>
  void Row(long row, long lo, long hi, Take take) {
    if (hi < lo) return;
    Cross(row);
    // The count is even: going round a closed ring, the vertices pass from
    // above the centre line to below it as often as back. Runs that touch
    // (a hole's bridge, two loops meeting) are joined.
    long runFirst = 0, runLast = lo - 2;  // none yet
    for (size_t m = 0; m + 1 < crossings_.size(); m += 2) {
      const long first = std::max(FirstCentreFrom(crossings_[m], lo, hi), lo);
      const long last = std::min(LastCentreBefore(crossings_[m + 1], lo, hi), hi);
      if (first > last) continue;
      if (first == runLast + 1) {
        runLast = last;
        continue;
      }
      if (runLast >= lo) take(runFirst, runLast);
      runFirst = first;
      runLast = last;
    }
    if (runLast >= lo) take(runFirst, runLast);
  }

 private:
  struct Edge {
    double xi, yi, xj, yj;  // the lower end, then the upper one, as the point test takes them
    long firstRow, lastRow;
  };

  // Sorted crossings of the centre line of row with the edges spanning it.
  void Cross(long row);
  // The first centre c + 0.5 at or right of x, and the last strictly left of
  // it; x is clamped to just beyond lo..hi first, which changes neither
  // answer within lo..hi.
  static long FirstCentreFrom(double x, long lo, long hi);
  static long LastCentreBefore(double x, long lo, long hi);

  std::vector<Edge> edges_;  // by first row
  size_t next_ = 0;          // first edge not yet active
  std::vector<Edge> active_;
  std::vector<double> crossings_;
};

}  // namespace zt
