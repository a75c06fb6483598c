#pragma once
// The client's side of a window labelled in tiles: the tiles' regions
// joined across their borders and numbered as the whole-window labelling
// numbers them, and the statistics file written as clump and sieve write
// it.
#include <cstdint>
#include <string>
#include <vector>

#include "frame/window.h"
#include "postclass/border_join.h"
#include "postclass/sieve_input.h"
#include "tiles/tile_summary.h"

namespace zt {

class TileJoin {
 public:
  // Checks the arguments as the whole-window call would, and reads the
  // heading of the clump image's statistics for ZT_TILES_SIEVE (whose
  // neighbours then replace *neighbours).
  long Create(void* source, long band, const Window& window, long tile, int& neighbours, int mode, long threshold,
              const char* inputStatistics);
  long Add(TileSummary&& summary);
  // regions: the count of numbered regions.
  long Resolve(const char* statisticsPath, long& regions);
  long Numbers(long firstRow, long firstColumn, TileNumbers& numbers) const;

 private:
  struct Tile {
    bool added = false;
    TileSummary summary;
    // Per region: its label here, then its final number.
    std::vector<uint64_t> label;
  };

  bool ClassMap() const;
  // The tile at (tile row, tile column) of the grid.
  Tile& At(long down, long across) { return tiles_[down * across_ + across]; }
  Window TileWindow(long down, long across) const;
  // Labels the regions in the scan order of their first pixels.
  void Order();
  void JoinBorders();
  // Numbers the joined regions; false when the user asked to stop.
  bool Number(long& regions);
  long WriteStatistics(const char* path, long regions) const;

  int mode_ = 0, neighbours_ = 4;
  long threshold_ = 0, tile_ = 0, down_ = 0, across_ = 0;
  Window window_{};
  long bandRows_ = 0, bandColumns_ = 0, outsideCells_ = 0;
  std::string inputStatistics_;
  SieveInput input_;
  bool hasRange_ = false;
  long low_ = 0, high_ = 0, zeros_ = 0;
  std::vector<Tile> tiles_;
  // Per label (0: none): value, pixels and first pixel (row * columns +
  // column of the window); after Number, per joined region.
  LabelForest<uint64_t> forest_;
  std::vector<int64_t> value_;
  std::vector<uint64_t> count_, first_;
  // The final number of each joined region, 0 for those removed.
  std::vector<uint64_t> number_;
};

}  // namespace zt
