#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "ztclass/records.h"

namespace ztcli {

// The class records of an image and where they are kept ("band note" or the
// class file's path). No records (no class file): an empty list.
std::vector<CLASSATTINFO> ReadClassRecords(void* dataset, std::string& storage);

// Gives band 1 GDAL category names from the class records, so that GIS
// programs show the class names.
void PublishCategoryNames(void* dataset, const std::vector<CLASSATTINFO>& records);

// One record a line: number, colour, name, remark, tab-separated.
void PrintClassRecords(std::ostream& out, const std::vector<CLASSATTINFO>& records);

std::string RecordName(const CLASSATTINFO& record);
std::string RecordRemark(const CLASSATTINFO& record);

}  // namespace ztcli
