#include "aoi_editor.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "dataset.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

using namespace ztsvc;

CAOIEditor::CAOIEditor(std::vector<AoiData> aois) : aois_(std::move(aois)) {
  polygons_.resize(aois_.size());
  records_.resize(aois_.size());
  for (size_t i = 0; i < aois_.size(); ++i) {
    AoiData& aoi = aois_[i];
    for (auto& points : aoi.polygons) {
      ZTPOLYGON polygon{};
      polygon.pointCount = static_cast<uint32_t>(points.size());
      polygon.points = points.data();
      if (!points.empty()) {
        polygon.rect[0] = polygon.rect[2] = points[0].x;
        polygon.rect[1] = polygon.rect[3] = points[0].y;
      }
      for (const ZTPOINT& p : points) {
        // Packed fields are read by value: they may be misaligned.
        const double x = p.x, y = p.y;
        polygon.rect[0] = std::min(polygon.rect[0], x);
        polygon.rect[1] = std::min(polygon.rect[1], y);
        polygon.rect[2] = std::max(polygon.rect[2], x);
        polygon.rect[3] = std::max(polygon.rect[3], y);
      }
      polygons_[i].push_back(polygon);
    }
    AOI& record = records_[i];
    std::memset(&record, 0, sizeof record);
    record.polygonCount = static_cast<uint32_t>(polygons_[i].size());
    CopyUtf8(aoi.name, record.name, sizeof record.name);
    record.red = aoi.red;
    record.green = aoi.green;
    record.blue = aoi.blue;
    record.polygons = polygons_[i].empty() ? nullptr : polygons_[i].data();
    record.aoiType = aoi.aoiType;
    CopyUtf8(aoi.remark, record.remark, sizeof record.remark);
  }
}

long ztRSAttachAOIFile(void* dataset, const char* path, const char* classField) {
  RSDataset* ds = AsDataset(dataset);
  if (!ds || !path) return ZTRS_ERR_BAD_HANDLE;
  // Read once now so that a bad file is reported to the host that attaches
  // it, not later to a classifier.
  std::vector<AoiData> check;
  long rc = LoadAoiFile(path, classField ? classField : "", ds->aois.pixelCoordinates, ds->gdal, check);
  if (rc != 0) return rc;
  ds->aois.filePath = path;
  ds->aois.classField = classField ? classField : "";
  return 0;
}

const char* ztRSGetAOIFile(void* dataset) {
  RSDataset* ds = AsDataset(dataset);
  return ds ? ds->aois.filePath.c_str() : "";
}

long ztRSSetAOIPixelCoordinates(void* dataset, int pixels) {
  RSDataset* ds = AsDataset(dataset);
  if (!ds) return ZTRS_ERR_BAD_HANDLE;
  ds->aois.pixelCoordinates = pixels != 0;
  return 0;
}

long ztRSAddAOI(void* dataset, const char* name, unsigned char red, unsigned char green,
                unsigned char blue, long aoiType, const char* remark, long polygonCount,
                const long* pointCounts, const double* xy) {
  RSDataset* ds = AsDataset(dataset);
  if (!ds || polygonCount < 0 || (polygonCount > 0 && (!pointCounts || !xy)))
    return ZTRS_ERR_BAD_HANDLE;
  AoiData aoi;
  aoi.name = name ? name : "";
  aoi.red = red;
  aoi.green = green;
  aoi.blue = blue;
  aoi.aoiType = static_cast<int>(aoiType);
  aoi.remark = remark ? remark : "";
  for (long p = 0; p < polygonCount; ++p) {
    std::vector<ZTPOINT> points;
    for (long i = 0; i < pointCounts[p]; ++i, xy += 2) points.push_back(MakePoint(xy[0], xy[1]));
    aoi.polygons.push_back(std::move(points));
  }
  ds->aois.inMemory.push_back(std::move(aoi));
  return 0;
}

long ztRSAllocAOIInfo(void* dataset, CAOIEditor** editor) {
  RSDataset* ds = AsDataset(dataset);
  if (!ds || !editor) return ZTRS_ERR_BAD_HANDLE;
  *editor = nullptr;
  try {
    std::vector<AoiData> aois;
    if (long rc = ds->aois.Load(ds->gdal, aois)) return rc;
    *editor = new CAOIEditor(std::move(aois));
  } catch (const std::bad_alloc&) {
    return RC_OUT_OF_MEMORY;
  }
  return 0;
}

long ztRSFreeAOIInfo(CAOIEditor* editor) {
  delete editor;
  return 0;
}

long ztRSGetAOINums(CAOIEditor* editor, long* count) {
  if (!editor || !count) return ZTRS_ERR_BAD_HANDLE;
  *count = static_cast<long>(editor->Records().size());
  return 0;
}

long ztRSGetAOIInfo(CAOIEditor* editor, AOI* records) {
  if (!editor || !records) return ZTRS_ERR_BAD_HANDLE;
  std::copy(editor->Records().begin(), editor->Records().end(), records);
  return 0;
}
