// AOI vector files (GeoJSON and whatever else GDAL recognises in the bytes),
// attached to an image with and without georeferencing and listed as the
// classifiers list them.
#include <cpl_vsi.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include <vector>

#include "fuzz_support.h"
#include "ztclass/result_codes.h"
#include "ztclass/samples.h"
#include "ztservices/raster.h"

namespace {

constexpr const char* kAoiFile = "/vsimem/aoi.geojson";

// 20 x 20 pixels of 30 m in UTM 33N, and the same without georeferencing.
struct Images {
  void* geo = ztfuzz::NewImage("geo.tif", 20, 20);
  void* plain = ztfuzz::NewImage("plain.tif", 20, 20);
  Images() {
    GDALDatasetH gdal = static_cast<GDALDatasetH>(ztRSGetGDALDataset(geo));
    double transform[6] = {500000, 30, 0, 4000000, 0, -30};
    GDALSetGeoTransform(gdal, transform);
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    OSRImportFromEPSG(srs, 32633);
    GDALSetSpatialRef(gdal, srs);
    OSRDestroySpatialReference(srs);
  }
};

void ListAois(void* image, const char* classField) {
  if (ztRSAttachAOIFile(image, kAoiFile, classField) != 0) return;
  CAOIEditor* editor = nullptr;
  if (ztRSAllocAOIInfo(image, &editor) != 0) ztfuzz::Broken("an attached file not loaded");
  long all = 0, classes = 0;
  bool has = false;
  ztRSGetAOINums(editor, &all);
  std::vector<AOI> records(all);
  if (all) ztRSGetAOIInfo(editor, records.data());
  if (ztHasClassAOI(editor, has) != RC_OK || ztGetClassAOINum(editor, classes) != RC_OK || classes > all ||
      has != (classes > 0))
    ztfuzz::Broken("class AOIs not listed");
  std::vector<AOI> classAois(classes);
  if (classes && ztGetClassAOIInfo(editor, classes, classAois.data()) != RC_OK) ztfuzz::Broken("class AOIs not read");
  ztRSFreeAOIInfo(editor);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Images images;
  VSILFILE* file = VSIFileFromMemBuffer(kAoiFile, const_cast<GByte*>(data), size, FALSE);
  VSIFCloseL(file);
  ListAois(images.geo, nullptr);
  ListAois(images.plain, "class");
  VSIUnlink(kAoiFile);
  return 0;
}
