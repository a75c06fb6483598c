#pragma once
// Raster adapter service: values of single pixels, one call per value.
//
// A reader belongs to one open dataset (a handle of the raster dataset
// service). With option kZtRAOptionRowCache the reader keeps, per band, the
// piece of a row it read last (4096 columns), so walking a regular grid of
// pixels row by row costs one read per band and piece rather than one per
// value, and memory stays small whatever the image's width; without it
// every value is read on its own. Values are those of ztRSRasterIO followed
// by ztRSConvValue: exact, in the dataset's own pixel type converted to
// double.
//
// A reader is given back in three steps, always in this order:
// ztRAReleaseCache (drops the rows in hand), ztRACloseReader (detaches it
// from the dataset) and ztRAFreeReader (frees the handle). Each accepts a
// null handle.
#include "ztservices/export.h"

constexpr long kZtRAOptionRowCache = 1;

// mode is reserved and must be 0. Null for a null dataset or another mode.
ZTSERVICES_API void* ztRAOpenReader(void* dataset, long mode);
// Returns 0, or 2000004 for a null handle or an unknown option.
ZTSERVICES_API long ztRASetReaderOption(void* reader, long option);
// Stores the value of band (numbered from 1) at (row, column) in *value.
// reserved must be 0. Returns 0, 2000004 for a null handle or pointer, or
// 4000015 for a band or position outside the dataset.
ZTSERVICES_API long ztRAReadValue(void* reader, long band, long row, long column, double* value,
                                  long reserved);
ZTSERVICES_API long ztRAReleaseCache(void* reader);
ZTSERVICES_API long ztRACloseReader(void* reader);
ZTSERVICES_API long ztRAFreeReader(void* reader);
