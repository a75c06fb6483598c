#pragma once
// The image a command writes: its format and pixel type checked before any
// work, created under a temporary name, given its legend, and copied into
// formats that GDAL can only copy into (PNG, JPEG) from a GeoTIFF.
#include <cpl_string.h>

#include <memory>
#include <string>
#include <vector>

#include "cli_support.h"
#include "output_files.h"
#include "result_options.h"
#include "ztclass/records.h"

namespace ztcli {

// KEY=VALUE list for GDAL: given, over the GeoTIFF defaults when geoTiff.
CPLStringList CreationOptions(bool geoTiff, const std::vector<std::string>& given);

// What a result holds: its pixels, or (a VRT) only the placement of tiles
// that were written as files of their own.
enum class Holds { Pixels, Tiles };

class ResultImage {
 public:
  // Checks --of, --ot and --co, and declares the result among outputs by
  // option, the name its caller gave it by (-o on the command line).
  ResultImage(const MethodOptions& options, OutputFiles& outputs, Holds holds = Holds::Pixels,
              const std::string& option = "-o");
  // An image never finished (the command failed or was stopped) is thrown
  // away unwritten: its blocks still in GDAL's cache are not compressed.
  ~ResultImage();
  ResultImage(const ResultImage&) = delete;
  ResultImage& operator=(const ResultImage&) = delete;

  ZTRSDataType Type() const { return type_; }
  const std::string& Output() const { return output_; }

  // Creates the image to write: the window's size and georeferencing, one
  // band (a class image) or more.
  void Create(void* source, const Window& window, long bandCount = 1);
  void* get() const { return dataset_ ? dataset_->get() : nullptr; }

  // After a successful call: the legend of its class records (which are
  // returned; an image without them gets no legend), closing, and the copy
  // into the final format.
  std::vector<CLASSATTINFO> Finish();
  // The finished image under its temporary name, to read back.
  const std::string& Written() const { return temporary_; }

 private:
  OutputFiles& outputs_;
  std::string output_, temporary_, scratch_;
  void* driver_ = nullptr;  // of the raster dataset service
  bool copy_ = false;       // written as a GeoTIFF, then copied
  ZTRSDataType type_;
  std::vector<std::string> creationOptions_;
  std::unique_ptr<Dataset> dataset_;
};

}  // namespace ztcli
