#pragma once
#include "ztservices/raster.h"

namespace zt {

// The AOI editor of a dataset, released on scope exit.
class AoiEditorHandle {
 public:
  AoiEditorHandle() = default;
  ~AoiEditorHandle() {
    if (editor_) ztRSFreeAOIInfo(editor_);
  }
  AoiEditorHandle(const AoiEditorHandle&) = delete;
  AoiEditorHandle& operator=(const AoiEditorHandle&) = delete;

  long Allocate(void* dataset) { return ztRSAllocAOIInfo(dataset, &editor_); }
  CAOIEditor* Get() const { return editor_; }

 private:
  CAOIEditor* editor_ = nullptr;
};

}  // namespace zt
