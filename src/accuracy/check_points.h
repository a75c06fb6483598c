#pragma once
// The two text files of check points: a class file (a count, then that many
// class numbers) and a coordinate file (a count, then that many x y pairs in
// map units), numbers separated by white space and read under the current
// locale.
#include <string>
#include <string_view>
#include <vector>

namespace zt {

constexpr long kMaxCheckPoints = 500;

struct CheckPoint {
  double x, y;
  long classNo;  // 0 when the class file ran out before the coordinates
};

// Parses the texts of both files: at most each file's count, and no further
// than the first text that is not a number (a class number or count must be
// whole: "6.5" is none). The points are the pairs read. A count that differs
// from the other or is below 1 (or is no whole number) gives
// RC_INPUT_COUNT_MISMATCH; a count above 500 RC_TOO_MANY_CHECK_POINTS. Only the given texts are read,
// whatever their counts claim; this is also the entry point for replaying
// file contents.
long ParseCheckPoints(std::string_view classText, std::string_view coordinateText, std::vector<CheckPoint>& points);

// Reads both files whole and parses them: RC_INPUT_FILE_FAILED when either
// cannot be read.
long ReadCheckPoints(const std::string& classPath, const std::string& coordinatePath,
                     std::vector<CheckPoint>& points);

}  // namespace zt
