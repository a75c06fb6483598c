#pragma once
#include <gdal.h>

#include <ostream>
#include <string>
#include <vector>

#include "ztclass/records.h"

namespace ztcli {

// The highest class value a command gives: 255 is the class of no-data
// pixels wherever classes go, a saved model's too.
constexpr long kHighestClassValue = 254;

// The class records of an image and where they are kept ("band note" or the
// class file's path). No records (no class file): an empty list, and found
// (when given) false.
std::vector<CLASSATTINFO> ReadClassRecords(void* dataset, std::string& storage, bool* found = nullptr);

// The class records just written to dataset, the result for image, read
// back: the library does not tell of a class file it failed to write, which
// then holds less than it should. That fails as a write naming image's class
// file, with the system's reason where it can be found.
std::vector<CLASSATTINFO> ReadWrittenClassRecords(void* dataset, const std::string& image);

// The class records of the class image at path image for an accuracy
// assessment, which takes record k as the class of pixel value k + 1: an
// image whose records number its classes otherwise (out of order, with
// gaps, after a recode) is refused rather than reported under other
// classes' names. None: an empty list; storage as ReadClassRecords gives it.
std::vector<CLASSATTINFO> ReadRecordsInValueOrder(void* dataset, const std::string& image, std::string& storage);

// Gives result the class records and colour table of the class image at
// path original, so that a map derived from it opens as the original did.
void CopyClasses(const std::string& original, void* result);

// Gives band 1 the legend of exactly its classes: a colour table of the
// entries 0 up to the highest class (and 255 when that is the band's no-data
// value), GDAL category names and a raster attribute table. Formats or pixel
// types that keep no colour table get the names alone.
void PublishLegend(void* dataset, const std::vector<CLASSATTINFO>& records);
void PublishGdalLegend(GDALDatasetH dataset, const std::vector<CLASSATTINFO>& records);

// Entry 0 of band 1's colour table, black when there is none.
void UnclassifiedColour(void* dataset, unsigned char rgb[3]);

// One record a line: number, colour, name, remark, tab-separated.
void PrintClassRecords(std::ostream& out, const std::vector<CLASSATTINFO>& records);

std::string RecordName(const CLASSATTINFO& record);
std::string RecordRemark(const CLASSATTINFO& record);

}  // namespace ztcli
