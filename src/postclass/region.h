#pragma once
// Region growing over a grid of labels: iterative, with a growable queue, in
// the neighbour order the statistics files and the merging depend on.
#include <utility>
#include <vector>

namespace zt {

struct GridPixel {
  long row;
  long column;
};

// 8 gives the 8-neighbourhood, any other value the 4-neighbourhood.
inline bool EightNeighbours(int neighbours) { return neighbours == 8; }

// Grows the region of seed (same value as the seed, connected), visiting its
// pixels in queue order: the seed, then for each pixel taken from the queue
// its diagonal neighbours (8-neighbourhood only) (r-1,c-1), (r-1,c+1),
// (r+1,c-1), (r+1,c+1), then (r-1,c), (r,c-1), (r,c+1), (r+1,c). visit(pixel)
// is called once per pixel of the region, in that order. Grid: value(r, c).
// Visited: one byte per pixel, row-major, set for every pixel of the region.
// queue is the caller's, reused between calls; chunk is how much it grows
// by when full. Returns the region's pixel count.
template <typename Grid, typename Visit>
long GrowRegion(const Grid& grid, long rows, long columns, GridPixel seed, long value, int neighbours,
                unsigned char* visited, std::vector<GridPixel>& queue, long chunk, Visit&& visit) {
  if (seed.row < 0 || seed.row >= rows || seed.column < 0 || seed.column >= columns) return 0;
  if (grid(seed.row, seed.column) != value) return 0;
  queue.clear();
  auto join = [&](long r, long c) {
    if (r < 0 || r >= rows || c < 0 || c >= columns) return;
    unsigned char& seen = visited[r * columns + c];
    if (seen || grid(r, c) != value) return;
    if (queue.size() == queue.capacity()) queue.reserve(queue.capacity() + chunk);
    queue.push_back({r, c});
    seen = 1;
    visit(GridPixel{r, c});
  };
  join(seed.row, seed.column);
  const bool diagonals = EightNeighbours(neighbours);
  for (size_t head = 0; head < queue.size(); ++head) {
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
  return static_cast<long>(queue.size());
}

}  // namespace zt
