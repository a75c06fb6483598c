#pragma once
// One tile labelled on a worker: its summary for the join, and its pixels
// once the join has numbered its regions.
#include <cstdint>

#include "frame/window.h"
#include "tiles/tile_summary.h"

namespace zt {

// Whether mode is one of ZT_TILES_*.
bool KnownTileMode(int mode);

// The tile window w (of the band of source) labelled: its summary.
long SummarizeTile(void* source, long band, const Window& w, int neighbours, int mode, TileSummary& summary);

// The class range of the part w of the band, as a range-only summary.
long SummarizeRange(void* source, long band, const Window& w, TileSummary& summary);

// The tile labelled again, its regions' numbers (numbers.numbers[m]) written
// into pixels (w.rows x w.columns); RC_BAD_WINDOW when numbers is not this
// tile's.
long NumberTile(void* source, long band, const Window& w, int neighbours, int mode, const TileNumbers& numbers,
                uint32_t* pixels);

}  // namespace zt
