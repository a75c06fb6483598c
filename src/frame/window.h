#pragma once

namespace zt {

// Processing window in source pixels, in the order the exports take it.
struct Window {
  long rows;
  long columns;
  long firstRow;
  long firstColumn;
};

// Whether the window lies inside a band of rows x columns. Its ends are
// compared by subtraction: a sum of two huge values would overflow.
inline bool LiesInside(const Window& w, long rows, long columns) {
  return w.firstRow >= 0 && w.firstColumn >= 0 && w.rows >= 0 && w.columns >= 0 && w.firstRow <= rows - w.rows &&
         w.firstColumn <= columns - w.columns;
}

}  // namespace zt
