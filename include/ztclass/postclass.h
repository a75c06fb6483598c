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
//
// Limits, checked before anything is allocated for them:
// - Class images: every pixel of the source band (no-data pixels too) must be
//   a finite value that truncates into the 32-bit signed range; the class
//   count is taken from the minimum and maximum over all of them. Otherwise
//   RC_BAD_WINDOW.
// - Clump images (sieve, eliminate): no clump number may exceed the band's
//   pixel count; otherwise RC_BAD_WINDOW.
// - Statistics files: a class count from 0 to 2^32 (what clump can write),
//   for eliminate from 0 to ZT_MAX_ELIMINATE_CLASSES; a block-0 count and
//   clump pixel counts from 0 to the band's pixel count; as many clump lines
//   as the clump image has clumps. Otherwise RC_INPUT_FILE_FAILED.
#include "ztclass/export.h"

// Eliminate keeps a pixel total per class and writes one line per class, up
// to the class count of its statistics file or the highest class value of
// its clumps, whichever is larger: it takes class counts and class values up
// to this, enough for every 8- and 16-bit class image.
constexpr long ZT_MAX_ELIMINATE_CLASSES = 65536;

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
// below 0 or above ZT_MAX_ELIMINATE_CLASSES, on any clump line that the clump
// image's numbers reach, gives RC_BAD_WINDOW.
ZTCLASS_API long ztClassEliminate(void* source, long sourceBand, const char* inputStatistics, void* result,
                                  long resultBand, const char* outputStatistics, long rows, long columns,
                                  long firstRow, long firstColumn, long threshold);
