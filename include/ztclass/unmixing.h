#pragma once
// Decomposition of mixed pixels into class fractions by a linear spectral
// model.
#include "ztclass/export.h"
#include "ztclass/records.h"

// Decomposes every pixel of the processing window (rows, columns, first row,
// first column) of the listed bands into the fractions of classCount classes,
// one per AOI of classAois. The endmember of class k is the mean spectrum of
// the training pixels of AOI k that lie within one standard deviation of
// their class mean in every band; band values are scaled by 1/255 throughout,
// whatever the pixel type (the fractions do not depend on a common scale of
// the values, and the matrices are judged singular by their correlation
// form, not their absolute determinant).
// With no more classes than bands the fractions are the least-squares
// solution; with more, a weighted solver whose normal matrix is singular by
// construction (its rank is at most the band count), so it normally ends with
// the singular-matrix code of the matrix inverse. Negative fractions become
// 0 and the others are rescaled to sum 1; a pixel with no positive fraction
// gets 0 in every band.
//
// result must have classCount bands (else RC_ENDMEMBER_BAND_MISMATCH before
// any work); band k receives the fraction of class k at window-relative
// positions, converted to the result's pixel type (an integer type truncates
// every fraction to 0 or 1). Pixels whose first listed band lies within 1e-6
// of the source's no-data value, and pixels without a finite value in some
// band, get the no-data value in every band (0 when there is none), and the
// result bands declare it. A class without training pixels left after
// purification gives RC_TOO_FEW_SAMPLES before any pixel is written.
ZTCLASS_API long ztLinearDecompose(void* source, long* bands, long bandCount, AOI* classAois, long classCount,
                                   void* result, long rows, long columns, long firstRow, long firstColumn);
