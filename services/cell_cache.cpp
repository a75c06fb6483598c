#include "cell_cache.h"

#include <algorithm>

#include "dataset.h"
#include "ztclass/result_codes.h"
#include "ztservices/imagebase.h"
#include "ztservices/raster.h"

namespace ztsvc {

CellCache::CellCache(RSDataset* ds) : dataset(ds), band(ds->bands[0].gdal) {
  band->GetBlockSize(&blockColumns, &blockRows);
  block.resize(static_cast<size_t>(blockColumns) * blockRows);
}

CellCache::~CellCache() { Flush(); }

bool CellCache::Flush() {
  if (!dirty) return true;
  dirty = false;
  return band->RasterIO(GF_Write, blockX * blockColumns, blockY * blockRows, width, height,
                        block.data(), width, height, GDT_Float64, 0, 0, nullptr) == CE_None;
}

bool CellCache::Load(long row, long column) {
  if (row < 0 || column < 0 || row >= band->GetYSize() || column >= band->GetXSize()) return false;
  int bx = static_cast<int>(column / blockColumns), by = static_cast<int>(row / blockRows);
  if (bx == blockX && by == blockY) return true;
  if (!Flush()) return false;
  blockX = bx;
  blockY = by;
  width = std::min(blockColumns, band->GetXSize() - bx * blockColumns);
  height = std::min(blockRows, band->GetYSize() - by * blockRows);
  if (band->RasterIO(GF_Read, bx * blockColumns, by * blockRows, width, height, block.data(), width,
                     height, GDT_Float64, 0, 0, nullptr) != CE_None) {
    blockX = blockY = -1;
    return false;
  }
  return true;
}

bool CellCache::Get(long row, long column, double& value) {
  if (!Load(row, column)) return false;
  value = block[(row - blockY * blockRows) * width + (column - blockX * blockColumns)];
  return true;
}

bool CellCache::Set(long row, long column, double value) {
  if (!Load(row, column)) return false;
  block[(row - blockY * blockRows) * width + (column - blockX * blockColumns)] = value;
  dirty = true;
  return true;
}

}  // namespace ztsvc

using namespace ztsvc;

long ztGetCell(void* handle, long row, long column, double* value) {
  auto* cells = static_cast<CellCache*>(handle);
  if (!cells || !value) return RC_NULL_ARGUMENT;
  return cells->Get(row, column, *value) ? 0 : ZTRS_ERR_IO;
}

long ztSetCell(void* handle, long row, long column, double value) {
  auto* cells = static_cast<CellCache*>(handle);
  if (!cells) return RC_NULL_ARGUMENT;
  return cells->Set(row, column, value) ? 0 : ZTRS_ERR_IO;
}

long ztCloseZtiFileForReadWrite(void* handle) {
  auto* cells = static_cast<CellCache*>(handle);
  if (!cells) return RC_NULL_ARGUMENT;
  return ztRSClose(cells->dataset);
}
