#include "accuracy/check_points.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "ztclass/result_codes.h"

namespace zt {

namespace {

// Numbers one after another from a text, as a formatted read takes them:
// leading white space skipped, the longest number that fits, and a stop at
// the first text that is none.
class NumberReader {
 public:
  // A copy with a terminator, so that the C conversions stop inside it.
  explicit NumberReader(std::string_view text) : text_(text) {}

  // A whole number: one that runs on into more of a number ("6.5", "6e2")
  // is none.
  bool Next(long& value) {
    if (!Read(value, [](const char* s, char** end) { return std::strtol(s, end, 10); })) return false;
    const char next = text_.c_str()[position_];
    failed_ = next != '\0' && !std::isspace(static_cast<unsigned char>(next));
    return !failed_;
  }
  bool Next(double& value) { return Read(value, [](const char* s, char** end) { return std::strtod(s, end); }); }

 private:
  template <typename T, typename Convert>
  bool Read(T& value, Convert convert) {
    if (failed_) return false;
    const char* start = text_.c_str() + position_;
    char* end = nullptr;
    value = convert(start, &end);
    failed_ = end == start;
    position_ += static_cast<size_t>(end - start);
    return !failed_;
  }

  std::string text_;
  size_t position_ = 0;
  bool failed_ = false;
};

bool ReadWhole(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

long ParseCheckPoints(std::string_view classText, std::string_view coordinateText, std::vector<CheckPoint>& points) {
  points.clear();
  NumberReader classes(classText), coordinates(coordinateText);
  long classCount = 0, pointCount = 0;
  if (!classes.Next(classCount) || !coordinates.Next(pointCount) || classCount != pointCount || classCount < 1)
    return RC_INPUT_COUNT_MISMATCH;
  if (pointCount > kMaxCheckPoints) return RC_TOO_MANY_CHECK_POINTS;

  std::vector<long> classNumbers;
  for (long value = 0; static_cast<long>(classNumbers.size()) < pointCount && classes.Next(value);)
    classNumbers.push_back(value);
  for (double x = 0, y = 0; static_cast<long>(points.size()) < pointCount && coordinates.Next(x) && coordinates.Next(y);) {
    const size_t i = points.size();
    points.push_back(CheckPoint{x, y, i < classNumbers.size() ? classNumbers[i] : 0});
  }
  return RC_OK;
}

long ReadCheckPoints(const std::string& classPath, const std::string& coordinatePath,
                     std::vector<CheckPoint>& points) {
  std::string classText, coordinateText;
  if (!ReadWhole(classPath, classText) || !ReadWhole(coordinatePath, coordinateText)) return RC_INPUT_FILE_FAILED;
  return ParseCheckPoints(classText, coordinateText, points);
}

}  // namespace zt
