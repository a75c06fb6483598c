#pragma once
// Where the AOIs of an image come from, and their pixel-space geometry.
#include <gdal_priv.h>

#include <string>
#include <vector>

#include "ztservices/geometry.h"

namespace ztsvc {

struct AoiData {
  std::string name;
  unsigned char red = 0, green = 0, blue = 0;
  int aoiType = 3;
  std::string remark;
  // One point sequence per polygon; holes are encoded as described in
  // ztservices/geometry.h.
  std::vector<std::vector<ZTPOINT>> polygons;
};

struct AoiSources {
  std::string filePath;  // empty: no file
  std::string classField;
  bool pixelCoordinates = false;  // the file's coordinates are pixel/line positions
  std::vector<AoiData> inMemory;

  // Uses "<image>.aoi.gpkg" or "<image>.aoi.geojson" when one exists.
  void FindSidecar(const std::string& imagePath);
  // All AOIs: those of the file, then those held in memory. Returns 0 or an
  // error code when the file cannot be read.
  long Load(GDALDataset* image, std::vector<AoiData>& out) const;
};

// Reads the AOIs of a vector file in the pixel space of image (see
// ztRSAttachAOIFile); a failure leaves its reason for ztRSLastAOIError.
long LoadAoiFile(const std::string& path, const std::string& classField, bool pixelCoordinates, GDALDataset* image,
                 std::vector<AoiData>& out);

// Copies text into a fixed field of size bytes, cut at a UTF-8 character
// boundary so that it fits with its terminating zero.
void CopyUtf8(const std::string& text, char* field, size_t size);

ZTPOINT MakePoint(double x, double y);

}  // namespace ztsvc
