#pragma once
// The accuracy report: headings, then the tables asked for, numbered in the
// order written. Every cell is 10 bytes wide, right-aligned, as "%10s" pads
// them; stored reports and their readers rely on that layout.
#include <string>
#include <vector>

#include "accuracy/accuracy_record.h"

namespace zt {

struct ReportTables {
  bool matrix, classAccuracy, overall, kappa;
};

// names[k] is the name of class k + 1; descriptions are cut to 255 bytes.
std::string FormatAccuracyReport(const AccuracyRecord& record, const std::vector<std::string>& names,
                                 const std::string& referenceDescription, const std::string& classDescription,
                                 const ReportTables& tables);

// Writes the report anew; false (and no file left behind) when it cannot be
// written whole.
bool WriteAccuracyReport(const std::string& path, const std::string& report);

}  // namespace zt
