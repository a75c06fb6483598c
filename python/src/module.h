#pragma once
// The native part of the Python package. Its functions take paths and
// positional arguments; the package's Python modules give them their
// keyword signatures and documentation.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <cpl_error.h>

#include <optional>
#include <string>
#include <vector>

#include "result_options.h"

namespace ztpy {

// The image a call writes, as the command line's result options give it,
// and the window of the source it covers (XOFF, YOFF, XSIZE, YSIZE, as
// GDAL's tools spell it; none: the whole image).
struct Result {
  std::string format = "GTiff", type = "Byte";
  std::vector<std::string> creationOptions;
  bool overwrite = false;
  std::optional<std::vector<long>> window;

  ztcli::MethodOptions Method(const std::string& output) const;
};

// GDAL's messages quiet on the calling thread for one call: the call
// reports its failures itself, with GDAL's reason. The host's own handler
// (its log, GDAL's Python bindings) stays as the host set it for the rest.
struct QuietGdal {
  QuietGdal() { CPLPushErrorHandler(CPLQuietErrorHandler); }
  ~QuietGdal() { CPLPopErrorHandler(); }
  QuietGdal(const QuietGdal&) = delete;
  QuietGdal& operator=(const QuietGdal&) = delete;
};

void AddPostClass(pybind11::module_& module);
void AddTiledResult(pybind11::module_& module);
void AddTiles(pybind11::module_& module);
void AddModels(pybind11::module_& module);

}  // namespace ztpy
