#pragma once
// What the sample tests share: a real image with its class AOIs, the cells
// gathered from it, and the class mask read back pixel by pixel.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "samples/class_aois.h"
#include "samples/class_mask.h"
#include "services/aoi_editor_handle.h"
#include "test_support.h"
#include "ztclass/result_codes.h"
#include "ztclass/samples.h"
#include "ztservices/raster.h"

// A GeoTIFF written from value and opened; Load() reads its class AOIs.
struct AoiImage {
  zttest::TempDir dir;
  zttest::Handle ds;
  zt::AoiEditorHandle editor;
  std::vector<AOI> aois;
  AoiImage(const zttest::RasterSpec& spec, const std::function<double(int, int, int)>& value) {
    zttest::WriteGeoTiff(dir.File("image.tif"), spec, value);
    ds.reset(ztRSOpen(dir.File("image.tif").c_str(), 0));
  }
  long Load() { return zt::LoadClassAois(ds.get(), editor, aois); }
};

// Gathered cells, freed when they go.
struct Cells {
  AOICELL* cells = nullptr;
  long count = 0;
  ~Cells() { ztFreeAOICellSet(cells, count); }
};

// The class of every pixel of the source, row-major, as the mask's runs give it.
inline std::vector<int> MaskPixels(void* source, const zt::ClassMask& mask) {
  const long columns = ztRSGetRasterXSize(source), rows = ztRSGetRasterYSize(source);
  std::vector<int> pixels(columns * rows, 0);
  for (long r = 0; r < rows; ++r) {
    long previous = -1;
    mask.Row(r, 0, columns - 1, [&](long first, long last, int k) {
      EXPECT_GT(first, previous) << "row " << r;
      EXPECT_LE(first, last) << "row " << r;
      previous = last;
      for (long c = first; c <= last; ++c) pixels[r * columns + c] = k;
    });
  }
  return pixels;
}
