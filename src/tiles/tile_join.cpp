#include "tiles/tile_join.h"

#include <algorithm>

#include "frame/arguments.h"
#include "postclass/band_rows.h"
#include "postclass/region.h"
#include "postclass/regions.h"
#include "postclass/statistics_file.h"
#include "tiles/tile_labels.h"
#include "ztclass/result_codes.h"
#include "ztclass/tiles.h"
#include "ztservices/raster.h"

namespace zt {

namespace {

bool Overlap(const Window& a, const Window& b) {
  return a.firstRow < b.firstRow + b.rows && b.firstRow < a.firstRow + a.rows &&
         a.firstColumn < b.firstColumn + b.columns && b.firstColumn < a.firstColumn + a.columns;
}

bool SameWindow(const Window& a, const Window& b) {
  return a.rows == b.rows && a.columns == b.columns && a.firstRow == b.firstRow && a.firstColumn == b.firstColumn;
}

// A border's labels as the join's labels, and their values.
struct Border {
  std::vector<uint64_t> labels;
  std::vector<int64_t> values;
  Border(const TileSummary& s, const std::vector<uint32_t>& border, const std::vector<uint64_t>& label) {
    for (uint32_t l : border) {
      labels.push_back(label[l]);
      values.push_back(s.ValueOf(l));
    }
  }
};

}  // namespace

bool TileJoin::ClassMap() const { return mode_ != ZT_TILES_SIEVE; }

long TileJoin::Create(void* source, long band, const Window& w, long tile, int& neighbours, int mode, long threshold,
                      const char* inputStatistics) {
  if (!source) return RC_NULL_ARGUMENT;
  if (long rc = CheckSourceArguments(source, 1, w)) return rc;
  if (!ztRSGetRasterBand(source, band) || !KnownTileMode(mode) || w.rows < 1 || w.columns < 1 || tile < 1 ||
      uint64_t(tile) * uint64_t(tile) > UINT32_MAX)
    return RC_BAD_WINDOW;
  mode_ = mode;
  threshold_ = threshold;
  tile_ = tile;
  window_ = w;
  bandRows_ = ztRSGetRasterYSize(source);
  bandColumns_ = ztRSGetRasterXSize(source);
  if (mode == ZT_TILES_SIEVE) {
    if (!inputStatistics) return RC_NULL_ARGUMENT;
    if (long rc = ReadSieveInput(inputStatistics, bandRows_ * bandColumns_, input_)) return rc;
    inputStatistics_ = inputStatistics;
    neighbours = input_.neighbours;
  }
  neighbours_ = neighbours;
  down_ = (w.rows + tile - 1) / tile;
  across_ = (w.columns + tile - 1) / tile;
  tiles_.resize(size_t(down_ * across_));
  return RC_OK;
}

Window TileJoin::TileWindow(long down, long across) const {
  return Window{std::min(tile_, window_.rows - down * tile_), std::min(tile_, window_.columns - across * tile_),
                window_.firstRow + down * tile_, window_.firstColumn + across * tile_};
}

long TileJoin::Add(TileSummary&& s) {
  const Window w = s.window;
  if (s.rangeOnly) {
    // A part of the band outside the window, for the class range of a map.
    if (!ClassMap() || !LiesInside(w, bandRows_, bandColumns_) || Overlap(w, window_))
      return RC_BAD_WINDOW;
    outsideCells_ += w.rows * w.columns;
  } else {
    if (s.mode != mode_ || s.neighbours != neighbours_) return RC_BAD_WINDOW;
    const long dr = w.firstRow - window_.firstRow, dc = w.firstColumn - window_.firstColumn;
    if (dr < 0 || dc < 0 || dr % tile_ || dc % tile_ || dr / tile_ >= down_ || dc / tile_ >= across_)
      return RC_BAD_WINDOW;
    Tile& t = At(dr / tile_, dc / tile_);
    if (t.added || !SameWindow(w, TileWindow(dr / tile_, dc / tile_)) || s.hasRange != ClassMap())
      return RC_BAD_WINDOW;
    t.added = true;
    zeros_ += s.zeros;
    t.label.assign(s.value.size(), 0);
  }
  if (s.hasRange) {
    low_ = hasRange_ ? std::min(low_, s.low) : s.low;
    high_ = hasRange_ ? std::max(high_, s.high) : s.high;
    hasRange_ = true;
  }
  if (!s.rangeOnly) {
    const long dr = w.firstRow - window_.firstRow, dc = w.firstColumn - window_.firstColumn;
    At(dr / tile_, dc / tile_).summary = std::move(s);
  }
  return RC_OK;
}

void TileJoin::Order() {
  forest_.Add();
  value_.assign(1, 0);
  count_.assign(1, 0);
  first_.assign(1, 0);
  std::vector<uint32_t> next(static_cast<size_t>(across_));
  for (long down = 0; down < down_; ++down) {
    std::fill(next.begin(), next.end(), 1);
    const long rows = TileWindow(down, 0).rows;
    for (long i = 0; i < rows; ++i)
      for (long across = 0; across < across_; ++across) {
        Tile& t = At(down, across);
        const TileSummary& s = t.summary;
        const uint32_t columns = uint32_t(s.window.columns);
        const uint64_t row = uint64_t(s.window.firstRow - window_.firstRow + i);
        const uint64_t column = uint64_t(s.window.firstColumn - window_.firstColumn);
        for (uint32_t& m = next[across]; m <= s.Regions() && s.first[m] / columns == uint32_t(i); ++m) {
          t.label[m] = forest_.Add();
          value_.push_back(s.value[m]);
          count_.push_back(s.count[m]);
          first_.push_back(row * uint64_t(window_.columns) + column + s.first[m] % columns);
        }
      }
  }
}

void TileJoin::JoinBorders() {
  const bool eight = EightNeighbours(neighbours_);
  auto join = [&](uint64_t a, uint64_t b) { forest_.Join(a, b); };
  auto corner = [&](const Tile& a, uint32_t la, const Tile& b, uint32_t lb) {
    const int64_t v = a.summary.ValueOf(la);
    if (v != 0 && v == b.summary.ValueOf(lb)) forest_.Join(a.label[la], b.label[lb]);
  };
  for (long down = 0; down < down_; ++down)
    for (long across = 0; across < across_; ++across) {
      const Tile& a = At(down, across);
      if (across + 1 < across_) {
        const Tile& b = At(down, across + 1);
        const Border left(a.summary, a.summary.right, a.label), right(b.summary, b.summary.left, b.label);
        JoinAcrossBorder(left.values.data(), left.labels.data(), right.values.data(), right.labels.data(),
                         long(left.labels.size()), eight, join);
      }
      if (down + 1 < down_) {
        const Tile& c = At(down + 1, across);
        const Border upper(a.summary, a.summary.bottom, a.label), lower(c.summary, c.summary.top, c.label);
        JoinAcrossBorder(upper.values.data(), upper.labels.data(), lower.values.data(), lower.labels.data(),
                         long(upper.labels.size()), eight, join);
      }
      // Tiles that meet at a corner only touch there, diagonally.
      if (eight && down + 1 < down_ && across + 1 < across_) {
        const Tile &b = At(down, across + 1), &c = At(down + 1, across), &d = At(down + 1, across + 1);
        corner(a, a.summary.bottom.back(), d, d.summary.top.front());
        corner(b, b.summary.bottom.front(), c, c.summary.top.back());
      }
    }
}

bool TileJoin::Number(long& regions) {
  std::vector<uint64_t>& parent = forest_.Parents();
  uint64_t joined = 0;
  if (!NumberRoots(parent, count_, value_, first_, joined)) return false;
  count_.resize(joined + 1);
  value_.resize(joined + 1);
  first_.resize(joined + 1);
  // Sieves keep the regions of threshold pixels or more, in their order.
  number_.assign(joined + 1, 0);
  uint64_t kept = 0;
  for (uint64_t m = 1; m <= joined; ++m)
    if (mode_ == ZT_TILES_CLUMP || long(count_[m]) >= threshold_) number_[m] = ++kept;
  for (Tile& t : tiles_) {
    for (uint64_t& l : t.label) l = number_[parent[l]];
    t.summary = TileSummary{};
  }
  std::vector<uint64_t>().swap(parent);
  regions = long(kept);
  return true;
}

long TileJoin::WriteStatistics(const char* path, long regions) const {
  const long columns = window_.columns;
  long zeros = mode_ == ZT_TILES_SIEVE ? input_.zeroPixels : zeros_;
  for (uint64_t m = 1; m < number_.size(); ++m)
    if (!number_[m]) zeros += long(count_[m]);
  // Sieve of a clump image: the class value of each kept clump from the
  // line of its number in the input statistics, whose every line the
  // regions are checked against.
  ClumpTables t;
  if (mode_ == ZT_TILES_SIEVE) {
    int64_t highest = 0;
    for (uint64_t m = 1; m < number_.size(); ++m) highest = std::max(highest, value_[m]);
    if (long rc = ReadClumpLines(inputStatistics_.c_str(), long(highest), bandRows_ * bandColumns_, t)) return rc;
    const bool wholeBand = window_.rows == bandRows_ && columns == bandColumns_;
    for (uint64_t m = 1; m < number_.size(); ++m)
      if (!AgreesWithClumpLine(t, long(m), long(value_[m]), long(count_[m]), long(first_[m]), columns, wholeBand))
        return RC_INPUT_FILE_FAILED;
  }
  if (!path) return mode_ == ZT_TILES_SIEVE_MAP ? RC_OK : RC_NULL_ARGUMENT;
  const char* title = mode_ == ZT_TILES_CLUMP ? kClumpTitle : kSieveTitle;
  const long classCount = mode_ == ZT_TILES_SIEVE ? input_.classCount : ClassCountOf(low_, high_);
  const int neighbours = mode_ == ZT_TILES_SIEVE ? input_.neighbours : neighbours_;
  uint64_t m = 0;
  const bool written = WriteClumpStatistics(path, title, classCount, neighbours, zeros, regions, [&] {
    do ++m;
    while (!number_[m]);
    const long first = long(first_[m]);
    const long value = mode_ == ZT_TILES_SIEVE ? t.classValue[value_[m]] : long(value_[m]);
    return ClumpLine{long(number_[m]), value, first % columns, first / columns, long(count_[m])};
  });
  return written ? RC_OK : RC_REPORT_OPEN_FAILED;
}

long TileJoin::Resolve(const char* statisticsPath, long& regions) {
  regions = 0;
  // Once only: the tiles' tables make way for their numbers.
  if (forest_.Size() != 0) return RC_BAD_WINDOW;
  for (const Tile& t : tiles_)
    if (!t.added) return RC_BAD_WINDOW;
  if (ClassMap() && outsideCells_ != bandRows_ * bandColumns_ - window_.rows * window_.columns) return RC_BAD_WINDOW;
  if (!statisticsPath && mode_ != ZT_TILES_SIEVE_MAP) return RC_NULL_ARGUMENT;
  Order();
  JoinBorders();
  long kept = 0;
  if (!Number(kept)) return RC_CANCELLED;
  if (long rc = WriteStatistics(statisticsPath, kept)) return rc;
  regions = kept;
  return RC_OK;
}

long TileJoin::Numbers(long firstRow, long firstColumn, TileNumbers& numbers) const {
  const long dr = firstRow - window_.firstRow, dc = firstColumn - window_.firstColumn;
  if (number_.empty() || dr < 0 || dc < 0 || dr % tile_ || dc % tile_ || dr / tile_ >= down_ || dc / tile_ >= across_)
    return RC_BAD_WINDOW;
  const Tile& t = tiles_[size_t((dr / tile_) * across_ + dc / tile_)];
  numbers.window = TileWindow(dr / tile_, dc / tile_);
  numbers.numbers.resize(t.label.size());
  std::transform(t.label.begin(), t.label.end(), numbers.numbers.begin(),
                 [](uint64_t n) { return uint32_t(std::min<uint64_t>(n, UINT32_MAX)); });
  return RC_OK;
}

}  // namespace zt
