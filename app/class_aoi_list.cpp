#include "class_aoi_list.h"

#include "cli_support.h"
#include "ztclass/samples.h"
#include "ztservices/raster.h"

namespace ztcli {

ClassAoiList::ClassAoiList(void* image, const std::string& aoiFile, const std::string& classField) {
  if (!aoiFile.empty() &&
      ztRSAttachAOIFile(image, aoiFile.c_str(), classField.empty() ? nullptr : classField.c_str()) != 0)
    throw CommandError("cannot read AOIs from '" + aoiFile + "'" +
                       (classField.empty() ? "" : " with class field '" + classField + "'"));
  Check(ztRSAllocAOIInfo(image, &editor_), "loading the AOIs");
  bool has = false;
  Check(ztHasClassAOI(editor_, has), "listing the class AOIs");
  if (!has) return;
  long count = 0;
  Check(ztGetClassAOINum(editor_, count), "counting the class AOIs");
  aois_.resize(count);
  Check(ztGetClassAOIInfo(editor_, count, aois_.data()), "reading the class AOIs");
}

ClassAoiList::~ClassAoiList() { ztRSFreeAOIInfo(editor_); }

}  // namespace ztcli
