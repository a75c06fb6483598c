#include "class_aoi_list.h"

#include <gdal.h>
#include <ogr_api.h>

#include <cstring>

#include "cli_support.h"
#include "ztclass/samples.h"
#include "ztservices/raster.h"

namespace ztcli {

namespace {

// The training file's first layer, where the polygons are read from, must
// have the field; otherwise say which fields it has.
void CheckClassField(const std::string& aoiFile, const std::string& classField) {
  EnsureGdal();
  GDALDatasetH vector = GDALOpenEx(aoiFile.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
  if (!vector) throw CommandError("cannot read AOIs from '" + aoiFile + "'");
  OGRLayerH layer = GDALDatasetGetLayerCount(vector) > 0 ? GDALDatasetGetLayer(vector, 0) : nullptr;
  OGRFeatureDefnH defn = layer ? OGR_L_GetLayerDefn(layer) : nullptr;
  std::string fields;
  bool found = false;
  for (int i = 0; defn && i < OGR_FD_GetFieldCount(defn); ++i) {
    const char* name = OGR_Fld_GetNameRef(OGR_FD_GetFieldDefn(defn, i));
    fields += std::string(fields.empty() ? "" : ", ") + name;
    found = found || EQUAL(name, classField.c_str());
  }
  GDALClose(vector);
  if (!found)
    throw UsageError("--class-field: '" + aoiFile + "' has no field '" + classField + "' (its fields: " +
                     (fields.empty() ? "none" : fields) + ")");
}

// A class name goes into class files, listings and styles, where a tab or a
// line break would read as structure. The name is cut at the record's
// length, which may split a character: only control characters count.
void CheckClassName(const AOI& aoi, const std::string& aoiFile) {
  const std::string name(aoi.name, strnlen(aoi.name, sizeof aoi.name));
  for (size_t at = 0; at < name.size();)
    if (IsControlCharacter(NextCharacter(name, at)))
      throw CommandError((aoiFile.empty() ? std::string("the image's training polygons") : "'" + aoiFile + "'") +
                         ": the class name '" + Printable(name) +
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
  return "'" + aoiFile + "' holds no class AOI for '" + image + "': no feature, or none of type 3 (a class)";
}

ClassAoiList::ClassAoiList(void* image, const std::string& aoiFile, const std::string& classField,
                           bool pixelCoordinates) {
  if (!aoiFile.empty() && !classField.empty()) CheckClassField(aoiFile, classField);
  ztRSSetAOIPixelCoordinates(image, pixelCoordinates ? 1 : 0);
  const long rc = aoiFile.empty()
                      ? 0
                      : ztRSAttachAOIFile(image, aoiFile.c_str(), classField.empty() ? nullptr : classField.c_str());
  if (rc == ZTRS_ERR_AOI_CRS)
    throw CommandError("'" + aoiFile + "': " + ztRSLastAOIError() +
                       "; give --aoi-pixels if its coordinates are pixel/line positions of the image");
  if (rc != 0 && *ztRSLastAOIError()) throw CommandError("'" + aoiFile + "': " + ztRSLastAOIError());
  if (rc != 0)
    throw CommandError("cannot read AOIs from '" + aoiFile + "'" +
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
    for (const AOI& aoi : aois_) CheckClassName(aoi, aoiFile);
  } catch (...) {
    ztRSFreeAOIInfo(editor_);
    throw;
  }
}

ClassAoiList::~ClassAoiList() { ztRSFreeAOIInfo(editor_); }

}  // namespace ztcli
