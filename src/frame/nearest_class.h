#pragma once
#include <cstddef>
#include <limits>

namespace zt {

// The index of the class with the smallest distance(j), j < count; on equal
// distances the earlier class.
template <typename Distance>
size_t NearestClass(size_t count, Distance&& distance) {
  double best = std::numeric_limits<double>::infinity();
  size_t winner = 0;
  for (size_t j = 0; j < count; ++j) {
    const double d = distance(j);
    if (d < best) {
      best = d;
      winner = j;
    }
  }
  return winner;
}

}  // namespace zt
