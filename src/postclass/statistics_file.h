#pragma once
// The text statistics files of clump, sieve and eliminate, UTF-8.
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zt {

// The titles of clump and sieve statistics.
constexpr char kClumpTitle[] = "聚类分析块统计信息:";
constexpr char kSieveTitle[] = "过滤分析块统计信息:";

// One clump line: number, class value, column, row, pixel count.
struct ClumpLine {
  long number, value, column, row, count;
};

// Whether a statistics file can be made at path (left there, empty): asked
// before a result is written beside the file, so that a file that cannot be
// made leaves the result unwritten.
bool StatisticsFileOpens(const std::string& path);

// Clump and sieve statistics: title, class count, neighbour count, the
// block-0 line and one line per clump, clumpCount lines that next() gives
// in turn (so that no table of lines need be held). False when the file
// cannot be written.
bool WriteClumpStatistics(const std::string& path, const char* title, long classCount, int neighbours,
                          long zeroCount, long clumpCount, const std::function<ClumpLine()>& next);

// Eliminate statistics: the heading's class count, then the pixel totals of
// classes 1..totals.size() - 1 (totals[c]), which go past the class count
// when the class values start above 1.
bool WriteClassTotals(const std::string& path, long classCount, int neighbours, long zeroCount,
                      const std::vector<long>& totals);

// A text file read line by line, without line ends, so that a statistics
// file of millions of clumps is never held whole.
class LineReader {
 public:
  // The longest line taken: statistics lines are a few dozen bytes, and
  // memory must not follow a line of a file that is none (/dev/zero).
  static constexpr size_t kMaxLine = 4096;

  LineReader() = default;
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  bool Open(const std::string& path);
  // The next line, valid until the next call; false at the end of the file,
  // when it cannot be read, or at a line longer than kMaxLine (and for
  // every call after that).
  bool Next(std::string_view& line);
  // Whether a line was too long or the file could not be read.
  bool Failed() const { return failed_; }

 private:
  FILE* file_ = nullptr;
  char buffer_[kMaxLine];
  bool failed_ = false;
};

// Opens a statistics file at its first clump line; false when it cannot be
// opened or read.
bool OpenClumpLines(const std::string& path, LineReader& reader);

// The heading of a statistics file: the lines before its clump lines.
class StatisticsText {
 public:
  // Line 1 of the clump lines.
  static constexpr size_t kFirstClumpLine = 8;

  // False when the file cannot be opened or read, or a heading line is
  // longer than LineReader::kMaxLine.
  bool Read(const std::string& path);
  // Line n (from 1) of the heading, line 1 without a UTF-8 byte order mark;
  // empty past its end.
  std::string_view Line(size_t n) const;
  // Whether line 1 starts with the clump title, in UTF-8 or in the GBK code
  // page in which older files were written.
  bool IsClumpFile() const;
  // The class count (line 3) and neighbour count (line 4) of the heading.
  bool Counts(long& classCount, int& neighbours) const {
    return CountAfterColon(3, classCount) && NeighboursAfterColon(4, neighbours);
  }
  // The number after the first ':' of line n; false when there is none.
  bool CountAfterColon(size_t n, long& value) const;
  // "4" or "8", all that follows the first ':' of line n; false for
  // anything else.
  bool NeighboursAfterColon(size_t n, int& value) const;

 private:
  std::vector<std::string> lines_;
};

// Tab-separated fields of a line, as views into it (fields is reused, so
// that reading a line allocates nothing).
void SplitFields(std::string_view line, std::vector<std::string_view>& fields);
// Parses a whole field as a long.
bool ParseLong(std::string_view text, long& value);

}  // namespace zt
