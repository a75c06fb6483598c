#pragma once
// What a worker sends of one tile, and what it is sent back: the tile's
// regions and border labels, and the final number of each of its regions.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "frame/window.h"

namespace zt {

// A tile's labelling, or (rangeOnly) only the class range of a part of the
// band outside the window.
struct TileSummary {
  bool rangeOnly = false;
  int mode = 0, neighbours = 4;
  Window window{};  // of the band
  bool hasRange = false;
  long low = 0, high = 0;  // truncated class values
  long zeros = 0;          // pixels of value 0
  // Region m = 1..n (index 0: value 0, no region): value, pixel count, first
  // pixel (row * columns + column of the tile).
  std::vector<int64_t> value;
  std::vector<uint32_t> count, first;
  // Region labels of the first and last rows and columns.
  std::vector<uint32_t> top, bottom, left, right;

  uint32_t Regions() const { return static_cast<uint32_t>(value.size() - 1); }
  // The value under a border label.
  int64_t ValueOf(uint32_t label) const { return value[label]; }
};

void EncodeSummary(const TileSummary& summary, void** buffer, size_t* size);
// False for a buffer that is not a whole, consistent summary.
bool DecodeSummary(const void* buffer, size_t size, TileSummary& summary);

// The final numbers of a tile's regions, numbers[m] for m = 0..n.
struct TileNumbers {
  Window window{};
  std::vector<uint32_t> numbers;
};

void EncodeNumbers(const TileNumbers& numbers, void** buffer, size_t* size);
bool DecodeNumbers(const void* buffer, size_t size, TileNumbers& numbers);

}  // namespace zt
