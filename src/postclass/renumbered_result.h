#pragma once
// The result of sieve and eliminate's sieve step: each pixel's region under
// its new number, 0 for the regions removed.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "postclass/band_rows.h"

namespace zt {

// number[m]: the new number of region m. Regions: a labelling whose Row(i)
// gives window row i of region numbers.
template <typename Regions, typename Label>
long WriteRenumbered(const PostClassJob& job, const Regions& regions, const std::vector<Label>& number) {
  const long columns = job.GetWindow().columns;
  return WriteResult<std::uint32_t>(job, [&](long first, long count, std::uint32_t* scratch) {
    for (long i = 0; i < count; ++i) {
      const Label* region = regions.Row(first + i);
      std::uint32_t* out = scratch + i * columns;
      for (long j = 0; j < columns; ++j)
        out[j] = static_cast<std::uint32_t>(std::min<Label>(number[region[j]], UINT32_MAX));
    }
    return scratch;
  });
}

}  // namespace zt
