#include "same_grid.h"

#include <gdal.h>
#include <ogr_srs_api.h>

#include <cmath>

#include "cli_support.h"
#include "ztservices/raster.h"

namespace ztcli {

namespace {

std::string Size(void* dataset) {
  return std::to_string(ztRSGetRasterXSize(dataset)) + " x " + std::to_string(ztRSGetRasterYSize(dataset));
}

// Origins and pixel sizes agree to a millionth of a pixel.
bool SameTransform(const double a[6], const double b[6]) {
  const double tolerance = 1e-6 * std::max(std::fabs(a[1]), std::fabs(a[5]));
  for (int i = 0; i < 6; ++i)
    if (std::fabs(a[i] - b[i]) > tolerance) return false;
  return true;
}

}  // namespace

void RequireSameGrid(void* classImage, void* reference, const std::string& referencePath) {
  const std::string why = "the reference image '" + referencePath + "' must share the class image's pixel grid: ";
  if (ztRSGetRasterXSize(classImage) != ztRSGetRasterXSize(reference) ||
      ztRSGetRasterYSize(classImage) != ztRSGetRasterYSize(reference))
    throw CommandError(why + "it is " + Size(reference) + " pixels, the class image " + Size(classImage));
  auto a = static_cast<GDALDatasetH>(ztRSGetGDALDataset(classImage));
  auto b = static_cast<GDALDatasetH>(ztRSGetGDALDataset(reference));
  double ta[6], tb[6];
  const bool ha = GDALGetGeoTransform(a, ta) == CE_None, hb = GDALGetGeoTransform(b, tb) == CE_None;
  if (ha != hb || (ha && !SameTransform(ta, tb)))
    throw CommandError(why + "their georeferencing differs");
  OGRSpatialReferenceH sa = GDALGetSpatialRef(a), sb = GDALGetSpatialRef(b);
  if (sa && sb && !OSRIsSame(sa, sb)) throw CommandError(why + "their coordinate systems differ");
}

}  // namespace ztcli
