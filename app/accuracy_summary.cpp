#include "accuracy_summary.h"

#include <algorithm>
#include <fstream>

namespace ztcli {

namespace {

// The number after label on a line of the report. The report prints it in
// the user's locale: a decimal comma becomes a point.
std::string ValueAfter(const std::string& line, const std::string& label) {
  const size_t at = line.find(label);
  if (at == std::string::npos) return "";
  const size_t begin = line.find_first_not_of(' ', at + label.size());
  if (begin == std::string::npos) return "";
  std::string value = line.substr(begin, line.find(' ', begin) - begin);
  std::replace(value.begin(), value.end(), ',', '.');
  return value;
}

}  // namespace

AccuracySummary ReadAccuracySummary(const std::string& reportPath) {
  AccuracySummary summary;
  std::ifstream in(reportPath, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (summary.overall.empty()) summary.overall = ValueAfter(line, "总精度=");
    if (summary.kappa.empty()) summary.kappa = ValueAfter(line, "Kappa系数=");
  }
  return summary;
}

}  // namespace ztcli
