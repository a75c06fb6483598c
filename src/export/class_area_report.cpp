#include "export/class_area_report.h"

#include <cmath>
#include <cstdio>
#include <memory>

#include "classinfo/class_records.h"
#include "frame/string_table.h"
#include "frame/user_locale.h"
#include "services/pyramid_layer.h"
#include "services/text.h"
#include "services/value_buffer.h"
#include "ztclass/result_codes.h"
#include "ztservices/cellarea.h"
#include "ztservices/raster.h"

namespace zt {

namespace {

constexpr long kMaxHistogramValues = 256;

std::string Format(const char* format, auto... values) {
  const CLocale numbers;
  const int n = std::snprintf(nullptr, 0, format, values...);
  std::string text(n > 0 ? n : 0, '\0');
  std::snprintf(text.data(), text.size() + 1, format, values...);
  return text;
}

// Cell size from the user-coordinate extent and its size in pixels.
long CellSize(void* image, double& cellX, double& cellY) {
  double x1, x2, y1, y2;
  if (long rc = ztRSGetUserCoordiate(image, &x1, &x2, &y1, &y2)) return rc;
  const double corners[4][2] = {{x1, y1}, {x2, y2}, {x1, y2}, {x2, y1}};
  double minColumn = 0, maxColumn = 0, minRow = 0, maxRow = 0;
  for (int i = 0; i < 4; ++i) {
    double column = corners[i][0], row = corners[i][1];
    if (long rc = ztRSGetCoordinate(image, 0, &column, &row)) return rc;
    if (i == 0 || column < minColumn) minColumn = column;
    if (i == 0 || column > maxColumn) maxColumn = column;
    if (i == 0 || row < minRow) minRow = row;
    if (i == 0 || row > maxRow) maxRow = row;
  }
  const double width = std::trunc(maxColumn - minColumn + 1e-6);
  const double height = std::trunc(maxRow - minRow + 1e-6);
  if (!(width >= 1) || !(height >= 1)) return RC_BAD_WINDOW;
  cellX = (x2 - x1) / width;
  cellY = (y2 - y1) / height;
  return RC_OK;
}

// The ground area of a pixel of a rotated or sheared grid: the parallelogram
// that the geotransform makes of it. The extent's cell size measures the
// bounding box of the turned grid instead.
long ParallelogramArea(void* image, double& area) {
  double corner[3][2] = {{0, 0}, {1, 0}, {0, 1}};
  for (auto& [x, y] : corner)
    if (long rc = ztRSGetCoordinate(image, 1, &x, &y)) return rc;
  const double columnX = corner[1][0] - corner[0][0], columnY = corner[1][1] - corner[0][1];
  const double rowX = corner[2][0] - corner[0][0], rowY = corner[2][1] - corner[0][1];
  area = std::fabs(columnX * rowY - rowX * columnY);
  return RC_OK;
}

// Counts of band 1's integer values from minimum to maximum.
long ValueCounts(void* image, double& minimum, std::vector<unsigned long long>& counts) {
  void* band = ztRSGetRasterBand(image, 1);
  if (!band) return RC_NULL_ARGUMENT;
  double maximum;
  if (long rc = ztRSGetRasterStatistics(band, 0, 1, &minimum, &maximum, nullptr, nullptr)) return rc;
  const double span = maximum - minimum + 1;
  if (!(span >= 1) || span > kMaxHistogramValues) return RC_CLASS_VALUE_RANGE_TOO_WIDE;
  counts.assign(static_cast<size_t>(span), 0);
  // GDAL spreads the buckets evenly over [low, high]: edges half-way between
  // integers give every integer value a bucket of its own, also when the
  // image holds a single value.
  const int buckets = static_cast<int>(counts.size());
  return ztRSGetRasterHistogram(band, minimum - 0.5, minimum + buckets - 0.5, buckets, counts.data(), 1, 0);
}

long WriteText(const std::string& path, const std::string& text) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!file) return RC_REPORT_OPEN_FAILED;
  if (std::fwrite(text.data(), 1, text.size(), file.get()) != text.size()) return RC_REPORT_OPEN_FAILED;
  return std::fclose(file.release()) == 0 ? RC_OK : RC_REPORT_OPEN_FAILED;
}

// Geodesic areas: band 1 read a row at a time, each pixel adding its cell's
// area to its class. The cells of a north-up row all have the same area, so
// one is measured per row; a rotated image measures every cell.
long GeodesicAreas(void* image, std::vector<ClassArea>& classes) {
  void* band = ztRSGetRasterBand(image, 1);
  const ZTRSDataType type = ztRSGetDatasetType(image);
  const long columns = ztRSGetRasterXSize(image), rows = ztRSGetRasterYSize(image);
  if (!band || columns < 1 || rows < 1) return RC_NULL_ARGUMENT;
  const bool northUp = ztRSIsNorthUp(image) != 0;
  ValueBuffer typed;
  if (long rc = typed.Allocate(type, columns)) return rc;
  std::vector<double> values(columns);
  for (ClassArea& c : classes) c.area = 0.0;
  for (long row = 0; row < rows; ++row) {
    if (long rc = ztRSRasterIO(band, ZTRS_Read, 0, row, columns, 1, typed.Data(), columns, 1, type, 0, 0)) return rc;
    ztRSConvNValues(type, typed.Data(), columns, values.data());
    double cellArea = 0.0;
    if (northUp)
      if (long rc = ztRSGetGeodesicCellArea(image, row, 0, &cellArea)) return rc;
    for (long column = 0; column < columns; ++column) {
      if (!northUp)
        if (long rc = ztRSGetGeodesicCellArea(image, row, column, &cellArea)) return rc;
      for (ClassArea& c : classes)
        if (values[column] == static_cast<double>(c.value)) c.area += cellArea;
    }
  }
  return RC_OK;
}

