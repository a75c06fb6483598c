#pragma once
#include <vector>

#include "aoi_source.h"
#include "ztclass/records.h"

// The AOIs of one image, as records whose polygon pointers point into the
// editor's own storage; valid until the editor is released.
class CAOIEditor {
 public:
  explicit CAOIEditor(std::vector<ztsvc::AoiData> aois);
  CAOIEditor(const CAOIEditor&) = delete;
  CAOIEditor& operator=(const CAOIEditor&) = delete;

  const std::vector<AOI>& Records() const { return records_; }

 private:
  std::vector<ztsvc::AoiData> aois_;
  std::vector<std::vector<ZTPOLYGON>> polygons_;
  std::vector<AOI> records_;
};
