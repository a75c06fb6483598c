#pragma once
// Networks whose two training phases share one epoch counter run until it
// reaches the sum of both phases' counts.
#include <limits>

namespace zt {

// first + second epochs, the sum held at a long's bounds where it would
// leave them: a count near the largest long then runs on (until a stop)
// rather than wrapping round to no epoch at all.
inline long EpochBudget(long first, long second) {
  long sum = 0;
  if (!__builtin_add_overflow(first, second, &sum)) return sum;
  return second > 0 ? std::numeric_limits<long>::max() : std::numeric_limits<long>::min();
}

}  // namespace zt
