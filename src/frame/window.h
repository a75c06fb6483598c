#pragma once

namespace zt {

// Processing window in source pixels, in the order the exports take it.
struct Window {
  long rows;
  long columns;
  long firstRow;
  long firstColumn;
};

}  // namespace zt