double UnitFactor(AreaUnit unit) {
  switch (unit) {
    case AreaUnit::kHectares: return 1e4;
    case AreaUnit::kSquareKilometres: return 1e6;
    default: return 1.0;
  }
}

const char* UnitHeading(AreaUnit unit) {
  switch (unit) {
    case AreaUnit::kHectares: return Localized("面积(公顷)", "Area(ha)");
    case AreaUnit::kSquareKilometres: return Localized("面积(平方公里)", "Area(km2)");
    default: return Localized("面积(m*m)", "Area(m*m)");
  }
}

}  // namespace

void AreasFromCellSize(std::vector<ClassArea>& classes, double cellX, double cellY) {
  for (ClassArea& c : classes) c.area = c.pixels == 0 ? 0.0 : static_cast<double>(c.pixels) * cellX * cellY;
}

std::string FormatClassAreaReport(const std::string& classInfoFile, const ClassAreas& areas, AreaUnit unit) {
  std::string report = std::string(Localized("\t地类面积统计报告\n\n", "\tClass area statistics report\n\n")) +
                       std::string(69, '-') + "\n\n";
  report += Localized("分类信息文件：", "Class information file: ") + classInfoFile + "\n\n";
  if (areas.geodesic)
    report += Localized("面积为椭球面上的测地面积（影像为地理坐标系）\n\n",
                        "Areas are geodesic, on the ellipsoid (the image has a geographic coordinate system)\n\n");
  report += Localized("  ID\t类名\t像元数\t", "  ID\tName\tPixels\t");
  report += UnitHeading(unit);
  report += "\n";
  const double factor = UnitFactor(unit);
  for (size_t i = 0; i < areas.classes.size(); ++i) {
    const ClassArea& c = areas.classes[i];
    report += Format("  %d\t%s\t%llu\t%.2f\n", static_cast<int>(i + 1), c.name.c_str(), c.pixels, c.area / factor);
  }
  return report;
}

long MeasureClassAreas(void* image, ClassAreas& areas) {
  if (!image) return RC_WORK_FILE_FAILED;
  std::vector<CLASSATTINFO> records;
  if (long rc = ReadClassRecords(image, records)) return rc;

  double cellX, cellY;
  if (long rc = CellSize(image, cellX, cellY)) return rc;

  PyramidLayer layer(image);
  double minimum = 0;
  std::vector<unsigned long long> counts;
  if (long rc = ValueCounts(image, minimum, counts)) return rc;
  double imageCellX, imageCellY;
  if (long rc = ztGetImgCellSize(image, &imageCellX, &imageCellY)) return rc;

  areas.classes.clear();
  areas.classes.reserve(records.size());
  for (const CLASSATTINFO& record : records) {
    const double slot = record.classNo - minimum;
    const bool counted = slot >= 0 && slot < static_cast<double>(counts.size());
    areas.classes.push_back({std::string(FieldText(record.name, sizeof record.name)),
                             counted ? counts[static_cast<size_t>(slot)] : 0, 0.0,
                             static_cast<long>(record.classNo)});
  }
  areas.geodesic = ztRSIsGeographic(image) != 0;
  if (areas.geodesic) return GeodesicAreas(image, areas.classes);
  // Cell sizes are in the coordinate system's unit, feet in many a State
  // Plane system, and the areas are reported in square metres.
  const double metres = ztRSGetLinearUnitMetres(image);
  if (!ztRSIsNorthUp(image)) {
    double area;
    if (long rc = ParallelogramArea(image, area)) return rc;
    AreasFromCellSize(areas.classes, area * metres, metres);
    return RC_OK;
  }
  AreasFromCellSize(areas.classes, cellX * metres, cellY * metres);
  return RC_OK;
}

long WriteClassAreaReport(const std::string& reportPath, const std::string& classInfoFile, const ClassAreas& areas,
                          AreaUnit unit) {
  return WriteText(reportPath, FormatClassAreaReport(classInfoFile, areas, unit));
}

long ExportClassAreaReport(void* image, const std::string& classInfoFile, const std::string& reportPath) {
  ClassAreas areas;
  if (long rc = MeasureClassAreas(image, areas)) return rc;
  return WriteClassAreaReport(reportPath, classInfoFile, areas, AreaUnit::kSquareMetres);
}

std::string ClassInfoFileName(void* image) {
  const char* description = image ? ztRSGetDescription(image) : nullptr;
  std::string name = description ? description : "";
  for (size_t at = name.find(".zti"); at != std::string::npos; at = name.find(".zti", at + 4))
    name.replace(at, 4, ".cls");
  return name;
}

}  // namespace zt
