#pragma once
// Post-classification: clump, sieve and eliminate, chained through a clump
// image and a statistics text file (UTF-8; eliminate also reads clump files
// that older versions wrote in GBK).
//
// All three take the processing window (rows, columns, first row, first
// column) of the source band and write window-relative results. Result codes
// besides those of the frame: RC_BAD_WINDOW for a band either dataset lacks or
// a window outside the source; RC_INPUT_FILE_FAILED (-1) for an input
// statistics file that cannot be read or is shorter or other than its layout;
// RC_REPORT_OPEN_FAILED when the output statistics file cannot be written;
// RC_WORK_FILE_FAILED (1) when a temporary file cannot be made. None of these
// writes any output. Temporary files go to a directory of the call's own
// under the working directory and are removed at the end of the call.
#include "ztclass/export.h"

// Splits a class image into clumps of equal class value (neighbours 8: the
// 8-neighbourhood, anything else: the 4-neighbourhood). The result band gets
// each pixel's clump number (1, 2, ... in scan order of their first pixels;
// class 0 keeps 0); the statistics file one line per clump.
ZTCLASS_API long ztClassClump(void* source, long sourceBand, void* result, long resultBand,
                              const char* statisticsPath, long rows, long columns, long firstRow,
                              long firstColumn, int neighbours);

// Sets clumps of fewer than threshold pixels to 0 and renumbers the others in
// scan order, keeping their class values in the new statistics file.
ZTCLASS_API long ztClassSieve(void* source, long sourceBand, const char* inputStatistics, void* result,
                              long resultBand, const char* outputStatistics, long rows, long columns,
                              long firstRow, long firstColumn, long threshold);

// Turns a clump image back into a class image, merging every clump of fewer
// than threshold pixels into its largest neighbouring clump. A class value
// above the class count of the statistics gives RC_BAD_WINDOW.
ZTCLASS_API long ztClassEliminate(void* source, long sourceBand, const char* inputStatistics, void* result,
                                  long resultBand, const char* outputStatistics, long rows, long columns,
                                  long firstRow, long firstColumn, long threshold);
