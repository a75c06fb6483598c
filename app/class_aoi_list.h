#pragma once
#include <string>
#include <vector>

#include "ztclass/records.h"

class CAOIEditor;

namespace ztcli {

// The class AOIs of an image, as the library lists them, with the image's
// AOI editor kept open while the records are in use.
class ClassAoiList {
 public:
  // Attaches aoiFile (when not empty) to the image and lists its class AOIs.
  ClassAoiList(void* image, const std::string& aoiFile, const std::string& classField);
  ~ClassAoiList();
  ClassAoiList(const ClassAoiList&) = delete;
  ClassAoiList& operator=(const ClassAoiList&) = delete;

  std::vector<AOI>& Aois() { return aois_; }

 private:
  CAOIEditor* editor_ = nullptr;
  std::vector<AOI> aois_;
};

}  // namespace ztcli
