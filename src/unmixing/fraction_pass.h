#pragma once
// The block-wise pass of the decomposition: the window is read one block of
// all listed bands at a time, every pixel is decomposed into one fraction
// per class, and each finished row of each class is written to that class's
// band of the result at window-relative positions.
#include <vector>

#include "frame/band_scaling.h"
#include "frame/classification_pass.h"
#include "frame/window.h"
#include "services/value_buffer.h"
#include "unmixing/matrix_ops.h"

namespace zt {

class FractionPass {
 public:
  FractionPass(void* source, const long* bands, long bandCount, void* result, long classCount, const Window& window);

  // Band handles of the band list; a band the source lacks gives RC_BAD_WINDOW.
  long LookUpBands() { return pass_.LookUpBands(); }
  // Opens both datasets, takes types, block size and no-data, and allocates
  // the buffers. Call after the progress bar has started.
  long Open();

  const std::vector<void*>& Bands() const { return pass_.Bands(); }
  const NoDataRule& NoData() const { return pass_.NoData(); }

  // Decomposes every pixel of the window, its values under scaling (that of
  // the endmembers), with unmixing matrix p (classes x bands) under sub
  // caption captionId. A pixel whose first listed band lies
  // within 1e-6 of the no-data value, or that lacks a finite value in some
  // band, gets the no-data value, as the result's type holds it, as every
  // fraction (0 when that is no number), so no NaN reaches the result; the
  // result bands then declare it when no fraction can take it. A result of an
  // integer type takes fractions within 1e-9 of a whole number as that
  // number before truncating.
  long Run(int captionId, const Matrix& p, const BandScaling& scaling);

 private:
  void DecomposeRow(const Matrix& p, const BandScaling& scaling, long rowStart, long width);
  long WriteRow(const ClassificationPass::Rect& r, long y);

  // The source side: blocks, band buffers, no-data.
  ClassificationPass pass_;
  void* result_;
  long classCount_;
  Window w_;

  std::vector<void*> resultBands_;
  ZTRSDataType resultType_ = ZTRS_Unknown;
  double noDataFraction_ = 0.0;
  std::vector<std::vector<double>> rowFractions_;  // [class][pixel of the row]
  std::vector<double> pixel_, fractions_;
  ValueBuffer typedRow_;
};

}  // namespace zt
