#pragma once
// What the classifying commands share: the source with its training AOIs,
// the result, per-class factor lists, and the finishing touches that make a
// class image open in GIS programs with its names and colours.
#include <CLI/CLI.hpp>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "class_aoi_list.h"
#include "cli_support.h"
#include "result_options.h"

namespace ztcli {

struct ClassifyOptions {
  std::string image, aoiFile, classField, png;
  MethodOptions method;
};

// IMAGE, --aoi, --class-field, --bands, --window, -o/--of/--ot, --png.
void AddClassifyOptions(CLI::App& command, ClassifyOptions& options);

// An open source with its class AOIs, and the band list and window chosen.
struct ClassifyJob {
  explicit ClassifyJob(const ClassifyOptions& options);

  Dataset source;
  std::unique_ptr<ClassAoiList> aois;
  std::vector<long> bands;
  Window window;
  long ClassCount() const { return static_cast<long>(aois->Aois().size()); }
};

// "2.5" for every class, or "1,2,3" with one entry per class AOI.
std::vector<float> ParseFactors(const std::string& text, long classCount, const std::string& option);

// Creates the result, runs classify(result) under the progress bar, then
// gives the result GDAL category names and a raster attribute table from its
// class records, writes the PNG quicklook when asked, and reports.
void RunClassification(const ClassifyOptions& options, ClassifyJob& job,
                       const std::string& what, const std::function<long(void* result)>& classify);

}  // namespace ztcli
