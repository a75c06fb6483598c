#include "samples/class_aois.h"

#include "frame/entry.h"
#include "ztclass/result_codes.h"
#include "ztclass/samples.h"
#include "ztservices/geometry.h"

namespace zt {

namespace {

long ReadAllAois(CAOIEditor* editor, std::vector<AOI>& all) {
  long n = 0;
  if (long rc = ztRSGetAOINums(editor, &n)) return rc;
  all.assign(n > 0 ? n : 0, AOI{});
  if (n > 0)
    if (long rc = ztRSGetAOIInfo(editor, all.data())) return rc;
  return RC_OK;
}

}  // namespace

long ListClassAois(CAOIEditor* editor, std::vector<AOI>& classAois) {
  if (!editor) return RC_NULL_ARGUMENT;
  std::vector<AOI> all;
  if (long rc = ReadAllAois(editor, all)) return rc;
  classAois.clear();
  for (const AOI& aoi : all)
    if (aoi.aoiType == ZT_CLASS_AOI_TYPE) classAois.push_back(aoi);
  return RC_OK;
}

long CheckClassAoiPolygons(const std::vector<AOI>& classAois) {
  for (const AOI& aoi : classAois) {
    void* polygons = nullptr;
    if (long rc = ztGetPolygonPointerOfAoi(&aoi, &polygons)) return rc;
    if (aoi.polygonCount == 0 || !polygons) return RC_AOI_WITHOUT_POLYGON;
  }
  return RC_OK;
}

long LoadClassAois(void* source, AoiEditorHandle& editor, std::vector<AOI>& classAois) {
  if (long rc = editor.Allocate(source)) return rc;
  bool has = false;
  if (long rc = ztHasClassAOI(editor.Get(), has)) return rc;
  if (!has) return RC_NO_CLASS_AOI;
  if (long rc = ListClassAois(editor.Get(), classAois)) return rc;
  if (long rc = CheckClassAoiPolygons(classAois)) return rc;
  // Class numbers are bytes.
  return classAois.size() > kMaxClassAois ? RC_BAD_WINDOW : RC_OK;
}

}  // namespace zt

using namespace zt;

long ztHasClassAOI(CAOIEditor* editor, bool& has) {
  return Guarded([&] {
    has = false;
    long n = 0;
    if (!editor || ztRSGetAOINums(editor, &n) != 0 || n == 0) return RC_OK;
    std::vector<AOI> classAois;
    long rc = ListClassAois(editor, classAois);
    has = rc == RC_OK && !classAois.empty();
    return rc;
  });
}

long ztGetClassAOINum(CAOIEditor* editor, long& count) {
  return Guarded([&] {
    std::vector<AOI> classAois;
    long rc = ListClassAois(editor, classAois);
    if (rc == RC_OK) count = static_cast<long>(classAois.size());
    return rc;
  });
}

long ztGetClassAOIInfo(CAOIEditor* editor, long count, AOI* aois) {
  return Guarded([&] {
    std::vector<AOI> classAois;
    if (long rc = ListClassAois(editor, classAois)) return rc;
    if (classAois.empty()) return RC_OK;
    if (!aois) return RC_NULL_ARGUMENT;
    std::copy(classAois.begin(), classAois.end(), aois);
    return RC_OK;
  });
}
