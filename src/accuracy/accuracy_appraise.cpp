// Accuracy assessment: an error matrix from reference AOIs or check points,
// its statistics, and the report.
#include <set>
#include <string>
#include <vector>

#include "accuracy/accuracy_record.h"
#include "accuracy/accuracy_report.h"
#include "accuracy/check_points.h"
#include "frame/entry.h"
#include "frame/progress_session.h"
#include "frame/user_locale.h"
#include "samples/class_aois.h"
#include "samples/owned_cells.h"
#include "services/pyramid_layer.h"
#include "services/text.h"
#include "services/value_buffer.h"
#include "ztclass/accuracy.h"
#include "ztclass/classinfo.h"
#include "ztclass/result_codes.h"

namespace zt {

namespace {

constexpr int kMainCaption = 43;
constexpr int kMatrixCaption = 47;
constexpr long kMaxClasses = 255;

// Band 1 of the class image, read a row at a time: reference samples come
// row by row within each polygon.
class ClassValues {
 public:
  explicit ClassValues(void* image)
      : band_(ztRSGetRasterBand(image, 1)), type_(ztRSGetDatasetType(image)), columns_(ztRSGetRasterXSize(image)),
        rows_(ztRSGetRasterYSize(image)), values_(columns_ > 0 ? columns_ : 0) {}

  long Allocate() { return band_ ? typed_.Allocate(type_, columns_ > 0 ? columns_ : 1) : RC_NULL_ARGUMENT; }
  bool Holds(long row, long column) const { return row >= 0 && row < rows_ && column >= 0 && column < columns_; }

  // The value of a pixel that Holds; 0 or the raster service's code.
  long At(long row, long column, double& value) {
    if (row != row_) {
      row_ = -1;
      if (long rc = ztRSRasterIO(band_, ZTRS_Read, 0, row, columns_, 1, typed_.Data(), columns_, 1, type_, 0, 0))
        return rc;
      ztRSConvNValues(type_, typed_.Data(), columns_, values_.data());
      row_ = row;
    }
    value = values_[column];
    return RC_OK;
  }

