#include "postclass/sieve_input.h"

#include <string_view>

#include "postclass/statistics_file.h"
#include "ztclass/result_codes.h"

namespace zt {

namespace {

// Maximum - minimum + 1 of 32-bit class values.
constexpr long kMaxClassRange = 1L << 32;

}  // namespace

long ReadSieveInput(const char* path, long bandCells, SieveInput& in) {
  StatisticsText text;
  if (!text.Read(path)) return RC_INPUT_FILE_FAILED;
  if (!text.Counts(in.classCount, in.neighbours) || in.classCount < 0 || in.classCount > kMaxClassRange)
    return RC_INPUT_FILE_FAILED;
  std::vector<std::string_view> blockZero;
  SplitFields(text.Line(7), blockZero);
  if (blockZero.size() < 2 || !ParseLong(blockZero.back(), in.zeroPixels) || in.zeroPixels < 0 ||
      in.zeroPixels > bandCells)
    return RC_INPUT_FILE_FAILED;
  return RC_OK;
}

long ReadClumpClassValues(const char* path, long last, long bandCells, std::vector<long>& classValue) {
  if (last < 0 || last > bandCells) return RC_BAD_WINDOW;
  LineReader lines;
  if (!OpenClumpLines(path, lines)) return RC_INPUT_FILE_FAILED;
  classValue.assign(last + 1, 0);
  std::string_view line;
  std::vector<std::string_view> fields;
  for (long k = 1; k <= last; ++k) {
    if (!lines.Next(line)) return RC_INPUT_FILE_FAILED;
    SplitFields(line, fields);
    if (fields.size() < 2 || !ParseLong(fields[1], classValue[k])) return RC_INPUT_FILE_FAILED;
  }
  return RC_OK;
}

}  // namespace zt
