#pragma once
// What sieve takes from the statistics file of a clump image: its heading,
// and the clump lines, which must describe the clumps of the image.
#include <string_view>
#include <vector>

#include "postclass/merge_target.h"

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

// Clump line k of a statistics file into k of t: class value, first pixel
// and pixel count; false when a field is missing or no number, or the pixel
// count lies outside 0..bandCells. fields: room the caller keeps from line
// to line.
bool ParseClumpLine(std::string_view line, long k, long bandCells, ClumpTables& t,
                    std::vector<std::string_view>& fields);

// The clump lines 1..last of the file at path: class value, first pixel and
// pixel count of clump number k at k of t. RC_INPUT_FILE_FAILED when there
// are fewer lines, one lacks a field, or a pixel count lies outside
// 0..bandCells. RC_BAD_WINDOW for a number above the band's bandCells
// pixels, which no clump image holds.
long ReadClumpLines(const char* path, long last, long bandCells, ClumpTables& t);

// Whether region m of a window of a clump image (its clump number, pixel
// count and first pixel as row * columns + column of the window) is what
// the clump lines t say of that clump. In a window of the whole band,
// region m is clump m, of the line's pixel count and first pixel, as clump
// numbers them; in a smaller window, a part of its clump, of no more
// pixels. A file of another clump image fails here.
bool AgreesWithClumpLine(const ClumpTables& t, long m, long number, long count, long first, long columns,
                         bool wholeBand);

}  // namespace zt
