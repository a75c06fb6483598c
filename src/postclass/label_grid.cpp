#include "postclass/label_grid.h"

#include "frame/progress_session.h"
#include "ztclass/result_codes.h"

namespace zt {

long ReadLabelGrid(const PostClassJob& job, LabelGrid& grid) {
  const Window& w = job.GetWindow();
  grid.rows = w.rows;
  grid.columns = w.columns;
  grid.cells.assign(w.rows * w.columns, 0);
  ValueBuffer raw;
  if (long rc = raw.Allocate(ZTRS_UInt32, w.columns)) return rc;
  std::vector<double> row(w.columns);
  for (long i = 0; i < w.rows; ++i) {
    if (StepAndCheckStop()) return RC_CANCELLED;
    job.ReadRow(i, ZTRS_UInt32, raw, row.data());
    for (long j = 0; j < w.columns; ++j) grid.at(i, j) = static_cast<long>(row[j]);
  }
  return RC_OK;
}

}  // namespace zt
