#pragma once
// Two pixels' values side by side, for decisions that go two pixels at a
// time: each lane is computed exactly as one double would be, so a pair
// gives both pixels the results they would get one by one.
#include <cstring>

namespace zt {

using PixelPair = double __attribute__((vector_size(16)));

inline PixelPair LoadPair(const double* p) {
  PixelPair v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

}  // namespace zt
