#include "class_aoi_list.h"

#include <cstring>

#include "cli_support.h"
#include "ztclass/samples.h"
#include "ztservices/raster.h"

namespace ztcli {

namespace {

// A class name goes into class files, listings and styles, where a tab or a
// line break would read as structure. The name is cut at the record's
// length, which may split a character: only control characters count.
void CheckClassName(const AOI& aoi, const std::string& aoiFile) {
  const std::string name(aoi.name, strnlen(aoi.name, sizeof aoi.name));
  for (size_t at = 0; at < name.size();)
    if (IsControlCharacter(NextCharacter(name, at)))
      throw CommandError("'" + aoiFile + "': the class name '" + Printable(name) +
                         "' holds a control character; rename the class");
}

}  // namespace

void AddAoiPixelsFlag(CLI::App& command, bool& pixelCoordinates) {
  command.add_flag("--aoi-pixels", pixelCoordinates,
                   "The polygons' coordinates are pixel/line positions of the image (x column, y row), whatever "
                   "coordinate system the file declares");
}

std::string NoClassAoiReason(const std::string& image, const std::string& aoiFile) {
  if (aoiFile.empty()) return "'" + image + "' has no class AOI: give training polygons with --aoi";
  return "'" + aoiFile + "' holds no class AOI for '" + image + "': no feature, or none whose 'type' field is 3 (a class AOI)";
}

ClassAoiList::ClassAoiList(void* image, const std::string& aoiFile, const std::string& classField,
                           bool pixelCoordinates) {
  ztRSSetAOIPixelCoordinates(image, pixelCoordinates ? 1 : 0);
  // The image's own polygons (its sidecar file) are attached as a file
  // given is: read with the class field asked for, and named when they
  // cannot be read.
  const std::string file = aoiFile.empty() ? ztRSGetAOIFile(image) : aoiFile;
  const long rc =
      file.empty() ? 0 : ztRSAttachAOIFile(image, file.c_str(), classField.empty() ? nullptr : classField.c_str());
  // The library names the fields of the layer it reads, which may not be
  // the file's first.
  if (rc == ZTRS_ERR_AOI_FIELD) throw UsageError("--class-field: '" + file + "' has " + ztRSLastAOIError());
  if (rc == ZTRS_ERR_AOI_CRS)
    throw CommandError("'" + file + "': " + ztRSLastAOIError() +
                       "; give --aoi-pixels if its coordinates are pixel/line positions of the image");
  if (rc != 0 && *ztRSLastAOIError()) throw CommandError("'" + file + "': " + ztRSLastAOIError());
  if (rc != 0)
    throw CommandError("cannot read AOIs from '" + file + "'" +
                       (classField.empty() ? "" : " with class field '" + classField + "'"));
  Check(ztRSAllocAOIInfo(image, &editor_), "loading the AOIs");
  // The destructor does not run for a constructor that throws.
  try {
    bool has = false;
    Check(ztHasClassAOI(editor_, has), "listing the class AOIs");
    if (!has) return;
    long count = 0;
    Check(ztGetClassAOINum(editor_, count), "counting the class AOIs");
    aois_.resize(count);
    Check(ztGetClassAOIInfo(editor_, count, aois_.data()), "reading the class AOIs");
    for (const AOI& aoi : aois_) CheckClassName(aoi, file);
  } catch (...) {
    ztRSFreeAOIInfo(editor_);
    throw;
  }
}

ClassAoiList::~ClassAoiList() { ztRSFreeAOIInfo(editor_); }

}  // namespace ztcli
