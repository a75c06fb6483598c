// The exports of a window labelled in tiles.
#include <cstdlib>
#include <memory>

#include "frame/entry.h"
#include "tiles/tile_join.h"
#include "tiles/tile_labels.h"
#include "ztclass/result_codes.h"
#include "ztclass/tiles.h"

struct ZTTileJoin {
  zt::TileJoin join;
};

using namespace zt;

namespace {

template <typename Make>
long Summary(void** summary, size_t* size, Make&& make) {
  if (!summary || !size) return RC_NULL_ARGUMENT;
  *summary = nullptr;
  *size = 0;
  TileSummary s;
  if (long rc = make(s)) return rc;
  EncodeSummary(s, summary, size);
  return RC_OK;
}

}  // namespace

long ztTileLabel(void* source, long band, long rows, long columns, long firstRow, long firstColumn, int neighbours,
                 int mode, void** summary, size_t* size) {
  return Framed([&] {
    return Summary(summary, size, [&](TileSummary& s) {
      return SummarizeTile(source, band, Window{rows, columns, firstRow, firstColumn}, neighbours, mode, s);
    });
  });
}

long ztTileClassRange(void* source, long band, long rows, long columns, long firstRow, long firstColumn,
                      void** summary, size_t* size) {
  return Framed([&] {
    return Summary(summary, size, [&](TileSummary& s) {
      return SummarizeRange(source, band, Window{rows, columns, firstRow, firstColumn}, s);
    });
  });
}

long ztTileNumber(void* source, long band, long rows, long columns, long firstRow, long firstColumn, int neighbours,
                  int mode, const void* numbers, size_t size, uint32_t* pixels) {
  return Framed([&] {
    if (!numbers || !pixels) return RC_NULL_ARGUMENT;
    TileNumbers t;
    if (!DecodeNumbers(numbers, size, t)) return RC_BAD_WINDOW;
    return NumberTile(source, band, Window{rows, columns, firstRow, firstColumn}, neighbours, mode, t, pixels);
  });
}

void ztTileFreeBuffer(void* buffer) { std::free(buffer); }

long ztTileJoinCreate(void* source, long band, long rows, long columns, long firstRow, long firstColumn, long tile,
                      int* neighbours, int mode, long threshold, const char* inputStatistics, ZTTileJoin** join) {
  return Framed([&] {
    if (!neighbours || !join) return RC_NULL_ARGUMENT;
    *join = nullptr;
    auto made = std::make_unique<ZTTileJoin>();
    if (long rc = made->join.Create(source, band, Window{rows, columns, firstRow, firstColumn}, tile, *neighbours,
                                    mode, threshold, inputStatistics))
      return rc;
    *join = made.release();
    return RC_OK;
  });
}

long ztTileJoinAdd(ZTTileJoin* join, const void* summary, size_t size) {
  return Framed([&] {
    if (!join || !summary) return RC_NULL_ARGUMENT;
    TileSummary s;
    if (!DecodeSummary(summary, size, s)) return RC_BAD_WINDOW;
    return join->join.Add(std::move(s));
  });
}

long ztTileJoinResolve(ZTTileJoin* join, const char* statisticsPath, long* regions) {
  return Framed([&] {
    if (!join || !regions) return RC_NULL_ARGUMENT;
    return join->join.Resolve(statisticsPath, *regions);
  });
}

long ztTileJoinNumbers(const ZTTileJoin* join, long firstRow, long firstColumn, void** numbers, size_t* size) {
  return Framed([&] {
    if (!join || !numbers || !size) return RC_NULL_ARGUMENT;
    *numbers = nullptr;
    *size = 0;
    TileNumbers t;
    if (long rc = join->join.Numbers(firstRow, firstColumn, t)) return rc;
    EncodeNumbers(t, numbers, size);
    return RC_OK;
  });
}

void ztTileJoinFree(ZTTileJoin* join) { delete join; }
