#include "postclass/postclass_job.h"

#include "frame/arguments.h"
#include "frame/progress_session.h"
#include "ztclass/result_codes.h"

namespace zt {

namespace {
// Open bounds of the values that truncate into the 32-bit signed range.
constexpr double kLowestClass = -2147483649.0;
constexpr double kHighestClass = 2147483648.0;
}  // namespace

PostClassJob::~PostClassJob() {
  if (!opened_) return;
  ztRSClosePyramidLayer(source_);
  ztRSClosePyramidLayer(result_);
}

long PostClassJob::Open() {
  if (!source_ || !result_) return RC_NULL_ARGUMENT;
  if (long rc = CheckCommonArguments(source_, result_, 1, w_)) return rc;
  ztRSOpenPyramidLayer(source_, 1);
  ztRSOpenPyramidLayer(result_, 1);
  opened_ = true;
  sourceHandle_ = ztRSGetRasterBand(source_, sourceBand_);
  resultHandle_ = ztRSGetRasterBand(result_, resultBand_);
  return sourceHandle_ && resultHandle_ ? RC_OK : RC_BAD_WINDOW;
}

long PostClassJob::ClassCount(long& count) const {
  // Read here rather than asked of the raster service, whose statistics
  // leave out the no-data value.
  const long columns = ztRSGetRasterXSize(source_), rows = ztRSGetRasterYSize(source_);
  ValueBuffer raw;
  if (long rc = raw.Allocate(ZTRS_Float64, columns)) return rc;
  const double* values = static_cast<const double*>(raw.Data());
  double minimum = 0.0, maximum = 0.0;
  for (long i = 0; i < rows; ++i) {
    if (long rc = ztRSRasterIO(sourceHandle_, ZTRS_Read, 0, i, columns, 1, raw.Data(), columns, 1, ZTRS_Float64,
                               0, 0))
      return rc;
    for (long j = 0; j < columns; ++j) {
      const double v = values[j];
      if (!(v > kLowestClass && v < kHighestClass)) return RC_BAD_WINDOW;
      if ((i == 0 && j == 0) || v < minimum) minimum = v;
      if ((i == 0 && j == 0) || v > maximum) maximum = v;
    }
  }
  const long low = static_cast<long>(minimum), high = static_cast<long>(maximum);
  count = low == 0 ? high : high - low + 1;
  return RC_OK;
}

long PostClassJob::BandCells() const { return ztRSGetRasterXSize(source_) * ztRSGetRasterYSize(source_); }

void PostClassJob::ReadRow(long i, ZTRSDataType type, ValueBuffer& raw, double* values) const {
  ztRSRasterIO(sourceHandle_, ZTRS_Read, w_.firstColumn, w_.firstRow + i, w_.columns, 1, raw.Data(), w_.columns,
               1, type, 0, 0);
  ztRSConvNValues(type, raw.Data(), w_.columns, values);
}

void PostClassJob::WriteRow(long i, const double* values, ZTRSDataType type, ValueBuffer& raw) const {
  ztConvNDValues(values, type, raw.Data(), w_.columns);
  ztRSRasterIO(resultHandle_, ZTRS_Write, 0, i, w_.columns, 1, raw.Data(), w_.columns, 1, type, 0, 0);
}

}  // namespace zt
