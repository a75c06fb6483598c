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
// The most bytes a check-point file may hold: 500 points take a few
// dozen KiB, and memory must not follow a file that is none (/dev/zero).
constexpr size_t kMaxCheckPointText = size_t(1) << 20;

struct CheckPoint {
  double x, y;
  long classNo;
};

// Parses the texts of both files: each file's count, then that many class
// numbers or x y pairs; what follows them is not read. A count that differs
// from the other or is below 1 (or is no whole number) gives
// RC_INPUT_COUNT_MISMATCH; a count above 500 RC_TOO_MANY_CHECK_POINTS; a
// file that holds fewer entries than its count, or a text among them that
// is no number (a class number must be whole: "6.5" is none; a
// coordinate finite: "nan", "inf" and "1e400" are none), gives
// RC_INPUT_FILE_FAILED and no point. Only the given texts are read,
// whatever their counts claim; this is also the entry point for replaying
// file contents.
long ParseCheckPoints(std::string_view classText, std::string_view coordinateText, std::vector<CheckPoint>& points);

// Reads both files whole and parses them: RC_INPUT_FILE_FAILED when either
// cannot be read or holds more than kMaxCheckPointText bytes.
long ReadCheckPoints(const std::string& classPath, const std::string& coordinatePath,
                     std::vector<CheckPoint>& points);

}  // namespace zt
