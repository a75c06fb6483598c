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

// One class's turn in a run of count pixels: where its score beats the best
// so far (better(score, best), strictly, so that on a tie the earlier class
// stays), the pixel takes classNo and that score. In vector lanes.
template <typename Better>
void TakeBetterRun(const double* score, double classNo, long count, Better better, double* best, double* classes) {
#pragma omp simd
  for (long p = 0; p < count; ++p) {
    const bool taken = better(score[p], best[p]);
    best[p] = taken ? score[p] : best[p];
    classes[p] = taken ? classNo : classes[p];
  }
}

}  // namespace zt
