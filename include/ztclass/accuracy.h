#pragma once
// Accuracy assessment of a class image.
#include "ztclass/export.h"

// Compares band 1 of classImage, whose class records (names) give the class
// count n, with reference samples and writes a UTF-8 text report to
// reportPath: the error matrix, the class accuracies, the overall accuracy
// and the Kappa coefficient, each table when its flag is set.
//
// File mode, when reference is null and both file paths are given: up to 500
// check points, map coordinates from coordinateFile ("count x y x y ...") and
// their reference classes from classFile ("count k k ..."). A file that
// cannot be read, or a class number or class value outside 1..n (0..n for
// values) gives RC_INPUT_FILE_FAILED (-1); a class 1..n that no point names
// RC_CLASS_WITHOUT_CHECK_POINTS; counts that differ, are below 1 or are no
// whole number give RC_INPUT_COUNT_MISMATCH (-2), a count above 500
// RC_TOO_MANY_CHECK_POINTS. Points off the class image count in the sample
// total only.
//
// A failed read of either image gives RC_RASTER_IO_FAILED.
//
// AOI mode otherwise: every pixel inside class AOI k of reference is a sample
// of class k, and the class image is read at the same row and column, so the
// two must share one pixel grid (the class image itself, with reference
// polygons attached, always does). A null reference gives RC_NULL_ARGUMENT;
// no class AOI RC_NO_CLASS_AOI; a class AOI count other than n, or a class
// value outside 0..n, RC_AOI_WITHOUT_POLYGON. Reference pixels off the class
// image count in the sample total only.
//
// A class image with more than 255 class records gives RC_BAD_WINDOW. No
// report is written when a failure occurs; one that cannot be written gives
// RC_REPORT_OPEN_FAILED.
ZTCLASS_API long ztAccuracyAppraise(void* classImage, const char* reportPath, const char* coordinateFile,
                                    const char* classFile, void* reference, bool errorMatrix, bool classAccuracy,
                                    bool overallAccuracy, bool kappa);
