#include "cell_cache.h"

#include <algorithm>

#include "dataset.h"
#include "io_failure.h"
#include "ztclass/result_codes.h"
#include "ztservices/imagebase.h"
#include "ztservices/raster.h"

namespace ztsvc {

CellCache::CellCache(RSDataset* ds) : dataset(ds), band_(ds->bands[0].gdal) {
  band_->GetBlockSize(&blockColumns_, &blockRows_);
}

CellCache::~CellCache() { Flush(); }

bool CellCache::WriteBack(Block& block) {
  if (!block.dirty) return true;
  block.dirty = false;
  ResetIOReason();
  if (band_->RasterIO(GF_Write, block.x * blockColumns_, block.y * blockRows_, block.width, block.height,
                      block.cells.data(), block.width, block.height, GDT_Float64, 0, 0, nullptr) == CE_None &&
      !GdalFailed())
    return true;
  NoteIOFailure("writing", *dataset, 1, block.y * blockRows_, block.height);
  return false;
}

bool CellCache::Flush() {
  bool ok = true;
  for (Block& block : blocks_) ok = WriteBack(block) && ok;
  return ok;
}

CellCache::Block* CellCache::Find(long row, long column) {
  if (row < 0 || column < 0 || row >= band_->GetYSize() || column >= band_->GetXSize()) return nullptr;
  const int bx = static_cast<int>(column / blockColumns_), by = static_cast<int>(row / blockRows_);
  if (!blocks_.empty() && blocks_.front().x == bx && blocks_.front().y == by) return &blocks_.front();
  for (auto it = blocks_.begin(); it != blocks_.end(); ++it)
    if (it->x == bx && it->y == by) {
      blocks_.splice(blocks_.begin(), blocks_, it);
      return &blocks_.front();
    }
  if (blocks_.size() == kBlocks) {
    if (!WriteBack(blocks_.back())) return nullptr;
    blocks_.splice(blocks_.begin(), blocks_, std::prev(blocks_.end()));
  } else {
    blocks_.emplace_front();
    blocks_.front().cells.resize(static_cast<size_t>(blockColumns_) * blockRows_);
  }
  Block& block = blocks_.front();
  block.x = bx;
  block.y = by;
  block.width = std::min(blockColumns_, band_->GetXSize() - bx * blockColumns_);
  block.height = std::min(blockRows_, band_->GetYSize() - by * blockRows_);
  ResetIOReason();
  if (band_->RasterIO(GF_Read, bx * blockColumns_, by * blockRows_, block.width, block.height, block.cells.data(),
                      block.width, block.height, GDT_Float64, 0, 0, nullptr) != CE_None ||
      GdalFailed()) {
    NoteIOFailure("reading", *dataset, 1, by * blockRows_, block.height);
    block.x = block.y = -1;
    return nullptr;
  }
  return &block;
}

bool CellCache::Get(long row, long column, double& value) {
  Block* block = Find(row, column);
  if (!block) return false;
  value = block->cells[(row - block->y * blockRows_) * block->width + (column - block->x * blockColumns_)];
  return true;
}

bool CellCache::Set(long row, long column, double value) {
  Block* block = Find(row, column);
  if (!block) return false;
  block->cells[(row - block->y * blockRows_) * block->width + (column - block->x * blockColumns_)] = value;
  block->dirty = true;
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
