#pragma once
// Where eliminate merges a small clump: the neighbouring clump chosen over
// the pixels of its region, met in the order of region growth.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "postclass/region.h"
#include "postclass/regions.h"
#include "ztservices/progress.h"

namespace zt {

// Per clump k = 1..N (index 0 unused).
struct ClumpTables {
  std::vector<long> classValue, column, row, count;
};

// The clump that a small clump k merges into, and its pixel count; label 0
// when there is none.
struct Choice {
  long label = 0;
  long count = 0;
};

// Whether clump label, of count pixels, is a better target for clump k than
// best: the larger clump; on equal size the nearer class value, then the
// smaller one.
inline bool Better(const ClumpTables& t, long k, long label, long count, const Choice& best) {
  if (best.label == 0 || count > best.count) return true;
  if (count != best.count) return false;
  const long distance = std::labs(t.classValue[label] - t.classValue[k]);
  const long bestDistance = std::labs(t.classValue[best.label] - t.classValue[k]);
  return distance < bestDistance || (distance == bestDistance && t.classValue[label] < t.classValue[best.label]);
}

// Grows the region at seed, breadth first: the seed, then for each pixel
// taken its diagonal neighbours (8-neighbourhood only) (r-1,c-1), (r-1,c+1),
// (r+1,c-1), (r+1,c+1), then (r-1,c), (r,c-1), (r,c+1), (r+1,c); its pixels
// go to pixels in that order. At the same time it chooses the clump that
// clump k merges into: per pixel the best neighbouring clump met in raster
// order (the first of equals), over the pixels the first of the largest
// count. While the region grows, its pixels read 0, a number no region has.
// clumpOf(m) is the clump of region m. Returns the pixel count, or -1 when
// the user asked to stop.
template <typename Label, typename Value, typename ClumpOf>
long GrowAndChoose(Regions<Label, Value>& regions, long rows, long columns, bool eight, GridPixel seed,
                   const ClumpTables& t, long k, std::vector<GridPixel>& pixels, Choice& target, ClumpOf& clumpOf) {
  static constexpr int kOffsets[8][2] = {{-1, -1}, {-1, 0}, {-1, 1}, {0, -1}, {0, 1}, {1, -1}, {1, 0}, {1, 1}};
  static constexpr int kRaster[8] = {0, 1, 2, 3, 4, 5, 6, 7};
  static constexpr int kGrowth[8] = {0, 2, 5, 7, 1, 3, 4, 6};
  static constexpr int kCross[4] = {1, 3, 4, 6};
  const int* raster = eight ? kRaster : kCross;
  const int* growth = eight ? kGrowth : kCross;
  const int n = eight ? 8 : 4;
  const Label region = regions.Row(seed.row)[seed.column];
  pixels.assign(1, seed);
  regions.Row(seed.row)[seed.column] = 0;
  target = Choice{};
  for (size_t head = 0; head < pixels.size(); ++head) {
    if ((head + 1) % kPixelsPerStopCheck == 0 && IsStopProgress()) return -1;
    const GridPixel p = pixels[head];
    Label around[8] = {};
    for (int i = 0; i < n; ++i) {
      const long r = p.row + kOffsets[raster[i]][0], c = p.column + kOffsets[raster[i]][1];
      if (r >= 0 && r < rows && c >= 0 && c < columns) around[raster[i]] = regions.Row(r)[c];
    }
    for (int i = 0; i < n; ++i) {
      if (around[growth[i]] != region) continue;
      const long r = p.row + kOffsets[growth[i]][0], c = p.column + kOffsets[growth[i]][1];
      regions.Row(r)[c] = 0;
      pixels.push_back(GridPixel{r, c});
    }
    // A neighbour of another region never shares the clump number: it would
    // be of this region.
    Choice best;
    for (int i = 0; i < n; ++i) {
      const Label m = around[raster[i]];
      if (m == 0 || m == region) continue;
      const long label = clumpOf(m), count = t.count[label];
      if (Better(t, k, label, count, best)) best = Choice{label, count};
    }
    if (best.label != 0 && (target.label == 0 || best.count > target.count)) target = best;
  }
  for (GridPixel p : pixels) regions.Row(p.row)[p.column] = region;
  return long(pixels.size());
}

}  // namespace zt
