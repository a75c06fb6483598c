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

// Fills the accuracy record of classImage against the reference samples
// (the assessment of ztAccuracyAppraise) and, when reportPath is not null,
// writes the report. figures, when not null, receives the record. A null
// class image, or neither a report nor figures, gives RC_NULL_ARGUMENT.
long AssessAccuracy(void* classImage, const char* reportPath, const char* coordinateFile, const char* classFile,
                    void* reference, const ReportTables& tables, AccuracyRecord* figures);

// Writes the report anew; false (and no file left behind) when it cannot be
// written whole.
bool WriteAccuracyReport(const std::string& path, const std::string& report);

}  // namespace zt
