#pragma once
// Unsupervised statistical classifiers. Each learns from a regular grid of
// samples of the processing window (rows, columns, first row, first column):
// every interval-th pixel in both directions, starting at the window's first
// pixel. Initial class centres are chosen by the max-min distance rule: the
// first is the image's first pixel (ISODATA: the window's), each further one
// the sample furthest from all chosen so far (the earliest on a tie).
// Samples join their nearest centre to form the initial classes; a class
// that receives none is left out, and its number never occurs in the result.
//
// The result, band 1 of result, receives one class number per window pixel,
// with a colour table and class records up to the highest class number it
// holds; no-data pixels (a band equal to the first listed band's no-data
// value, or NaN) get 255. The class count K is 1..255 (ISODATA 1..256); an
// interval or band count below 1 gives RC_BAD_WINDOW, as does a display band
// outside 1..bandCount. Without samples to learn from: RC_TOO_FEW_SAMPLES.
//
// The New variants colour and name the classes from the final class means of
// the three display bands (positions into the band list, red, green, blue; null
// for step colours): 8-bit bands give the mean as the level, other types the
// mean stretched from the band's minimum..maximum onto 0..255.
#include "ztclass/export.h"

// Nearest class mean (squared Euclidean distance).
ZTCLASS_API long ztFJDMiniDist(void* source, long* bands, long bandCount, unsigned long classCount,
                               long interval, void* result, long rows, long columns, long firstRow,
                               long firstColumn);
ZTCLASS_API long ztFJDMiniDistNew(void* source, long* bands, long bandCount, unsigned long classCount,
                                  long interval, void* result, long rows, long columns, long firstRow,
                                  long firstColumn, long* displayBands);

// Boxes of +-2 standard deviations around the initial class means: value 1
// for a pixel in no box, k + 1 for the first class k whose box holds it (the
// bands examined in order, a no-data value noticed only in a band the
// examination reaches).
ZTCLASS_API long ztFJDBox(void* source, long* bands, long bandCount, unsigned long classCount, long interval,
                          void* result, long rows, long columns, long firstRow, long firstColumn);
ZTCLASS_API long ztFJDBoxNew(void* source, long* bands, long bandCount, unsigned long classCount,
                             long interval, void* result, long rows, long columns, long firstRow,
                             long firstColumn, long* displayBands);

// Distance weighted by the inverse of each class's scatter matrix (second
// moments of its samples' raw values). The samples' classes are written into
// the result first, so its type must hold 1..K exactly (else RC_BAD_WINDOW).
// A singular scatter matrix gives RC_MATRIX_NOT_INVERTIBLE.
ZTCLASS_API long ztFJDGYMiniDist(void* source, long* bands, long bandCount, unsigned long classCount,
                                 long interval, void* result, long rows, long columns, long firstRow,
                                 long firstColumn);
ZTCLASS_API long ztFJDGYMiniDistNew(void* source, long* bands, long bandCount, unsigned long classCount,
                                    long interval, void* result, long rows, long columns, long firstRow,
                                    long firstColumn, long* displayBands);

// ISODATA: iterative clustering of the samples with deletion of clusters of
// at most minClassSize / interval^2 samples, convergence when every
// cluster's band-mean sum changes by at most convergence (relative), splitting
// (at most K clusters) of wide clusters along their widest band, and
// merging (more than K) of up to maxMerges pairs closer than mergeThreshold in
// deviation-normalised distance. maxIterations 0 classifies by the initial
// centres. Splitting stops at 254 clusters; deleting every cluster gives
// RC_TOO_FEW_SAMPLES. stretchMode 0..7 (none, adaptive, equalize, normalize,
// root, square, linear, invert; any other value gives RC_BAD_WINDOW) picks
// the display stretch of the colours.
ZTCLASS_API long ztISODATA(void* source, long* bands, long bandCount, long classCount, float splitThreshold,
                           long maxIterations, float convergence, float mergeThreshold, long minClassSize,
                           long maxMerges, long interval, void* result, long rows, long columns, long firstRow,
                           long firstColumn, long* displayBands, long stretchMode);
