#include "postclass/postclass_job.h"

#include <algorithm>

#include "frame/arguments.h"
#include "ztclass/result_codes.h"

namespace zt {

namespace {

// Reads and writes of fewer rows cost more in calls than they save.
constexpr long kMinBlockRows = 16;
constexpr long kMaxBlockBytes = 16L << 20;

long BlockRows(void* band, long rowBytes) {
  long columns = 0, rows = 0;
  ztRSGetBlockSize(band, &columns, &rows);
  const long fit = std::max(1L, kMaxBlockBytes / std::max(1L, rowBytes));
  return std::clamp(rows, std::min(kMinBlockRows, fit), fit);
}

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

long PostClassJob::BandColumns() const { return ztRSGetRasterXSize(source_); }
long PostClassJob::BandRows() const { return ztRSGetRasterYSize(source_); }
ZTRSDataType PostClassJob::SourceType() const { return ztRSGetBandType(sourceHandle_); }

long PostClassJob::SourceBlockRows(long rowBytes) const { return BlockRows(sourceHandle_, rowBytes); }
long PostClassJob::ResultBlockRows(long rowBytes) const { return BlockRows(resultHandle_, rowBytes); }

long PostClassJob::ReadBandRows(long first, long count, ZTRSDataType type, void* values) const {
  const long columns = BandColumns();
  return ztRSRasterIO(sourceHandle_, ZTRS_Read, 0, first, columns, count, values, columns, count, type, 0, 0);
}

long PostClassJob::ReadWindowRows(long first, long count, ZTRSDataType type, void* values) const {
  return ztRSRasterIO(sourceHandle_, ZTRS_Read, w_.firstColumn, w_.firstRow + first, w_.columns, count, values,
                      w_.columns, count, type, 0, 0);
}

long PostClassJob::WriteRows(long first, long count, ZTRSDataType type, const void* values) const {
  return ztRSRasterIO(resultHandle_, ZTRS_Write, 0, first, w_.columns, count, const_cast<void*>(values), w_.columns,
                      count, type, 0, 0);
}

}  // namespace zt
