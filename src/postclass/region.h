#pragma once
// Region growing from one seed: iterative, breadth first, in the neighbour
// order that the merging of small clumps depends on.
#include <cstddef>
#include <vector>

#include "ztservices/progress.h"

namespace zt {

struct GridPixel {
  long row;
  long column;
};

// 8 gives the 8-neighbourhood, any other value the 4-neighbourhood.
inline bool EightNeighbours(int neighbours) { return neighbours == 8; }

// The pixels that belong to a grown region already, one byte each,
// row-major: what GrowRegion's seen needs (Seen(r, c) and Mark(r, c)).
struct VisitedMap {
  unsigned char* cells;
  long columns;
  bool Seen(long r, long c) const { return cells[r * columns + c] != 0; }
  void Mark(long r, long c) { cells[r * columns + c] = 1; }
};

// Pixels grown between two looks at the user's stop request.
constexpr long kPixelsPerStopCheck = 1L << 16;

// Grows the region of seed (same value as the seed, connected), visiting its
// pixels in queue order: the seed, then for each pixel taken from the queue
// its diagonal neighbours (8-neighbourhood only) (r-1,c-1), (r-1,c+1),
// (r+1,c-1), (r+1,c+1), then (r-1,c), (r,c-1), (r,c+1), (r+1,c). visit(pixel)
// is called once per pixel of the region, in that order. Grid: value(r, c).
// seen tells the pixels taken already (by this region or an earlier one)
// and is marked for every pixel of the region.
// queue is the caller's, reused between calls; the pixels already taken are
// dropped from its front as it goes, so that it follows the region's front
// rather than its area.
// Returns the region's pixel count, or -1 when the user asked to stop.
template <typename Grid, typename Value, typename Seen, typename Visit>
long GrowRegion(const Grid& grid, long rows, long columns, GridPixel seed, Value value, int neighbours, Seen& seen,
                std::vector<GridPixel>& queue, Visit&& visit) {
  if (seed.row < 0 || seed.row >= rows || seed.column < 0 || seed.column >= columns) return 0;
  if (grid(seed.row, seed.column) != value) return 0;
  queue.clear();
  long count = 0;
  auto join = [&](long r, long c) {
    if (r < 0 || r >= rows || c < 0 || c >= columns) return;
    if (seen.Seen(r, c) || grid(r, c) != value) return;
    queue.push_back({r, c});
    seen.Mark(r, c);
    ++count;
    visit(GridPixel{r, c});
  };
  join(seed.row, seed.column);
  const bool diagonals = EightNeighbours(neighbours);
  long taken = 0;
  for (size_t head = 0; head < queue.size(); ++head) {
    if (++taken % kPixelsPerStopCheck == 0 && IsStopProgress()) return -1;
    // The pixels already taken go once they are the larger part: linear in
    // the region, whatever the length of its front.
    if (head >= static_cast<size_t>(kPixelsPerStopCheck) && head * 2 >= queue.size()) {
      queue.erase(queue.begin(), queue.begin() + static_cast<std::ptrdiff_t>(head));
      head = 0;
    }
    const long r = queue[head].row, c = queue[head].column;
    if (diagonals) {
      join(r - 1, c - 1);
      join(r - 1, c + 1);
      join(r + 1, c - 1);
      join(r + 1, c + 1);
    }
    join(r - 1, c);
    join(r, c - 1);
    join(r, c + 1);
    join(r + 1, c);
  }
  return count;
}

}  // namespace zt
