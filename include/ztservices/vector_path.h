#pragma once
// A path to polygons in a vector source of several layers names its layer
// as QGIS and GDAL's tools write it: "FILE|layername=NAME".
#include <string>

#include "ztservices/export.h"

namespace ztsvc {

struct VectorPath {
  std::string file;
  std::string layer;  // empty: none named
};

ZTSERVICES_CLASS VectorPath SplitVectorPath(const std::string& path);

// The training polygons read with an image when none are named: its
// "<image>.aoi.gpkg" or "<image>.aoi.geojson", whichever exists first; ""
// when neither does.
ZTSERVICES_CLASS std::string ImageAoiFile(const std::string& imagePath);

}  // namespace ztsvc
