// The report figures for programs: class areas and accuracy figures.
#include <algorithm>

#include "accuracy/accuracy_record.h"
#include "accuracy/accuracy_report.h"
#include "export/class_area_report.h"
#include "frame/entry.h"
#include "services/text.h"
#include "ztclass/reports.h"
#include "ztclass/result_codes.h"

namespace zt {

namespace {

long MeasureAreas(void* image, int unit, const char* classInfoFile, const char* reportPath, ZTClassArea* out,
                  long capacity, long* count, int* geodesic) {
  if (!image || !count || (capacity > 0 && !out)) return RC_NULL_ARGUMENT;
  if (unit < ZT_AREA_M2 || unit > ZT_AREA_KM2) return RC_BAD_WINDOW;
  ClassAreas areas;
  if (long rc = MeasureClassAreas(image, areas)) return rc;
  const auto n = static_cast<long>(areas.classes.size());
  if (n > capacity) return RC_BAD_WINDOW;
  const AreaUnit areaUnit = static_cast<AreaUnit>(unit);
  const double factor = areaUnit == AreaUnit::kHectares ? 1e4 : areaUnit == AreaUnit::kSquareKilometres ? 1e6 : 1.0;
  for (long i = 0; i < n; ++i) {
    const ClassArea& c = areas.classes[i];
    out[i].value = c.value;
    CopyText(c.name, out[i].name, sizeof out[i].name);
    out[i].count = c.pixels;
    out[i].area = c.area / factor;
  }
  *count = n;
  if (geodesic) *geodesic = areas.geodesic ? 1 : 0;
  if (!reportPath) return RC_OK;
  return WriteClassAreaReport(reportPath, classInfoFile ? classInfoFile : "", areas, areaUnit);
}

long Figures(void* classImage, const char* reportPath, const char* coordinateFile, const char* classFile,
             void* reference, const ReportTables& tables, long n, ZTAccuracyFigures* figures) {
  if (!figures || !figures->matrix || !figures->referenceCounts || !figures->mapCounts ||
      !figures->producerAccuracy || !figures->userAccuracy)
    return RC_NULL_ARGUMENT;
  AccuracyRecord record(0);
  if (long rc = AssessAccuracy(classImage, reportPath, coordinateFile, classFile, reference, tables, &record))
    return rc;
  if (record.classCount != n) return RC_BAD_WINDOW;
  std::copy(record.matrix.begin(), record.matrix.end(), figures->matrix);
  std::copy(record.columnTotals.begin(), record.columnTotals.end(), figures->referenceCounts);
  std::copy(record.rowTotals.begin(), record.rowTotals.end(), figures->mapCounts);
  std::copy(record.classAccuracy.begin(), record.classAccuracy.end(), figures->producerAccuracy);
  std::copy(record.userAccuracy.begin(), record.userAccuracy.end(), figures->userAccuracy);
  figures->sampleCount = record.sampleTotal;
  figures->overallAccuracy = record.overallAccuracy;
  figures->kappa = record.kappa;
  return RC_OK;
}

}  // namespace

}  // namespace zt

long ztMeasureClassAreas(void* classImage, int unit, const char* classInfoFile, const char* reportPath,
                         ZTClassArea* areas, long capacity, long* count, int* geodesic) {
  return zt::Framed(
      [&] { return zt::MeasureAreas(classImage, unit, classInfoFile, reportPath, areas, capacity, count, geodesic); });
}

long ztAccuracyFigures(void* classImage, const char* reportPath, const char* coordinateFile, const char* classFile,
                       void* reference, bool errorMatrix, bool classAccuracy, bool overallAccuracy, bool kappa,
                       long classCount, ZTAccuracyFigures* figures) {
  return zt::Framed([&] {
    return zt::Figures(classImage, reportPath, coordinateFile, classFile, reference,
                       zt::ReportTables{errorMatrix, classAccuracy, overallAccuracy, kappa}, classCount, figures);
  });
}
