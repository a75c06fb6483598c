#include "postclass/statistics_file.h"

#include <charconv>
#include <cstdio>
#include <memory>

namespace zt {

namespace {

constexpr size_t kLineBuffer = 260;
constexpr char kClumpTitleUtf8[] = "聚类分析";
constexpr char kClumpTitleGbk[] = "\xBE\xDB\xC0\xE0\xB7\xD6\xCE\xF6";
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

// Lines are assembled in a buffer of the record size and written whole.
template <typename... Args>
bool WriteLine(FILE* file, const char* format, Args... args) {
  char line[kLineBuffer];
  std::snprintf(line, sizeof line, format, args...);
  return std::fputs(line, file) >= 0;
}

// The clump lines, formatted as "%ld\t%ld\t%ld\t%ld\t%ld\n" would format
// them, gathered into large writes.
class LineWriter {
 public:
  explicit LineWriter(FILE* file) : file_(file) {}
  bool Put(const ClumpLine& c) {
    if (used_ + kLineBuffer > sizeof buffer_ && !Flush()) return false;
    char* out = buffer_ + used_;
    for (long v : {c.number, c.value, c.column, c.row, c.count}) {
      out = std::to_chars(out, out + kLongDigits, v).ptr;
      *out++ = '\t';
    }
    out[-1] = '\n';
    used_ = static_cast<size_t>(out - buffer_);
    return true;
  }
  bool Flush() {
    const bool ok = std::fwrite(buffer_, 1, used_, file_) == used_;
    used_ = 0;
    return ok;
  }

 private:
  static constexpr int kLongDigits = 20;
  FILE* file_;
  char buffer_[1 << 16];
  size_t used_ = 0;
};

bool Close(File& file) {
  const bool ok = !std::ferror(file.get());
  return std::fclose(file.release()) == 0 && ok;
}

bool StartsWith(std::string_view text, const char* prefix, size_t length) {
  return text.substr(0, length) == std::string_view(prefix, length);
}

}  // namespace

bool StatisticsFileOpens(const std::string& path) {
  File file(std::fopen(path.c_str(), "w"));
  return file != nullptr;
}

bool WriteClumpStatistics(const std::string& path, const char* title, long classCount, int neighbours,
                          long zeroCount, long clumpCount, const std::function<ClumpLine()>& next) {
  File file(std::fopen(path.c_str(), "w"));
  if (!file) return false;
  bool ok = WriteLine(file.get(), "%s\n\n", title) && WriteLine(file.get(), "分类数:%ld\n", classCount) &&
            WriteLine(file.get(), "邻域数:%d\n\n", neighbours) &&
            WriteLine(file.get(), "块号\t原始值\t列值\t行值\t直方图\n") &&
            WriteLine(file.get(), "%ld\t%ld\t%ld\t%ld\t%ld\n", 0L, 0L, 0L, 0L, zeroCount);
  LineWriter lines(file.get());
  for (long k = 0; ok && k < clumpCount; ++k) ok = lines.Put(next());
  ok = ok && lines.Flush();
  return Close(file) && ok;
}

bool WriteClassTotals(const std::string& path, long classCount, int neighbours, long zeroCount,
                      const std::vector<long>& totals) {
  File file(std::fopen(path.c_str(), "w"));
  if (!file) return false;
  bool ok = WriteLine(file.get(), "去除分析统计信息:\n\n") && WriteLine(file.get(), "分类数:%ld\n", classCount) &&
            WriteLine(file.get(), "邻域数:%d\n\n", neighbours) && WriteLine(file.get(), "分类号\t直方图\n") &&
            WriteLine(file.get(), "%ld\t%ld\n", 0L, zeroCount);
  for (size_t c = 1; c < totals.size(); ++c) ok = ok && WriteLine(file.get(), "%zu\t%ld\n", c, totals[c]);
  return Close(file) && ok;
}

LineReader::~LineReader() {
  if (file_) std::fclose(file_);
}

bool LineReader::Open(const std::string& path) {
  file_ = std::fopen(path.c_str(), "rb");
  return file_ != nullptr;
}

bool LineReader::Next(std::string_view& line) {
  if (failed_) return false;
  size_t length = 0;
  int c;
  while ((c = getc_unlocked(file_)) != EOF && c != '\n') {
    if (length == kMaxLine) {
      failed_ = true;
      return false;
    }
    buffer_[length++] = static_cast<char>(c);
  }
  if (c == EOF && (length == 0 || std::ferror(file_))) {
    failed_ = std::ferror(file_) != 0;
    return false;
  }
  line = std::string_view(buffer_, length);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return true;
}

bool OpenClumpLines(const std::string& path, LineReader& reader) {
  if (!reader.Open(path)) return false;
  std::string_view line;
  for (size_t n = 1; n < StatisticsText::kFirstClumpLine && reader.Next(line); ++n) {
  }
  return !reader.Failed();
}

bool StatisticsText::Read(const std::string& path) {
  LineReader reader;
  if (!reader.Open(path)) return false;
  lines_.clear();
  std::string_view line;
  while (lines_.size() < kFirstClumpLine - 1 && reader.Next(line)) lines_.emplace_back(line);
  if (reader.Failed()) return false;
  // Editors that save UTF-8 may put a byte order mark first, which would
  // hide the clump title.
  if (!lines_.empty() && StartsWith(lines_[0], kByteOrderMark, sizeof kByteOrderMark - 1))
    lines_[0].erase(0, sizeof kByteOrderMark - 1);
  return true;
}

std::string_view StatisticsText::Line(size_t n) const {
  return n >= 1 && n <= lines_.size() ? std::string_view(lines_[n - 1]) : std::string_view();
}

bool StatisticsText::IsClumpFile() const {
  const std::string_view first = Line(1);
  return StartsWith(first, kClumpTitleUtf8, sizeof kClumpTitleUtf8 - 1) ||
         StartsWith(first, kClumpTitleGbk, sizeof kClumpTitleGbk - 1);
}

bool StatisticsText::CountAfterColon(size_t n, long& value) const {
  const std::string_view line = Line(n);
  const size_t colon = line.find(':');
  return colon != std::string_view::npos && ParseLong(line.substr(colon + 1), value);
}

bool StatisticsText::NeighboursAfterColon(size_t n, int& value) const {
  const std::string_view line = Line(n);
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos) return false;
  const std::string_view count = line.substr(colon + 1);
  if (count != "4" && count != "8") return false;
  value = count[0] - '0';
  return true;
}

void SplitFields(std::string_view line, std::vector<std::string_view>& fields) {
  fields.clear();
  size_t start = 0;
  for (size_t tab; (tab = line.find('\t', start)) != std::string_view::npos; start = tab + 1)
    fields.emplace_back(line.substr(start, tab - start));
  fields.emplace_back(line.substr(start));
}

bool ParseLong(std::string_view text, long& value) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  while (begin < end && (*begin == ' ')) ++begin;
  auto [ptr, ec] = std::from_chars(begin, end, value);
  return ec == std::errc() && ptr == end && begin != end;
}

}  // namespace zt
