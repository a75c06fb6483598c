#pragma once
// What eliminate does once its clumps are labelled: the small clumps merged
// into their largest neighbours, and the class image written. Shared by the
// elimination from a clump image and the one straight from a class map.
#include <climits>
#include <cstdint>
#include <vector>

#include "frame/progress_session.h"
#include "postclass/band_rows.h"
#include "postclass/merge_queue.h"
#include "postclass/merge_target.h"
#include "postclass/regions.h"
#include "ztclass/result_codes.h"

namespace zt {

// Clumps between the one whose pixels are fetched into the cache and the
// one merged.
constexpr size_t kFetchAhead = 8;
// Class values up to this are written in bytes.
constexpr long kByteClasses = 255;

// The resolved regions' clumps below threshold merged, smaller sizes after
// larger ones: value[m] becomes the class that region m's pixels take, and
// totals[c] the pixels of class c. clumpOf(m) is the clump (row of t) of
// region m. RC_CANCELLED when the user asked to stop.
template <typename Label, typename Value, typename ClumpOf>
long MergeSmallClumps(Regions<Label, Value>& regions, long rows, long columns, bool eight, long threshold,
                      ClumpTables& t, std::vector<std::int32_t>& value, std::vector<long>& totals,
                      ClumpOf&& clumpOf) {
  // The size whose sweep last took each region; 0 for none.
  std::vector<Label> sweptAt(value.size(), 0);
  std::vector<GridPixel> pixels;
  MergeQueue merges(t.count, threshold);
  long merged = 0;
  while (merges.NextSize()) {
    if (StepAndCheckStop()) return RC_CANCELLED;
    const long size = merges.Size();
    for (long k; (k = merges.Next(t.count)) != 0;) {
      if (++merged % kPixelsPerStopCheck == 0 && IsStopProgress()) return RC_CANCELLED;
      // The small clumps lie all over the image: their pixels and the rows
      // around them are fetched while the clumps before them merge.
      if (const long a = merges.Ahead(kFetchAhead); a && t.row[a] >= 1 && t.row[a] + 1 < rows && t.column[a] >= 0 &&
                                                    t.column[a] < columns)
        for (long dr = -1; dr <= 1; ++dr) __builtin_prefetch(&regions.Row(t.row[a] + dr)[t.column[a]]);
      const long r = t.row[k], c = t.column[k];
      if (r < 0 || r >= rows || c < 0 || c >= columns) continue;
      const Label region = regions.Row(r)[c];
      if (region == 0 || sweptAt[region] == Label(size)) continue;
      sweptAt[region] = Label(size);
      Choice target;
      const long n = GrowAndChoose(regions, rows, columns, eight, GridPixel{r, c}, t, k, pixels, target, clumpOf);
      if (n < 0) return RC_CANCELLED;
      if (target.label == 0) continue;  // no neighbour to merge into
      const long from = t.classValue[k], to = t.classValue[target.label];
      // A count grows by up to a window's pixels per merge: saturate.
      t.count[target.label] = n > LONG_MAX - t.count[target.label] ? LONG_MAX : t.count[target.label] + n;
      t.count[k] = t.count[target.label];
      t.classValue[k] = to;
      totals[from] -= n;
      totals[to] += n;
      value[region] = static_cast<std::int32_t>(to);
      merges.Offer(target.label, t.count[target.label]);
      merges.Offer(k, t.count[k]);
    }
  }
  return RC_OK;
}

// The class image: region m's pixels take value[m], in bytes where no class
// value exceeds highestClass and it allows, else in 32 bits.
template <typename Label, typename Value>
long WriteMergedClasses(const PostClassJob& job, const Regions<Label, Value>& regions,
                        const std::vector<std::int32_t>& value, long highestClass) {
  const long columns = job.GetWindow().columns;
  auto write = [&](auto pixel) {
    using T = decltype(pixel);
    return WriteResult<T>(job, [&](long first, long count, T* scratch) {
      for (long i = 0; i < count; ++i) {
        const Label* region = regions.Row(first + i);
        T* out = scratch + i * columns;
        for (long j = 0; j < columns; ++j) out[j] = static_cast<T>(value[region[j]]);
      }
      return scratch;
    });
  };
  return highestClass <= kByteClasses ? write(std::uint8_t{}) : write(std::uint32_t{});
}

}  // namespace zt
