#pragma once
// Cell access to band 1 of a dataset with the current block in hand.
#include <gdal_priv.h>

#include <vector>

namespace ztsvc {

struct RSDataset;

struct CellCache {
  explicit CellCache(RSDataset* dataset);
  ~CellCache();

  bool Get(long row, long column, double& value);
  bool Set(long row, long column, double value);
  // Writes a changed block back; true on success.
  bool Flush();

  RSDataset* dataset;
  GDALRasterBand* band;
  int blockColumns = 0, blockRows = 0;
  int blockX = -1, blockY = -1;  // block in hand, -1 for none
  int width = 0, height = 0;     // valid part of the block in hand
  bool dirty = false;
  std::vector<double> block;

 private:
  bool Load(long row, long column);
};

}  // namespace ztsvc
