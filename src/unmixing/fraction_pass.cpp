#include "unmixing/fraction_pass.h"

#include <algorithm>
#include <cmath>

#include "frame/progress_session.h"
#include "unmixing/unmixing_model.h"

namespace zt {

namespace {

constexpr double kNoDataTolerance = 1e-6;

}  // namespace

FractionPass::FractionPass(void* source, const long* bands, long bandCount, void* result, long classCount,
                           const Window& window)
    : source_(source), bandNumbers_(bands), bandCount_(bandCount), result_(result), classCount_(classCount),
      w_(window) {}

FractionPass::~FractionPass() {
  ztRSClosePyramidLayer(source_);
  ztRSClosePyramidLayer(result_);
}

long FractionPass::LookUpBands() {
  bandHandles_.clear();
  for (long b = 0; b < bandCount_; ++b) {
    void* band = ztRSGetRasterBand(source_, bandNumbers_[b]);
    if (!band) return RC_BAD_WINDOW;
    bandHandles_.push_back(band);
  }
  return RC_OK;
}

long FractionPass::Open() {
  ztRSOpenPyramidLayer(source_, 1);
  ztRSOpenPyramidLayer(result_, 1);
  sourceType_ = ztRSGetDatasetType(source_);
  resultType_ = ztRSGetDatasetType(result_);
  resultBands_.clear();
  for (long k = 1; k <= classCount_; ++k) {
    void* band = ztRSGetRasterBand(result_, k);
    if (!band) return RC_ENDMEMBER_BAND_MISMATCH;
    resultBands_.push_back(band);
  }
  if (long rc = ztRSGetBlockSize(bandHandles_[0], &blockColumns_, &blockRows_)) return rc;
  if (blockColumns_ < 1 || blockRows_ < 1) return RC_BAD_WINDOW;

  const long blockValues = blockColumns_ * blockRows_;
  bandBuffers_.assign(bandCount_, std::vector<double>(blockValues));
  rowFractions_.assign(classCount_, std::vector<double>(blockColumns_));
  pixel_.assign(bandCount_, 0.0);
  fractions_.assign(classCount_, 0.0);
  if (long rc = typedBlock_.Allocate(sourceType_, blockValues)) return rc;
  if (long rc = typedRow_.Allocate(resultType_, blockColumns_)) return rc;

  int flag = 0;
  noData_.value = ztRSGetRasterNoDataValue(bandHandles_[0], &flag);
  noData_.active = flag == 1;
  noDataFraction_ = noData_.active && std::isfinite(noData_.value) ? noData_.value : 0.0;
  return RC_OK;
}

FractionPass::Rect FractionPass::BlockRect(long rowBlock, long columnBlock) const {
  Rect r;
  r.y0 = std::max(rowBlock * blockRows_, w_.firstRow);
  r.y1 = std::min({(rowBlock + 1) * blockRows_, w_.firstRow + w_.rows, ztRSGetRasterYSize(source_)});
  r.x0 = std::max(columnBlock * blockColumns_, w_.firstColumn);
  r.x1 = std::min({(columnBlock + 1) * blockColumns_, w_.firstColumn + w_.columns, ztRSGetRasterXSize(source_)});
  return r;
}

void FractionPass::ReadBlock(const Rect& r) {
  const long width = r.x1 - r.x0, height = r.y1 - r.y0;
  for (long b = 0; b < bandCount_; ++b) {
    ztRSRasterIO(bandHandles_[b], ZTRS_Read, r.x0, r.y0, width, height, typedBlock_.Data(), width, height,
                 sourceType_, 0, 0);
    ztRSConvNValues(sourceType_, typedBlock_.Data(), width * height, bandBuffers_[b].data());
  }
}

void FractionPass::DecomposeRow(const Matrix& p, long rowStart, long width) {
  for (long i = 0; i < width; ++i) {
    const double first = bandBuffers_[0][rowStart + i];
    bool noData = noData_.active && std::fabs(first - noData_.value) <= kNoDataTolerance;
    for (long b = 0; b < bandCount_ && !noData; ++b) {
      const double v = bandBuffers_[b][rowStart + i];
      noData = !std::isfinite(v);
      pixel_[b] = v / 255.0;
    }
    if (noData)
      std::fill(fractions_.begin(), fractions_.end(), noDataFraction_);
    else
      PixelFractions(p, pixel_.data(), fractions_.data());
    for (long k = 0; k < classCount_; ++k) rowFractions_[k][i] = fractions_[k];
  }
}

void FractionPass::WriteRow(const Rect& r, long y) {
  const long width = r.x1 - r.x0;
  for (long k = 0; k < classCount_; ++k) {
    ztConvNDValues(rowFractions_[k].data(), resultType_, typedRow_.Data(), width);
    ztRSRasterIO(resultBands_[k], ZTRS_Write, r.x0 - w_.firstColumn, y - w_.firstRow, width, 1, typedRow_.Data(),
                 width, 1, resultType_, 0, 0);
  }
}

long FractionPass::Run(int captionId, const Matrix& p) {
  const long firstRowBlock = w_.firstRow / blockRows_;
  const long endRowBlock = (w_.firstRow + w_.rows + blockRows_ - 1) / blockRows_;
  const long firstColumnBlock = w_.firstColumn / blockColumns_;
  const long endColumnBlock = (w_.firstColumn + w_.columns + blockColumns_ - 1) / blockColumns_;

  BeginPhase(captionId, endRowBlock - firstRowBlock + 1);
  for (long rowBlock = firstRowBlock; rowBlock < endRowBlock; ++rowBlock) {
    if (StepAndCheckStop()) return RC_CANCELLED;
    for (long columnBlock = firstColumnBlock; columnBlock < endColumnBlock; ++columnBlock) {
      const Rect r = BlockRect(rowBlock, columnBlock);
      if (r.x1 <= r.x0 || r.y1 <= r.y0) continue;
      ReadBlock(r);
      for (long y = r.y0; y < r.y1; ++y) {
        DecomposeRow(p, (y - r.y0) * (r.x1 - r.x0), r.x1 - r.x0);
        WriteRow(r, y);
      }
    }
  }
  if (noData_.active && std::isfinite(noData_.value))
    for (void* band : resultBands_) ztRSSetRasterNoDataValue(band, noData_.value);
  return RC_OK;
}

}  // namespace zt
