#pragma once
// The class-area report: per class record its number, name, pixel count and
// area (pixel count x cell width x cell height).
#include <string>
#include <vector>

#include "ztclass/records.h"

namespace zt {

struct ClassArea {
  std::string name;
  unsigned long long pixels;
};

// The report text; areas are printed with two decimals, and a class without
// pixels has area 0.00 whatever the sign of the cell size.
std::string FormatClassAreaReport(const std::string& classInfoFile, const std::vector<ClassArea>& classes,
                                  double cellX, double cellY);

// The report step: reads the class records and band 1's histogram of the
// class image, and writes the report to reportPath (created anew). Returns
// 0 or a result code; without dialogs.
long ExportClassAreaReport(void* image, const std::string& classInfoFile, const std::string& reportPath);

// The class-information file name shown in the report: the image's
// description with ".zti" replaced by ".cls".
std::string ClassInfoFileName(void* image);

}  // namespace zt
