#pragma once
// Cell access to band 1 of a dataset through a small cache of whole blocks,
// least recently used first out, written back when changed. Region growing
// walks back and forth across block borders, so one block in hand is not
// enough.
#include <gdal_priv.h>

#include <list>
#include <vector>

namespace ztsvc {

struct RSDataset;

struct CellCache {
  static constexpr size_t kBlocks = 64;

  explicit CellCache(RSDataset* dataset);
  ~CellCache();

  bool Get(long row, long column, double& value);
  bool Set(long row, long column, double value);
  // Writes every changed block back; true on success.
  bool Flush();

  RSDataset* dataset;

 private:
  struct Block {
    int x = -1, y = -1;         // block position
    int width = 0, height = 0;  // valid part
    bool dirty = false;
    std::vector<double> cells;
  };

  // The block holding (row, column), loaded when needed; null on failure.
  Block* Find(long row, long column);
  bool WriteBack(Block& block);

  GDALRasterBand* band_;
  int blockColumns_ = 0, blockRows_ = 0;
  std::list<Block> blocks_;  // most recently used first
};

}  // namespace ztsvc
