#pragma once
#include "ztservices/raster.h"

namespace zt {

// Pyramid layer 1 of a dataset, open for the guard's lifetime.
class PyramidLayer {
 public:
  explicit PyramidLayer(void* dataset) : dataset_(dataset) { ztRSOpenPyramidLayer(dataset_, 1); }
  ~PyramidLayer() { ztRSClosePyramidLayer(dataset_); }
  PyramidLayer(const PyramidLayer&) = delete;
  PyramidLayer& operator=(const PyramidLayer&) = delete;

 private:
  void* dataset_;
};

}  // namespace zt
