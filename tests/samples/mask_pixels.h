#pragma once
#include <vector>

#include "samples/class_mask.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

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
