#pragma once
// The label grid of sieve and eliminate: the clump numbers of the window.
#include <vector>

#include "postclass/postclass_job.h"

namespace zt {

struct LabelGrid {
  long rows = 0, columns = 0;
  std::vector<long> cells;

  long operator()(long r, long c) const { return cells[r * columns + c]; }
  long& at(long r, long c) { return cells[r * columns + c]; }
};

// Pass 1 of sieve and eliminate: reads the window's rows (as 32-bit clump
// numbers) into the grid, a progress step and stop check per row.
long ReadLabelGrid(const PostClassJob& job, LabelGrid& grid);

}  // namespace zt
