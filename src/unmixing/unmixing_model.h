#pragma once
// The linear mixing model: endmember spectra from purified training cells,
// the least-squares unmixing matrix, and the fractions of one pixel.
#include "unmixing/matrix_ops.h"
#include "ztclass/records.h"

namespace zt {

// E, bandCount rows x classCount columns: column k is the mean of the cells
// of class k + 1. A class without cells has no spectrum: RC_TOO_FEW_SAMPLES.
long EndmemberMatrix(const AOICELL* cells, long cellCount, long bandCount, long classCount, Matrix& e);

// P, classCount rows x bandCount columns. With no more classes than bands
// the ordinary least-squares inverse (EᵀE)⁻¹Eᵀ; with more, the weighted
// inverse (MᵀWM)⁻¹MᵀW of E stacked on itself (M) under W = identity blocks
// on the diagonal and ones elsewhere, of which the first bandCount columns
// are kept. A normal matrix that cannot be inverted, or whose correlation
// form is singular, gives MatrixInverse's code; with more classes than bands
// its rank is at most the band count, so that solver ends there.
long UnmixingMatrix(const Matrix& e, Matrix& p);

// The fractions of pixel vector y (p.columns values, on the scale of E):
// least-squares fractions, negative ones set to 0, the rest divided by their
// sum. When nothing positive is left every fraction is 0.
void PixelFractions(const Matrix& p, const double* y, double* fractions);

}  // namespace zt
