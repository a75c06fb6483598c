#include "export/legend_writer.h"

#include <vector>

#include "classinfo/class_records.h"
#include "ztclass/result_codes.h"

namespace zt {

namespace {

class GeodatabaseSink : public LegendSink {
 public:
  GeodatabaseSink(CSFeatureCls& boxes, CAnnotationCls& texts, const ZTTextInfo& text)
      : boxes_(boxes), texts_(texts), text_(text) {}

  bool Add(const LegendEntry& entry) override {
    CPolygon ring;
    if (!ring.Set(entry.ring, 5)) return false;
    CAnyPolygon polygon;
    polygon = ring;
    ZTRegionInfo fill{};
    fill.colorNo = static_cast<int32_t>(entry.colorNo);
    fill.patternHeight = 5.0f;
    fill.patternStyle = 3;
    if (boxes_.polygon_Append(polygon, fill, entry.classNo, entry.text.c_str()) <= 0) return false;
    CAnnDat annotation;
    annotation.SetInfo(text_);
    annotation.SetTxt(entry.text.c_str());
    texts_.Append(entry.textAt, annotation);
    return true;
  }

 private:
  CSFeatureCls& boxes_;
  CAnnotationCls& texts_;
  const ZTTextInfo& text_;
};

ZTTextInfo TextInfo(double size) {
  ZTTextInfo info{};
  info.height = info.width = static_cast<float>(0.6 * size);
  info.spacing = 2.0f;
  info.font = 1;
  info.direction = 1;
  info.lineSpacing = 1.0f;
  info.color = -1;
  info.offsetX = info.offsetY = 10.0f;
  return info;
}

}  // namespace

std::string BoxClassName(const std::string& legendName) { return legendName + "_R"; }
std::string TextClassName(const std::string& legendName) { return legendName + "_P"; }

long WriteLegend(CGDataBase& gdb, void* image, const std::string& name, const LegendParameters& parameters) {
  if (name.empty() || !image) return RC_LEGEND_BAD_ARGUMENT;
  const CMapColorLib* colors = GetMapColorLib();
  if (!colors) return RC_NO_COLOR_LIBRARY;
  std::vector<CLASSATTINFO> records;
  if (long rc = ReadClassRecords(image, records)) return rc;

  const ZTTextInfo text = TextInfo(parameters.size);
  const std::string boxName = BoxClassName(name), textName = TextClassName(name);
  if (gdb.xcls_IsExist(ZT_GDB_ANNOTATION_CLASS, textName.c_str()) > 1 ||
      gdb.xcls_IsExist(ZT_GDB_FEATURE_CLASS, boxName.c_str()) > 1)
    return RC_LEGEND_CLASS_EXISTS;
  CSFeatureCls boxes;
  if (boxes.cls_Create(&gdb, boxName.c_str(), ZT_GDB_POLYGON_TYPE, 1) < 1) return RC_LEGEND_POLYGON_CLASS_FAILED;
  CAnnotationCls texts;
  if (texts.Create(&gdb, textName.c_str()) < 1) return RC_LEGEND_ANNOTATION_CLASS_FAILED;

  GeodatabaseSink sink(boxes, texts, text);
  LayoutLegend(records, parameters, *colors, sink);
  boxes.cls_Close();
  texts.Close();
  return RC_OK;
}

}  // namespace zt
