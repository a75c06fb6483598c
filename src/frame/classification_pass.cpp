#include "frame/classification_pass.h"

#include <algorithm>

namespace zt {

long ClassificationPass::LookUpBands() {
  if (bandCount_ > 0 && !bandNumbers_) return RC_NULL_ARGUMENT;
  bandHandles_.clear();
  for (long b = 0; b < bandCount_; ++b) {
    void* band = ztRSGetRasterBand(source_, bandNumbers_[b]);
    if (!band) return RC_BAD_WINDOW;
    bandHandles_.push_back(band);
  }
  return bandHandles_.empty() ? RC_BAD_WINDOW : RC_OK;
}

long ClassificationPass::Open() {
  ztRSOpenPyramidLayer(source_, 1);
  sourceType_ = BandsReadType(bandHandles_.data(), bandCount_);
  if (sourceType_ == ZTRS_Unknown) return RC_UNSUPPORTED_PIXEL_TYPE;
  // A pass that only trains reads the source and writes nothing.
  if (result_) {
    ztRSOpenPyramidLayer(result_, 1);
    resultType_ = ztRSGetDatasetType(result_);
    resultBand_ = ztRSGetRasterBand(result_, 1);
    if (!resultBand_) return RC_NULL_ARGUMENT;
  }
  if (long rc = ztRSGetBlockSize(bandHandles_[0], &blockColumns_, &blockRows_)) return rc;
  if (blockColumns_ < 1 || blockRows_ < 1) return RC_BAD_WINDOW;
  const long bandValues = std::max(1L, kMaxBlockValues / bandCount_);
  if (blockColumns_ * blockRows_ > bandValues) {
    blockRows_ = std::max(1L, bandValues / blockColumns_);
    blockColumns_ = std::min(blockColumns_, bandValues);
  }

  const long blockValues = blockColumns_ * blockRows_;
  bandBuffers_.assign(bandCount_, std::vector<double>(blockValues));
  bandPointers_.clear();
  for (auto& buffer : bandBuffers_) bandPointers_.push_back(buffer.data());
  if (long rc = typedBlock_.Allocate(sourceType_, blockValues)) return rc;
  if (result_)
    if (long rc = typedResult_.Allocate(resultType_, blockValues)) return rc;

  int flag = 0;
  noData_.value = ztRSGetRasterNoDataValue(bandHandles_[0], &flag);
  noData_.active = flag == 1;
  return RC_OK;
}

ClassificationPass::Rect ClassificationPass::BlockRect(long rowBlock, long columnBlock) const {
  Rect r;
  r.y0 = std::max(rowBlock * blockRows_, w_.firstRow);
  r.y1 = std::min({(rowBlock + 1) * blockRows_, w_.firstRow + w_.rows, ztRSGetRasterYSize(source_)});
  r.x0 = std::max(columnBlock * blockColumns_, w_.firstColumn);
  r.x1 = std::min({(columnBlock + 1) * blockColumns_, w_.firstColumn + w_.columns,
                   ztRSGetRasterXSize(source_)});
  return r;
}

ClassificationPass::Walk ClassificationPass::BeginWalk(int captionId) {
  Walk walk;
  const long firstRowBlock = w_.firstRow / blockRows_;
  walk.endRowBlock = (w_.firstRow + w_.rows + blockRows_ - 1) / blockRows_;
  walk.firstColumnBlock = w_.firstColumn / blockColumns_;
  walk.endColumnBlock = (w_.firstColumn + w_.columns + blockColumns_ - 1) / blockColumns_;
  BeginPhase(captionId, walk.endRowBlock - firstRowBlock + 1);
  walk.rowBlock = firstRowBlock - 1;
  walk.columnBlock = walk.endColumnBlock;
  return walk;
}

bool ClassificationPass::NextBlock(Walk& walk, Rect& r, long& rc) {
  for (;;) {
    if (++walk.columnBlock >= walk.endColumnBlock) {
      if (++walk.rowBlock >= walk.endRowBlock) return false;
      if (StepAndCheckStop()) {
        rc = RC_CANCELLED;
        return false;
      }
      stopPoll_.Restart();
      walk.columnBlock = walk.firstColumnBlock;
    }
    r = BlockRect(walk.rowBlock, walk.columnBlock);
    if (r.x1 <= r.x0 || r.y1 <= r.y0) continue;
    if (walk.columnBlock > walk.firstColumnBlock && stopPoll_.StopRequested()) {
      rc = RC_CANCELLED;
      return false;
    }
    return true;
  }
}

long ClassificationPass::ReadBlock(const Rect& r, const std::vector<double*>& bands) {
  const long width = r.x1 - r.x0, height = r.y1 - r.y0;
  for (long b = 0; b < bandCount_; ++b) {
    if (long rc = ztRSRasterIO(bandHandles_[b], ZTRS_Read, r.x0, r.y0, width, height, typedBlock_.Data(), width,
                               height, sourceType_, 0, 0))
      return rc;
    ztRSConvNValues(sourceType_, typedBlock_.Data(), width * height, bands[b]);
  }
  return RC_OK;
}

// The whole block in one write: the same pixels as row by row, with one
// call into the raster service instead of one per row.
long ClassificationPass::WriteBlock(const Rect& r, const double* classes) {
  const long width = r.x1 - r.x0, height = r.y1 - r.y0;
  ztConvNDValues(classes, resultType_, typedResult_.Data(), width * height);
  return ztRSRasterIO(resultBand_, ZTRS_Write, r.x0 - w_.firstColumn, r.y0 - w_.firstRow, width, height,
               typedResult_.Data(), width, height, resultType_, 0, 0);
}

}  // namespace zt
