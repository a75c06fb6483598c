#pragma once
#include <cmath>

namespace zt {

// A band value that holds no number: NaN, or an infinity (an overflow or a
// division by zero upstream). No class learns from it and no distance or
// likelihood decides it: it is a sample left out, and its pixel is not
// classified.
inline bool IsMissingValue(double v) { return !std::isfinite(v); }

}  // namespace zt
