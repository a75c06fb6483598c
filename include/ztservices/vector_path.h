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

}  // namespace ztsvc
