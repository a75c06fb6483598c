#pragma once
// Report figures for programs: the class areas and the accuracy figures
// behind the text reports of ztExportClsSizeInfo and ztAccuracyAppraise,
// with the text report itself written on request in the language in force
// (ztservices/language.h).
#include "ztclass/export.h"

// Units of class areas.
enum { ZT_AREA_M2 = 0, ZT_AREA_HA = 1, ZT_AREA_KM2 = 2 };

typedef struct {
  long value;                // class number
  char name[128];            // class name (UTF-8)
  unsigned long long count;  // pixels of the class
  double area;               // in the unit asked for
} ZTClassArea;

// Measures every class record of classImage (band 1): pixel count and area
// in unit, by the cell size (its map unit taken to metres), or on the
// ellipsoid for an image in a geographic coordinate system (*geodesic then
// 1). Fills areas (room for capacity entries) and *count with the class
// count; a capacity below it gives RC_BAD_WINDOW. When reportPath is not
// null, also writes the text report there as ztExportClsSizeInfo does,
// naming classInfoFile. Returns 0 or a result code.
ZTCLASS_API long ztMeasureClassAreas(void* classImage, int unit, const char* classInfoFile, const char* reportPath,
                                     ZTClassArea* areas, long capacity, long* count, int* geodesic);

// The figures of an accuracy assessment of n classes (n = the class image's
// class count), in arrays the caller provides.
typedef struct {
  long* matrix;              // (n + 1) x n, row-major: row = class in the map
                             // (0 unclassified), column = reference class 1..n
  long* referenceCounts;     // n: samples per reference class (column totals)
  long* mapCounts;           // n + 1: samples per class in the map (row totals)
  double* producerAccuracy;  // n: the class accuracy (1 for a class without samples)
  double* userAccuracy;      // n: diagonal / map count of the class (1 when 0)
  long sampleCount;          // samples in all, points off the image included
  double overallAccuracy;
  double kappa;
} ZTAccuracyFigures;

// Runs the assessment of ztAccuracyAppraise (same arguments and result
// codes) and fills figures for classCount classes, which must be the class
// image's (RC_BAD_WINDOW otherwise). The report is written when reportPath
// is not null, with the tables whose flags are set.
ZTCLASS_API long ztAccuracyFigures(void* classImage, const char* reportPath, const char* coordinateFile,
                                   const char* classFile, void* reference, bool errorMatrix, bool classAccuracy,
                                   bool overallAccuracy, bool kappa, long classCount, ZTAccuracyFigures* figures);
