#pragma once
// Sieve and eliminate straight from a class map, in one call: the clumps
// are found in memory and never written. Each gives exactly what
// ztClassClump followed by ztClassSieve or ztClassEliminate (same window,
// neighbours and threshold) gives, with the same result codes, except that
// a class map eliminate cannot clean (a class value below 0, or a class
// value or class count above ZT_MAX_ELIMINATE_CLASSES) gives
// RC_BAD_WINDOW, there being no statistics file to blame.
//
// outputStatistics: the statistics file the second step would write, or
// null for none.
#include "ztclass/export.h"
#include "ztclass/postclass.h"

// The clumps of fewer than threshold pixels set to 0, the others numbered
// 1, 2, ... in scan order (the sieve of the class map's clumps).
ZTCLASS_API long ztClassSieveMap(void* source, long sourceBand, void* result, long resultBand,
                                 const char* outputStatistics, long rows, long columns, long firstRow,
                                 long firstColumn, int neighbours, long threshold);

// The class map with every clump of fewer than threshold pixels merged into
// its largest neighbouring clump (the elimination of its clumps).
ZTCLASS_API long ztClassEliminateMap(void* source, long sourceBand, void* result, long resultBand,
                                     const char* outputStatistics, long rows, long columns, long firstRow,
                                     long firstColumn, int neighbours, long threshold);
