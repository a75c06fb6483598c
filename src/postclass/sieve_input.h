#pragma once
// What sieve takes from the statistics file of a clump image: its heading,
// and the class value of each clump number that keeps a place.
#include <vector>

namespace zt {

struct SieveInput {
  long classCount = 0;
  int neighbours = 4;
  long zeroPixels = 0;
};

// The heading of the statistics file at path. The class count is passed on
// as read, within what clump can write; the block-0 count is added to, so it
// must be a count of the band's bandCells pixels. RC_INPUT_FILE_FAILED when
// the file cannot be read or either count is out of range.
long ReadSieveInput(const char* path, long bandCells, SieveInput& in);

// The class values of clump numbers 1..last (classValue[k], from the first
// clump lines of the file at path); RC_INPUT_FILE_FAILED when there are
// fewer lines or one has no class value. RC_BAD_WINDOW for a number above
// the band's bandCells pixels, which no clump image holds.
long ReadClumpClassValues(const char* path, long last, long bandCells, std::vector<long>& classValue);

}  // namespace zt
