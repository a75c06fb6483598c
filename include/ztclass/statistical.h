#pragma once
// Supervised statistical classifiers. Each reads the class AOIs that the
// source's AOI editor holds (class k is the k-th class AOI), classifies the
// processing window (rows, columns, first row, first column) of the listed
// bands and writes a class image of the window's size into band 1 of result,
// with a colour table and class records: 0 unclassified (rejected), 255 for
// no-data pixels.
//
// Factor arrays (float) hold one entry per class AOI, indexed by class
// number - 1; a null array that a test needs gives RC_NULL_ARGUMENT. More than
// 255 class AOIs give RC_BAD_WINDOW (class numbers are bytes).
#include "ztclass/export.h"

// Minimum distance to the class means, then rejection of pixels further than
// deviationFactors[k-1] standard deviations, or maxDeviations[k-1], from the
// winning mean in any band.
ZTCLASS_API long ztMiniDistA(void* source, long* bands, long bandCount, void* result, long rows,
                             long columns, long firstRow, long firstColumn, float* deviationFactors,
                             float* maxDeviations);
// The same with each rejection test switched on or off.
ZTCLASS_API long ztMiniDistANew(void* source, long* bands, long bandCount, void* result, long rows,
                                long columns, long firstRow, long firstColumn, int useDeviationTest,
                                float* deviationFactors, int useMaxTest, float* maxDeviations);

// Parallelepiped: the first class, in class order, whose box of
// +- deviationFactors[k-1] standard deviations holds the pixel in every band.
ZTCLASS_API long ztJDBoxA(void* source, long* bands, long bandCount, void* result, long rows,
                          long columns, long firstRow, long firstColumn, float* deviationFactors);
// The same; the int argument is not used.
ZTCLASS_API long ztJDBoxANew(void* source, long* bands, long bandCount, void* result, long rows,
                             long columns, long firstRow, long firstColumn, int unused,
                             float* deviationFactors);

// Generalized minimum distance, weighted by the inverse of each class's
// scatter matrix (second moments of the raw values), with rejection beyond
// deviationFactors[k-1] standard deviations. A class whose scatter matrix is
// singular (fewer training pixels than bands, dependent bands) ends the call
// with RC_SINGULAR_MATRIX before any pixel is written.
ZTCLASS_API long ztGYMiniDistA(void* source, long* bands, long bandCount, void* result, long rows,
                               long columns, long firstRow, long firstColumn,
                               float* deviationFactors);
ZTCLASS_API long ztGYMiniDistANew(void* source, long* bands, long bandCount, void* result,
                                  long rows, long columns, long firstRow, long firstColumn,
                                  int useDeviationTest, float* deviationFactors);

// Gaussian maximum likelihood with equal priors, trained on the pixels of
// the class AOIs over the whole image. threshold is not used. A class whose
// covariance is singular ends the call with RC_SINGULAR_COVARIANCE before any
// pixel is written.
ZTCLASS_API long MaxLiklihoodClass(void* source, long* bands, long bandCount, double threshold,
                                   void* result, long rows, long columns, long firstRow,
                                   long firstColumn);
