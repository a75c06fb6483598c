#include "accuracy/accuracy_report.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

#include "frame/string_table.h"
#include "frame/user_locale.h"
#include "services/text.h"

namespace zt {

namespace {

constexpr size_t kTextBuffer = 256;
constexpr size_t kDescriptionBuffer = 256;

enum TextId {
  kTitle = 32,
  kSourceImage = 33,
  kClassImage = 34,
  kMatrixTable = 35,
  kCorner = 36,
  kTotal = 37,
  kUnclassified = 38,
  kClassTable = 39,
  kOverallTable = 40,
  kOverallLabel = 41,
  kKappaLabel = 42,
};

std::string Text(int id) {
  char buffer[kTextBuffer];
  LoadString(id, buffer, sizeof buffer);
  return buffer;
}

class ReportText {
 public:
  template <typename... Args>
  void Format(const char* format, Args... args) {
    char buffer[kTextBuffer * 2];
    const CLocale numbers;
    std::snprintf(buffer, sizeof buffer, format, args...);
    text_ += buffer;
  }
  void Cell(const std::string& s) { Format("%10s", s.c_str()); }
  void Cell(long n) { Format("%10ld", n); }
  // Kappa is 0 / 0 where chance agreement is 1, a NaN whose sign bit the
  // division sets: "-nan" would read as a negative figure.
  void Ratio(double v) { Format("%10.2f", std::isnan(v) ? std::numeric_limits<double>::quiet_NaN() : v); }
  void Append(const std::string& s) { text_ += s; }
  std::string Take() { return std::move(text_); }

 private:
  std::string text_;
};

std::string Cut(const std::string& description) {
  char buffer[kDescriptionBuffer];
  CopyText(description, buffer, sizeof buffer);
  return buffer;
}

}  // namespace

std::string FormatAccuracyReport(const AccuracyRecord& record, const std::vector<std::string>& names,
                                 const std::string& referenceDescription, const std::string& classDescription,
                                 const ReportTables& tables) {
  const long n = record.classCount;
  const std::string indent(5 * n, ' ');
  const std::string rule(10 * n + 20, '=');
  ReportText out;
  int table = 1;
  out.Append(Text(kTitle));
  out.Format("%s  %s\n", Text(kSourceImage).c_str(), Cut(referenceDescription).c_str());
  out.Format("%s  %s\n", Text(kClassImage).c_str(), Cut(classDescription).c_str());

  if (tables.matrix) {
    out.Append("\n" + indent);
    out.Format(Text(kMatrixTable).c_str(), table++);
    out.Append("\n" + rule + "\n");
    out.Cell(Text(kCorner));
    for (const std::string& name : names) out.Cell(name);
    out.Cell(Text(kTotal));
    out.Append("\n\n");
    for (long i = 0; i <= n; ++i) {
      out.Cell(i == 0 ? Text(kUnclassified) : names[i - 1]);
      for (long j = 1; j <= n; ++j) out.Cell(record.At(i, j));
      out.Cell(record.rowTotals[i]);
      out.Append("\n\n");
    }
    out.Cell(Text(kTotal));
    for (long total : record.columnTotals) out.Cell(total);
    out.Cell(record.sampleTotal);
    out.Append("\n" + rule + "\n\n\n");
  }
  if (tables.classAccuracy) {
    if (table == 1) out.Append("\n\n");
    out.Append(indent);
    out.Format(Text(kClassTable).c_str(), table++);
    out.Append("\n" + rule + "\n");
    out.Cell(" ");
    for (const std::string& name : names) out.Cell(name);
    out.Append("\n\n");
    out.Cell(" ");
    for (double accuracy : record.classAccuracy) out.Ratio(accuracy);
    out.Append("\n" + rule + "\n\n\n");
  }
  if (tables.overall || tables.kappa) {
    if (table == 1) out.Append("\n\n");
    out.Append(indent);
    out.Format(Text(kOverallTable).c_str(), table++);
    out.Append("\n" + rule + "\n");
    if (tables.overall) {
      out.Append(indent);
      out.Cell(Text(kOverallLabel));
      out.Ratio(record.overallAccuracy);
      out.Append("\n");
    }
    if (tables.kappa) {
      out.Append(indent);
      out.Cell(Text(kKappaLabel));
      out.Ratio(record.kappa);
      out.Append("\n");
    }
    out.Append(rule + "\n");
  }
  return out.Take();
}

bool WriteAccuracyReport(const std::string& path, const std::string& report) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(report.data(), 1, report.size(), file) == report.size();
  const bool closed = std::fclose(file) == 0;
  if (written && closed) return true;
  std::remove(path.c_str());
  return false;
}

}  // namespace zt
