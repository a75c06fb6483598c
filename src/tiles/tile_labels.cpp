#include "tiles/tile_labels.h"

#include "postclass/band_rows.h"
#include "postclass/class_map.h"
#include "postclass/region.h"
#include "postclass/regions.h"
#include "ztclass/result_codes.h"
#include "ztclass/tiles.h"

namespace zt {

namespace {

template <typename Value>
using TileRegions = Regions<uint32_t, Value>;

// Labels the tile as the whole-window calls label their window: class
// values (their range kept) for class maps, clump numbers for sieve; then
// visit(regions, count, range) with the resolved regions.
template <typename Visit>
long WithTileRegions(void* source, long band, const Window& w, int neighbours, int mode, TileSummary& range,
                     Visit&& visit) {
  if (!KnownTileMode(mode)) return RC_BAD_WINDOW;
  PostClassJob job(source, band, w);
  if (long rc = job.Open()) return rc;
  // A tile's labels are 32-bit; a tile is a few blocks, not a band.
  if (w.rows < 1 || w.columns < 1 || uint64_t(w.rows) * uint64_t(w.columns) > UINT32_MAX) return RC_BAD_WINDOW;
  const bool eight = EightNeighbours(neighbours);
  if (mode == ZT_TILES_SIEVE) {
    TileRegions<uint32_t> regions(w.rows, w.columns, eight);
    if (long rc = regions.LabelRows(CopiedRows<uint32_t>(job))) return rc;
    uint32_t count = 0;
    if (!regions.Resolve(count)) return RC_CANCELLED;
    return visit(regions, count);
  }
  return WithPixelType(job.SourceType(), [&](auto pixel) -> long {
    using T = decltype(pixel);
    TileRegions<int32_t> regions(w.rows, w.columns, eight);
    const bool signedBytes = job.SourceType() == ZTRS_Int8;
    ClassRange<T> classRange;
    WindowRows<T> rows(job);
    if (long rc = regions.LabelRows([&](long, int32_t* classes) {
          const T* values = nullptr;
          if (long rc = rows.Next(values)) return rc;
          if (!classRange.Add(values, w.columns)) return RC_BAD_WINDOW;
          ToClasses(values, w.columns, signedBytes, classes);
          return RC_OK;
        }))
      return rc;
    range.hasRange = true;
    range.low = classRange.Low();
    range.high = classRange.High();
    uint32_t resolved = 0;
    if (!regions.Resolve(resolved)) return RC_CANCELLED;
    return visit(regions, resolved);
  });
}

template <typename Value>
void Summarize(const TileRegions<Value>& regions, uint32_t count, TileSummary& s) {
  const long rows = s.window.rows, columns = s.window.columns;
  s.zeros = regions.Zeros();
  s.value.resize(count + 1);
  s.count.resize(count + 1);
  s.first.resize(count + 1);
  s.value[0] = 0;
  s.count[0] = s.first[0] = 0;
  for (uint32_t m = 1; m <= count; ++m) {
    s.value[m] = int64_t(regions.RegionValue(m));
    s.count[m] = regions.Count(m);
    s.first[m] = regions.First(m);
  }
  s.top.assign(regions.Row(0), regions.Row(0) + columns);
  s.bottom.assign(regions.Row(rows - 1), regions.Row(rows - 1) + columns);
  s.left.resize(rows);
  s.right.resize(rows);
  for (long i = 0; i < rows; ++i) {
    s.left[i] = regions.Row(i)[0];
    s.right[i] = regions.Row(i)[columns - 1];
  }
}

}  // namespace

bool KnownTileMode(int mode) { return mode == ZT_TILES_CLUMP || mode == ZT_TILES_SIEVE_MAP || mode == ZT_TILES_SIEVE; }

long SummarizeTile(void* source, long band, const Window& w, int neighbours, int mode, TileSummary& summary) {
  summary = TileSummary{};
  summary.mode = mode;
  summary.neighbours = neighbours;
  summary.window = w;
  return WithTileRegions(source, band, w, neighbours, mode, summary, [&](const auto& regions, uint32_t count) {
    Summarize(regions, count, summary);
    return RC_OK;
  });
}

long SummarizeRange(void* source, long band, const Window& w, TileSummary& summary) {
  summary = TileSummary{};
  summary.rangeOnly = true;
  summary.window = w;
  PostClassJob job(source, band, w);
  if (long rc = job.Open()) return rc;
  if (w.rows < 1 || w.columns < 1) return RC_OK;
  return WithPixelType(job.SourceType(), [&](auto pixel) -> long {
    using T = decltype(pixel);
    ClassRange<T> classRange;
    bool classValues = true;
    if (long rc = ReadWindow<T>(job, [&](long, const T* values) {
          classValues = classValues && classRange.Add(values, w.columns);
        }))
      return rc;
    if (!classValues) return RC_BAD_WINDOW;
    summary.hasRange = true;
    summary.low = classRange.Low();
    summary.high = classRange.High();
    return RC_OK;
  });
}

long NumberTile(void* source, long band, const Window& w, int neighbours, int mode, const TileNumbers& numbers,
                uint32_t* pixels) {
  const Window& t = numbers.window;
  if (t.rows != w.rows || t.columns != w.columns || t.firstRow != w.firstRow || t.firstColumn != w.firstColumn)
    return RC_BAD_WINDOW;
  TileSummary range;
  return WithTileRegions(source, band, w, neighbours, mode, range, [&](const auto& regions, uint32_t count) -> long {
    // Another count of regions: the image changed since the tile was summarised.
    if (numbers.numbers.size() != size_t(count) + 1) return RC_BAD_WINDOW;
    const uint32_t* number = numbers.numbers.data();
    for (long i = 0; i < w.rows; ++i) {
      const uint32_t* label = regions.Row(i);
      uint32_t* out = pixels + i * w.columns;
      for (long j = 0; j < w.columns; ++j) out[j] = number[label[j]];
    }
    return RC_OK;
  });
}

}  // namespace zt
