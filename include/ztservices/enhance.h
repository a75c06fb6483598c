#pragma once
// Image enhancement service: 256-entry display tables for one band.
//
// A display table maps an input level t (0..255) to a display level
// (0..255). Input levels are the band's values mapped onto 0..255 the way a
// classifier colours its classes: for 8-bit bands the value itself; for
// every other type t = trunc((v - lo) * 255 / (hi - lo)) with lo and hi the
// band's exact minimum and maximum (ztRSGetRasterStatistics(band, 0, 1, ...)).
// The stretches that need a histogram take it over those 256 levels from
// every pixel of the band (ztRSGetRasterHistogram, not approximate, values
// outside the range counted in the end levels). N is the number of pixels counted, H(t) the number at
// level t and C(t) = H(0) + ... + H(t). "round" rounds halves away from 0,
// and every display level is clamped to 0..255.
//
// Clip points (Root, Square, Linear, Invert): a is the lowest level with
// C(a) >= lowClip * N and b the lowest with C(b) >= highClip * N (lowClip
// 0.005 and highClip 0.995 cut 0.5 % of the pixels at each end); a minimum
// or maximum argument that is not negative replaces a or b. With
// u(t) = (t - a) / (b - a) clamped to 0..1 (u = 0 for t <= a, 1 above, when
// b <= a):
//   Linear  round(255 * u)
//   Root    round(255 * sqrt(u))
//   Square  round(255 * u * u)
//   Invert  255 - round(255 * u)
// Without clip points:
//   None       t (the identity)
//   Equalize   round(255 * C(t) / N): histogram equalisation
//   Normalize  mean m and standard deviation s of the levels (each level
//              weighted by H); linear from m - factor*s to m + factor*s:
//              round(255 * (t - m + factor*s) / (2*factor*s)); s = 0 gives
//              the identity
//   Adaptive   contrast-limited equalisation: every H(t) is cut at
//              L = 2 * N / 256 (twice the height of a flat histogram), the
//              cut pixels are spread evenly over all 256 levels, and the
//              table is round(255 * C'(t) / N) of the new histogram; this
//              stretches crowded ranges without letting one huge peak take
//              the whole display range
// An empty histogram (N = 0) gives the identity.
//
// Each returns 0, or 2000004 for a null dataset or table or a band the
// dataset lacks, or the code of a failed statistics or histogram call.
// The reserved pointers must be null.
#include "ztservices/export.h"

ZTSERVICES_API long ztComImgNoneALayer(void* dataset, long band, unsigned short* table);
ZTSERVICES_API long ztComImgAdaptiveALayer(void* dataset, long band, unsigned short* table,
                                           void* reserved);
ZTSERVICES_API long ztComImgEqualizeALayer(void* dataset, long band, unsigned short* table,
                                           void* reserved);
ZTSERVICES_API long ztComImgNormalizeALayer(void* dataset, long band, unsigned short* table,
                                            double factor, void* reserved);
ZTSERVICES_API long ztComImgRootALayer(void* dataset, long band, unsigned short* table,
                                       double minimum, double maximum, float lowClip,
                                       float highClip, void* reserved);
ZTSERVICES_API long ztComImgSquareALayer(void* dataset, long band, unsigned short* table,
                                         double minimum, double maximum, float lowClip,
                                         float highClip, void* reserved);
ZTSERVICES_API long ztComImgLinearALayer(void* dataset, long band, unsigned short* table,
                                         double minimum, double maximum, float lowClip,
                                         float highClip, void* reserved);
ZTSERVICES_API long ztComImgInvertALayer(void* dataset, long band, unsigned short* table,
                                         double minimum, double maximum, float lowClip,
                                         float highClip, void* reserved);
