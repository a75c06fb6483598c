#pragma once
#include <cstdlib>

namespace zt {

// A draw from the runtime's rand() in steps of (hi - lo) / 100. The library
// never seeds the generator: the host decides the sequence.
inline double RandomBetween(double lo, double hi) { return lo + (hi - lo) * ((std::rand() % 100) / 100.0); }

}  // namespace zt
