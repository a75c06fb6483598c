#pragma once
// The class-area report: per class record its number, name, pixel count and
// area, in square metres, hectares or square kilometres. An image in a
// projected (or no) coordinate system measures each pixel by its cell size
// (pixel count x cell width x cell height), or, when its grid is rotated or
// sheared, by the parallelogram of a pixel, in square metres whatever the
// system's linear unit (map units count as metres without a system); one in
// a geographic coordinate system by the geodesic area of its cells on the
// ellipsoid, row by row.
#include <string>
#include <vector>

#include "ztclass/records.h"

namespace zt {

enum class AreaUnit { kSquareMetres, kHectares, kSquareKilometres };

struct ClassArea {
  std::string name;
  unsigned long long pixels;
  double area = 0.0;  // square metres
  long value = 0;     // the class number
};

struct ClassAreas {
  std::vector<ClassArea> classes;
  bool geodesic = false;
};

// Areas by the cell size; a class without pixels has area 0 whatever the
// sign of the cell size.
void AreasFromCellSize(std::vector<ClassArea>& classes, double cellX, double cellY);

// The report text in the language in force; areas are printed with two
// decimals in unit. Square metres in a projected system give the system's
// report byte for byte.
std::string FormatClassAreaReport(const std::string& classInfoFile, const ClassAreas& areas, AreaUnit unit);

// Reads the class records and band 1 of the class image and measures every
// class. Returns 0 or a result code.
long MeasureClassAreas(void* image, ClassAreas& areas);

// Writes the report to reportPath (created anew). Returns 0 or a result code.
long WriteClassAreaReport(const std::string& reportPath, const std::string& classInfoFile, const ClassAreas& areas,
                          AreaUnit unit);

// The report step: measures the classes and writes the report in square
// metres. Returns 0 or a result code; without dialogs.
long ExportClassAreaReport(void* image, const std::string& classInfoFile, const std::string& reportPath);

// The class-information file name shown in the report: the image's
// description with ".zti" replaced by ".cls".
std::string ClassInfoFileName(void* image);

}  // namespace zt
