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

bool ParseClumpLine(std::string_view line, long k, long bandCells, ClumpTables& t,
                    std::vector<std::string_view>& f) {
  SplitFields(line, f);
  return f.size() >= 5 && ParseLong(f[1], t.classValue[k]) && ParseLong(f[2], t.column[k]) &&
         ParseLong(f[3], t.row[k]) && ParseLong(f.back(), t.count[k]) && t.count[k] >= 0 && t.count[k] <= bandCells;
}

long ReadClumpLines(const char* path, long last, long bandCells, ClumpTables& t) {
  if (last < 0 || last > bandCells) return RC_BAD_WINDOW;
  LineReader lines;
  if (!OpenClumpLines(path, lines)) return RC_INPUT_FILE_FAILED;
  for (auto* table : {&t.classValue, &t.column, &t.row, &t.count}) table->assign(last + 1, 0);
  std::string_view line;
  std::vector<std::string_view> fields;
  for (long k = 1; k <= last; ++k)
    if (!lines.Next(line) || !ParseClumpLine(line, k, bandCells, t, fields)) return RC_INPUT_FILE_FAILED;
  return RC_OK;
}

bool AgreesWithClumpLine(const ClumpTables& t, long m, long number, long count, long first, long columns,
                         bool wholeBand) {
  if (number < 1 || number >= long(t.count.size())) return false;
  if (!wholeBand) return count <= t.count[number];
  return number == m && count == t.count[m] && t.row[m] == first / columns && t.column[m] == first % columns;
}

}  // namespace zt
