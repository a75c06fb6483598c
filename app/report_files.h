#pragma once
// Reports for programs and spreadsheets: JSON and CSV files of the accuracy
// figures and of the class areas, the same in every language.
#include <string>
#include <vector>

#include "ztclass/reports.h"

namespace ztcli {

// The accuracy figures of n classes, with the names of the classes.
struct AccuracyTable {
  explicit AccuracyTable(std::vector<std::string> classNames);
  // The library's view of the arrays below.
  ZTAccuracyFigures* Figures() { return &figures; }

  std::vector<std::string> names;
  std::vector<long> values;  // class numbers, in the order of the names
  std::vector<long> matrix, referenceCounts, mapCounts;
  std::vector<double> producer, user;
  ZTAccuracyFigures figures{};
};

// Refuses the figures of an assessment that met no sample on the class
// image of classes classes: reference polygons that cover none of its
// pixels (every ratio would be 0 / 0), or check points all off it (an
// overall accuracy and Kappa of 0 that assess nothing).
void RequireSamples(const ZTAccuracyFigures& figures, size_t classes, const std::string& image);

void WriteAccuracyJson(const std::string& path, const AccuracyTable& table);
void WriteAccuracyCsv(const std::string& path, const AccuracyTable& table);

// The class areas in unit ("m2", "ha" or "km2").
void WriteAreaJson(const std::string& path, const std::vector<ZTClassArea>& areas, const std::string& unit,
                   bool geodesic);

// A ratio as the text reports print it, with two decimals and a point.
std::string TwoDecimals(double value);

}  // namespace ztcli
