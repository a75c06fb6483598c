#pragma once
// Clump and sieve of a window cut into tiles, each labelled on its own (on
// another thread, process or machine), then joined into the numbering and
// statistics file that ztClassClump, ztClassSieveMap and ztClassSieve give
// for the whole window, byte for byte.
//
// A worker labels one tile (ztTileLabel) and sends the client the summary
// buffer: the tile's regions (value, pixel count, first pixel) and its four
// border rows and columns. The client adds every tile's summary to a join
// (ztTileJoinAdd), which joins the regions that touch across tile borders
// (4 or 8 neighbours, diagonally across the corners of four tiles too) and
// numbers them in the scan order of their first pixels (ztTileJoinResolve,
// which writes the statistics file). Each worker then labels its tile
// again and turns its labels into the final numbers that the join gives it
// (ztTileJoinNumbers, ztTileNumber). A worker holds one tile's labels at a
// time; the client holds the tiles' region tables and borders, never their
// pixels.
//
// Tiles are those of a grid of tile x tile pixels from the window's first
// pixel (the last row and column of tiles as far as the window reaches).
// Class maps need the class range of the whole band, as ztClassClump takes
// it: the band outside the window is sent too, as range-only summaries
// (ztTileClassRange) of parts of it in any cut.
//
// Buffers are in this machine's byte order; one of another byte order, of
// another tile or mode, malformed, or given twice, gives RC_BAD_WINDOW, as
// do tiles missing at ztTileJoinResolve. Buffers from this header are freed
// with ztTileFreeBuffer. Other result codes are those of ztClassClump,
// ztClassSieveMap and ztClassSieve for the same fault.
#include <stddef.h>
#include <stdint.h>

#include "ztclass/export.h"

typedef struct ZTTileJoin ZTTileJoin;

// What the tiles hold and what becomes of their regions.
enum {
  // A class map, every region numbered: ztClassClump.
  ZT_TILES_CLUMP = 0,
  // A class map, regions of fewer than threshold pixels to 0: ztClassSieveMap.
  ZT_TILES_SIEVE_MAP = 1,
  // A clump image and its statistics file: ztClassSieve.
  ZT_TILES_SIEVE = 2
};

// Labels the tile window (rows, columns, first row, first column) of the
// band of source; *summary and *size: the buffer the join takes.
ZTCLASS_API long ztTileLabel(void* source, long band, long rows, long columns, long firstRow, long firstColumn,
                             int neighbours, int mode, void** summary, size_t* size);

// The class range of a part of the band outside the window, as a summary
// for the join of a class map.
ZTCLASS_API long ztTileClassRange(void* source, long band, long rows, long columns, long firstRow,
                                  long firstColumn, void** summary, size_t* size);

// Labels the tile again and writes its final numbers (rows x columns,
// row-major) into pixels; numbers: the tile's buffer from ztTileJoinNumbers.
ZTCLASS_API long ztTileNumber(void* source, long band, long rows, long columns, long firstRow, long firstColumn,
                              int neighbours, int mode, const void* numbers, size_t size, uint32_t* pixels);

ZTCLASS_API void ztTileFreeBuffer(void* buffer);

// A join for the window of the band of source in tiles of tile x tile
// pixels. *neighbours: the neighbours asked for (8, else 4); for
// ZT_TILES_SIEVE set to those of inputStatistics, the clump image's
// statistics (null otherwise). threshold: the smallest region that keeps a
// number (sieves only). Freed with ztTileJoinFree.
ZTCLASS_API long ztTileJoinCreate(void* source, long band, long rows, long columns, long firstRow,
                                  long firstColumn, long tile, int* neighbours, int mode, long threshold,
                                  const char* inputStatistics, ZTTileJoin** join);

// A tile's summary, or a range-only summary; in any order.
ZTCLASS_API long ztTileJoinAdd(ZTTileJoin* join, const void* summary, size_t size);

// Once every tile is in: joins and numbers the regions, writes the
// statistics file at statisticsPath (null for none with ZT_TILES_SIEVE_MAP,
// as ztClassSieveMap takes it) and gives the count of numbered regions.
ZTCLASS_API long ztTileJoinResolve(ZTTileJoin* join, const char* statisticsPath, long* regions);

// After ztTileJoinResolve: the numbers buffer of the tile whose first pixel
// is (firstRow, firstColumn) of the band, for ztTileNumber.
ZTCLASS_API long ztTileJoinNumbers(const ZTTileJoin* join, long firstRow, long firstColumn, void** numbers,
                                   size_t* size);

ZTCLASS_API void ztTileJoinFree(ZTTileJoin* join);
