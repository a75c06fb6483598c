#pragma once
#include <vector>

namespace zt {

// Scratch of one deciding thread: n values, then a cache line that nothing
// uses. The pass copies a decision once per thread, one copy after the
// other, so small scratch arrays would lie side by side in memory; two
// threads writing one cache line take turns on it, and a second thread then
// slows a pass down instead of speeding it up.
inline std::vector<double> DeciderScratch(long n) { return std::vector<double>(n + 64 / sizeof(double)); }

}  // namespace zt
