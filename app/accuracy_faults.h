#pragma once
// Why an accuracy assessment failed, in the words of its inputs: the
// check-point file, line and entry the library could not take, the classes
// no check point names, the check point on a pixel of no class.
#include <string>
#include <vector>

#include "ztclass/records.h"

namespace ztcli {

// What resultCode of an assessment of classImage, whose class records are
// records, means: with check points (fileMode) from classFile and
// pointFile, or against reference polygons. Empty when there is nothing to
// add to the code.
std::string AccuracyFault(long resultCode, bool fileMode, void* classImage, const std::vector<CLASSATTINFO>& records,
                          const std::string& classFile, const std::string& pointFile);

// Refuses a class image without georeferencing before an assessment with
// check points, which are given in map coordinates: GDAL's default of one
// unit a pixel would place them anywhere.
void RequireCheckPointGrid(void* classImage, const std::string& image);

// Refuses reference polygons of no class, or of another class count
// (referenceClasses) than the class image's: class k of the polygons is
// compared with class k of the image.
void RequireReferenceClasses(size_t referenceClasses, size_t classes);

}  // namespace ztcli
