#include "postclass/postclass_job.h"

#include <cmath>

#include "frame/arguments.h"
#include "frame/progress_session.h"
#include "ztclass/result_codes.h"

namespace zt {

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
  double minMax[2] = {0, 0};
  if (long rc = ztRSComputeRasterMinMax(sourceHandle_, 0, minMax)) return rc;
  const long minimum = static_cast<long>(minMax[0]), maximum = static_cast<long>(minMax[1]);
  count = minimum == 0 ? maximum : maximum - minimum + 1;
  return RC_OK;
}

void PostClassJob::ReadRow(long i, ZTRSDataType type, ValueBuffer& raw, double* values) const {
  ztRSRasterIO(sourceHandle_, ZTRS_Read, w_.firstColumn, w_.firstRow + i, w_.columns, 1, raw.Data(), w_.columns,
               1, type, 0, 0);
  ztRSConvNValues(type, raw.Data(), w_.columns, values);
}

void PostClassJob::WriteRow(long i, const double* values, ZTRSDataType type, ValueBuffer& raw) const {
  ztConvNDValues(values, type, raw.Data(), w_.columns);
  ztRSRasterIO(resultHandle_, ZTRS_Write, 0, i, w_.columns, 1, raw.Data(), w_.columns, 1, type, 0, 0);
}

long PostClassJob::WriteGrid(const std::vector<double>& grid, ZTRSDataType type) const {
  ValueBuffer raw;
  if (long rc = raw.Allocate(type, w_.columns)) return rc;
  for (long i = 0; i < w_.rows; ++i) {
    if (StepAndCheckStop()) return RC_CANCELLED;
    WriteRow(i, &grid[i * w_.columns], type, raw);
  }
  return RC_OK;
}

}  // namespace zt
