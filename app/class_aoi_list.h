#pragma once
#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "ztclass/records.h"

class CAOIEditor;

namespace ztcli {

// The class AOIs of an image, as the library lists them, with the image's
// AOI editor kept open while the records are in use.
// The --aoi-pixels flag: coordinates of the polygons are pixel/line
// positions of the image, whatever its georeferencing and the file's
// coordinate system.
void AddAoiPixelsFlag(CLI::App& command, bool& pixelCoordinates);

// Why training cannot start when the image has no class AOI: names the
// training file when one was given (aoiFile not empty), else asks for one.
std::string NoClassAoiReason(const std::string& image, const std::string& aoiFile);

class ClassAoiList {
 public:
  // Attaches aoiFile (when not empty) to the image and lists its class AOIs;
  // pixelCoordinates: the file's coordinates are pixel/line positions.
  ClassAoiList(void* image, const std::string& aoiFile, const std::string& classField, bool pixelCoordinates);
  ~ClassAoiList();
  ClassAoiList(const ClassAoiList&) = delete;
  ClassAoiList& operator=(const ClassAoiList&) = delete;

  std::vector<AOI>& Aois() { return aois_; }

 private:
  CAOIEditor* editor_ = nullptr;
  std::vector<AOI> aois_;
};

}  // namespace ztcli
