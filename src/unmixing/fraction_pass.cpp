#include "unmixing/fraction_pass.h"

#include <algorithm>
#include <cmath>

#include "frame/missing_value.h"
#include "frame/progress_session.h"
#include "unmixing/unmixing_model.h"

namespace zt {

namespace {

// How far from a whole number rounding may leave a fraction that is one in
// truth (a pure pixel's 0.9999999999999998): far below what a real mixture
// tells apart.
constexpr double kWholeFractionTolerance = 1e-9;

}  // namespace

FractionPass::FractionPass(void* source, const long* bands, long bandCount, void* result, long classCount,
                           const Window& window)
    : pass_(source, bands, bandCount, result, window), result_(result), classCount_(classCount), w_(window) {}

long FractionPass::Open() {
  if (long rc = pass_.Open()) return rc;
  resultType_ = ztRSGetDatasetType(result_);
  resultBands_.clear();
  for (long k = 1; k <= classCount_; ++k) {
    void* band = ztRSGetRasterBand(result_, k);
    if (!band) return RC_ENDMEMBER_BAND_MISMATCH;
    resultBands_.push_back(band);
  }
  rowFractions_.assign(classCount_, std::vector<double>(pass_.BlockColumns()));
  pixel_.assign(pass_.BandCount(), 0.0);
  fractions_.assign(classCount_, 0.0);
  if (long rc = typedRow_.Allocate(resultType_, pass_.BlockColumns())) return rc;
  // The no-data value as the result's type holds it (saturated, truncated),
  // so that the pixels and the bands' declaration agree.
  const NoDataRule& noData = pass_.NoData();
  noDataFraction_ = noData.active && std::isfinite(noData.value) ? noData.value : 0.0;
  ztConvNDValues(&noDataFraction_, resultType_, typedRow_.Data(), 1);
  ztRSConvValue(resultType_, typedRow_.Data(), noDataFraction_);
  return RC_OK;
}

void FractionPass::DecomposeRow(const Matrix& p, const BandScaling& scaling, long rowStart, long width) {
  const std::vector<double*>& bands = pass_.BandBuffers();
  const NoDataRule rule = WithinMillionth(pass_.NoData());
  const long bandCount = pass_.BandCount();
  for (long i = 0; i < width; ++i) {
    bool noData = rule.Holds(bands[0][rowStart + i]);
    for (long b = 0; b < bandCount && !noData; ++b) {
      const double v = bands[b][rowStart + i];
      noData = IsMissingValue(v);
      pixel_[b] = scaling.Apply(b, v);
    }
    if (noData)
      std::fill(fractions_.begin(), fractions_.end(), noDataFraction_);
    else
      PixelFractions(p, pixel_.data(), fractions_.data());
    for (long k = 0; k < classCount_; ++k) rowFractions_[k][i] = fractions_[k];
  }
}

long FractionPass::WriteRow(const ClassificationPass::Rect& r, long y) {
  const long width = r.x1 - r.x0;
  for (long k = 0; k < classCount_; ++k) {
    // An integer type truncates: a fraction a hair below 1 would become 0.
    if (!IsFloatingType(resultType_))
      for (long i = 0; i < width; ++i) {
        double& f = rowFractions_[k][i];
        if (std::fabs(f - std::round(f)) <= kWholeFractionTolerance) f = std::round(f);
      }
    ztConvNDValues(rowFractions_[k].data(), resultType_, typedRow_.Data(), width);
    if (long rc = ztRSRasterIO(resultBands_[k], ZTRS_Write, r.x0 - w_.firstColumn, y - w_.firstRow, width, 1,
                               typedRow_.Data(), width, 1, resultType_, 0, 0))
      return rc;
  }
  return RC_OK;
}

long FractionPass::Run(int captionId, const Matrix& p, const BandScaling& scaling) {
  const long rc = pass_.ForEachRow(captionId, [&](const ClassificationPass::Rect& r, long y) {
    DecomposeRow(p, scaling, (y - r.y0) * (r.x1 - r.x0), r.x1 - r.x0);
    return WriteRow(r, y);
  });
  if (rc != RC_OK) return rc;
  // A no-data value that a fraction can take (the common 0 of imagery) is
  // not declared: the readers of the result would hide every pixel where a
  // class is absent along with the pixels that had no values.
  const NoDataRule& noData = pass_.NoData();
  if (noData.active && std::isfinite(noData.value) && (noDataFraction_ < 0 || noDataFraction_ > 1))
    for (void* band : resultBands_) ztRSSetRasterNoDataValue(band, noDataFraction_);
  return RC_OK;
}

}  // namespace zt
