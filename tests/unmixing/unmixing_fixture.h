#pragma once
// Scenes for the decomposition tests: a real GeoTIFF, class AOIs read from a
// GeoJSON file of rectangles in pixel coordinates, and a multi-band result.
#include <string>
#include <vector>

#include "test_support.h"
#include "ztclass/records.h"
#include "ztservices/raster.h"

namespace zttest {

// A rectangle with integer corners: by the pixel-centre rule it holds
// columns x0..x1-1 and rows y0..y1-1.
struct PixelRect {
  int x0, y0, x1, y1;
  bool Holds(int c, int r) const { return c >= x0 && c < x1 && r >= y0 && r < y1; }
};

struct UnmixScene {
  TempDir dir;
  RasterSpec spec;
  std::string sourcePath = dir.File("scene.tif");
  std::string resultPath = dir.File("fractions.tif");
  void* source = nullptr;
  void* result = nullptr;
  CAOIEditor* editor = nullptr;
  std::vector<AOI> aois;

  // The source, with the classes attached (see AttachClasses).
  UnmixScene(const RasterSpec& spec, const std::function<double(int, int, int)>& value,
             const std::vector<std::vector<PixelRect>>& classes);
  ~UnmixScene();

  // Writes one GeoJSON feature per rectangle (class k holds rects[k - 1]),
  // attaches the file and lists the class AOIs.
  void AttachClasses(const std::vector<std::vector<PixelRect>>& rects);
  // A result of the given bands and type, every pixel set to fill.
  void MakeResult(int bands, GDALDataType type, int columns, int rows, double fill = 0.0);
  // Band b (from 1) of the result, row-major; closes the result first.
  std::vector<double> ResultBand(int band);
  long Decompose(int rows, int columns, int firstRow, int firstColumn, std::vector<long> bands = {});
};

}  // namespace zttest
