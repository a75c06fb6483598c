#include "accuracy/check_points.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>

#include "ztclass/result_codes.h"

namespace zt {

namespace {

// Numbers one after another from a text, separated by white space: leading
// white space skipped, and a stop at the first text that is no number, or
// that runs on past one ("6.5" or "6e2" as a whole number, "29x7000",
// "1,5" where the decimal separator is a point).
class NumberReader {
 public:
  // A copy with a terminator, so that the C conversions stop inside it.
  explicit NumberReader(std::string_view text) : text_(text) {}

  bool Next(long& value) { return Read(value, [](const char* s, char** end) { return std::strtol(s, end, 10); }); }
  // A coordinate beyond double's range (1e400) or none at all (nan, inf)
  // would only place its point off the map, silently lowering the accuracy.
  bool Next(double& value) {
    if (!Read(value, [](const char* s, char** end) { return std::strtod(s, end); })) return false;
    failed_ = !std::isfinite(value);
    return !failed_;
  }

 private:
  template <typename T, typename Convert>
  bool Read(T& value, Convert convert) {
    if (failed_) return false;
    const char* start = text_.c_str() + position_;
    char* end = nullptr;
    value = convert(start, &end);
    failed_ = end == start || (*end != '\0' && !std::isspace(static_cast<unsigned char>(*end)));
    position_ += static_cast<size_t>(end - start);
    return !failed_;
  }

  std::string text_;
  size_t position_ = 0;
  bool failed_ = false;
};

// False also for a file above kMaxCheckPointText, which is read no further.
bool ReadWhole(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text.resize(kMaxCheckPointText + 1);
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  return !in.bad() && text.size() <= kMaxCheckPointText;
}

}  // namespace

long ParseCheckPoints(std::string_view classText, std::string_view coordinateText, std::vector<CheckPoint>& points) {
  points.clear();
  NumberReader classes(classText), coordinates(coordinateText);
  long classCount = 0, pointCount = 0;
  if (!classes.Next(classCount) || !coordinates.Next(pointCount) || classCount != pointCount || classCount < 1)
    return RC_INPUT_COUNT_MISMATCH;
  if (pointCount > kMaxCheckPoints) return RC_TOO_MANY_CHECK_POINTS;

  std::vector<long> classNumbers(static_cast<size_t>(pointCount));
  for (long& classNo : classNumbers)
    if (!classes.Next(classNo)) return RC_INPUT_FILE_FAILED;
  for (long classNo : classNumbers) {
    double x = 0, y = 0;
    if (!coordinates.Next(x) || !coordinates.Next(y)) {
      points.clear();
      return RC_INPUT_FILE_FAILED;
    }
    points.push_back(CheckPoint{x, y, classNo});
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