 private:
  void* band_;
  ZTRSDataType type_;
  long columns_, rows_;
  ValueBuffer typed_;
  std::vector<double> values_;
  long row_ = -1;
};

// A class value truncated toward zero lies in 0..n.
bool ClassValueInRange(double v, long n, long& classNo) {
  if (!(v > -1.0 && v < n + 1.0)) return false;
  classNo = static_cast<long>(v);
  return true;
}

std::string Description(void* dataset) {
  const char* text = dataset ? ztRSGetDescription(dataset) : nullptr;
  return text ? text : "";
}

long ReadClassNames(void* classImage, std::vector<std::string>& names) {
  long n = 0;
  if (long rc = ztRSReadClsNum(classImage, n)) return rc;
  if (n < 0 || n > kMaxClasses) return RC_BAD_WINDOW;
  std::vector<CLASSATTINFO> records(n, CLASSATTINFO{});
  if (n > 0)
    if (long rc = ztRSReadClassInfo(classImage, n, records.data())) return rc;
  for (const CLASSATTINFO& record : records) names.emplace_back(FieldText(record.name, sizeof record.name));
  return RC_OK;
}

long FillFromAois(void* classImage, void* reference, ProgressSession& progress, AccuracyRecord& record) {
  AoiEditorHandle editor;
  std::vector<AOI> aois;
  if (long rc = LoadClassAois(reference, editor, aois)) return rc;
  const long n = record.classCount;
  if (static_cast<long>(aois.size()) != n) return RC_AOI_WITHOUT_POLYGON;

  progress.Start(kMainCaption);
  PyramidLayer referenceLayer(reference), classLayer(classImage);
  std::vector<void*> bands;
  for (long b = 1; b <= ztRSGetRasterCount(reference); ++b) bands.push_back(ztRSGetRasterBand(reference, b));
  if (bands.empty()) return RC_BAD_WINDOW;
  int flag = 0;
  NoDataRule noData;
  noData.value = ztRSGetRasterNoDataValue(bands[0], &flag);
  noData.active = flag == 1;

  OwnedCells samples;
  if (long rc = GatherTrainingSamples(reference, bands, aois.data(), n, noData, &samples.cells, samples.count))
    return rc;
  ClassValues values(classImage);
  if (long rc = values.Allocate()) return rc;
  for (long i = 0; i < samples.count; ++i) {
    const AOICELL& cell = samples.cells[i];
    if (!values.Holds(cell.row, cell.column)) continue;
    long found = 0;
    double value = 0;
    if (long rc = values.At(cell.row, cell.column, value)) return rc;
    if (!ClassValueInRange(value, n, found)) return RC_AOI_WITHOUT_POLYGON;
    ++record.At(found, cell.classNo);
  }
  record.sampleTotal = samples.count;
  record.ComputeStatistics();
  return RC_OK;
}

// The pixel that holds map point (x, y); false when it lies off the image.
// Truncation toward zero would put a point less than a pixel left of or
// above the image into its first column or row.
bool PixelOf(void* image, double x, double y, long& row, long& column, long& rc) {
  rc = ztRSGetCoordinate(image, 0, &x, &y);
  if (rc) return false;
  if (!(x >= 0.0 && x < ztRSGetRasterXSize(image) && y >= 0.0 && y < ztRSGetRasterYSize(image))) return false;
  column = static_cast<long>(x);
  row = static_cast<long>(y);
  return true;
}

long FillFromCheckPoints(void* classImage, const char* coordinateFile, const char* classFile,
                         ProgressSession& progress, AccuracyRecord& record) {
  progress.Start(kMainCaption);
  // Check-point files are read under the user's locale.
  const UserLocale locale;
  std::vector<CheckPoint> points;
  if (long rc = ReadCheckPoints(classFile, coordinateFile, points)) return rc;
  const long n = record.classCount;
  std::set<long> distinct;
  for (const CheckPoint& p : points) {
    if (p.classNo < 1 || p.classNo > n) return RC_INPUT_FILE_FAILED;
    distinct.insert(p.classNo);
  }
  if (static_cast<long>(distinct.size()) != n) return RC_CLASS_WITHOUT_CHECK_POINTS;

  PyramidLayer layer(classImage);
  ClassValues values(classImage);
  if (long rc = values.Allocate()) return rc;
  BeginPhase(kMatrixCaption, static_cast<long>(points.size()) + 1);
  for (const CheckPoint& p : points) {
    if (StepAndCheckStop()) return RC_CANCELLED;
    long row = 0, column = 0, rc = 0;
    if (!PixelOf(classImage, p.x, p.y, row, column, rc)) {
      if (rc) return rc;
      continue;
    }
    long found = 0;
    double value = 0;
    if (long rc = values.At(row, column, value)) return rc;
    if (!ClassValueInRange(value, n, found)) return RC_INPUT_FILE_FAILED;
    ++record.At(found, p.classNo);
  }
  record.sampleTotal = static_cast<long>(points.size());
  record.ComputeStatistics();
  return RC_OK;
}

bool Given(const char* path) { return path && *path; }

}  // namespace

long AssessAccuracy(void* classImage, const char* reportPath, const char* coordinateFile, const char* classFile,
                    void* reference, const ReportTables& tables, AccuracyRecord* figures) {
  ProgressSession progress;
  if (!classImage || (!reportPath && !figures)) return RC_NULL_ARGUMENT;
  const bool fileMode = !reference && Given(coordinateFile) && Given(classFile);
  if (!fileMode && !reference) return RC_NULL_ARGUMENT;
  std::vector<std::string> names;
  if (long rc = ReadClassNames(classImage, names)) return rc;
  AccuracyRecord record(static_cast<long>(names.size()));
  if (long rc = fileMode ? FillFromCheckPoints(classImage, coordinateFile, classFile, progress, record)
                         : FillFromAois(classImage, reference, progress, record))
    return rc;
  if (figures) *figures = record;
  if (!reportPath) return RC_OK;
  const std::string report =
      FormatAccuracyReport(record, names, Description(reference), Description(classImage), tables);
  return WriteAccuracyReport(reportPath, report) ? RC_OK : RC_REPORT_OPEN_FAILED;
}

}  // namespace zt

using namespace zt;

long ztAccuracyAppraise(void* classImage, const char* reportPath, const char* coordinateFile, const char* classFile,
                        void* reference, bool errorMatrix, bool classAccuracy, bool overallAccuracy, bool kappa) {
  return Framed([&] {
    if (!reportPath) return RC_NULL_ARGUMENT;
    return AssessAccuracy(classImage, reportPath, coordinateFile, classFile, reference,
                          ReportTables{errorMatrix, classAccuracy, overallAccuracy, kappa}, nullptr);
  });
}
