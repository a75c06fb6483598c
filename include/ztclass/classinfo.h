#pragma once
// Class records of class images, their storage, colours and recoding.
//
// Storage: an image in the zti format (a GeoTIFF whose name ends in .zti)
// keeps its records in the note of band 1; any other image in a file beside
// it, named like the image with everything after the last dot replaced by
// "cls" ("dir/tm.img" -> "dir/tm.cls"; a path without a dot gives "cls").
// The path is built in full however long it is: it is never cut to 255 bytes.
#include "ztclass/export.h"
#include "ztclass/records.h"

// Writes a class-information file: the 25-byte header
// "ZT_CLASS_INFO_FILEHEAD1.0", a signed 32-bit count, count 260-byte records.
// Returns 0 always, as the host expects, even if the file cannot be created.
ZTCLASS_API long ztWriteClassInfo(const char* path, long count, CLASSATTINFO* records);

// Number of class records of an image. A band note holding n bytes counts as
// n / 260 records (a note beginning with ".seg" is counted too); notes hold
// at most 2^31 - 1 bytes. A class-information file's count is trusted only
// as far as the file holds: a count below 0, a count missing, or a count of
// more records than follow it gives RC_CLS_FILE_BAD_HEADER. The count is so
// never more than (file size - 29) / 260, which bounds what a caller
// allocates for the records.
ZTCLASS_API long ztRSReadClsNum(void* image, long& count);

// Copies the first count records into records (260 x count bytes). From a
// file holding fewer whole records, the rest of the buffer is left as it was.
// From a band note, more records than the note holds give
// RC_CLASS_INFO_IO_FAILED.
ZTCLASS_API long ztRSReadClassInfo(void* image, long count, CLASSATTINFO* records);

// Replaces the image's class records. A band note takes at most
// (2^31 - 1) / 260 records; more give RC_CLASS_INFO_IO_FAILED.

ZTCLASS_API long ztRSWriteClassInfo(void* image, long count, CLASSATTINFO* records);

// Gives a class result its colour table and class records: entry 0 black;
// with class AOIs entry k takes the colour of AOI k-1 and record k-1 its name
// and remark; without (classAois null) the colours are spread over the step
// colour ramp lut/step.lut of the system directory and the classes are named
// Class_1, Class_2, ... A step file that is missing, unreadable, holds no
// colour (a count of 0 or below) or is shorter than its count claims leaves
// the grey ramp (or the table's earlier colours) in place: it is never an
// error. The colours are read only once the file's size shows that it holds
// them all, so the count never drives an allocation beyond the file.
ZTCLASS_API long ztRSWriteClassAtt(void* dataset, void* band, long n, AOI* classAois);

// Recodes: every pixel of source band 1 equal to oldValues[i] (first match)
// gets newValues[i] in result band 1; other result pixels stay as they are.
// Works over the extent the two images have in common, a row at a time.
ZTCLASS_API long ztSaveEditedCls2Zti(void* source, unsigned char* oldValues, void* result,
                                     unsigned char* newValues, long count);
