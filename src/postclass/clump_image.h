#pragma once
// What sieve and eliminate share: the regions of a clump image, read row by
// row, and the result written back from a value per region.
#include <cstdint>
#include <vector>

#include "frame/progress_session.h"
#include "postclass/postclass_job.h"
#include "postclass/regions.h"
#include "ztclass/result_codes.h"

namespace zt {

// Pass 1: the window's clump numbers (read as 32-bit) into the regions, a
// progress step and stop check per row. A number above highest gives
// RC_BAD_WINDOW once every row is read.
template <typename Label>
long ReadRegions(const PostClassJob& job, Regions<Label, std::uint32_t>& regions, std::uint32_t highest) {
  const Window& w = job.GetWindow();
  ValueBuffer raw;
  if (long rc = raw.Allocate(ZTRS_UInt32, w.columns)) return rc;
  std::vector<double> row(w.columns);
  std::vector<std::uint32_t> labels(w.columns);
  bool outOfRange = false;
  for (long i = 0; i < w.rows; ++i) {
    if (StepAndCheckStop()) return RC_CANCELLED;
    job.ReadRow(i, ZTRS_UInt32, raw, row.data());
    for (long j = 0; j < w.columns; ++j) {
      labels[j] = static_cast<std::uint32_t>(row[j]);
      outOfRange = outOfRange || labels[j] > highest;
    }
    regions.AddRow(i, labels.data());
  }
  return outOfRange ? RC_BAD_WINDOW : RC_OK;
}

// The last pass: per row, the region numbers of rowOf(i) turned into
// valueOf(region) (0 where there is none) and written in type, a progress
// step and stop check per row.
template <typename RowOf, typename ValueOf>
long WriteRegionRows(const PostClassJob& job, RowOf&& rowOf, ValueOf&& valueOf, ZTRSDataType type) {
  const Window& w = job.GetWindow();
  ValueBuffer raw;
  if (long rc = raw.Allocate(type, w.columns)) return rc;
  std::vector<double> row(w.columns);
  for (long i = 0; i < w.rows; ++i) {
    if (StepAndCheckStop()) return RC_CANCELLED;
    const auto* regions = rowOf(i);
    for (long j = 0; j < w.columns; ++j) row[j] = regions[j] ? valueOf(regions[j]) : 0.0;
    job.WriteRow(i, row.data(), type, raw);
  }
  return RC_OK;
}

}  // namespace zt
