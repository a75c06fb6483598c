#include "layer_style.h"

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <ctime>

namespace ztgdb {

namespace {

// A data-defined property of a QGIS symbol layer or label: an expression
// (type 3) or a field (type 2).
std::string Property(const char* name, int type, const char* key, const std::string& value) {
  return std::string("<Option name=\"") + name +
         "\" type=\"Map\"><Option name=\"active\" type=\"bool\" value=\"true\"/><Option name=\"" + key +
         "\" type=\"QString\" value=\"" + value + "\"/><Option name=\"type\" type=\"int\" value=\"" +
         std::to_string(type) + "\"/></Option>";
}

std::string Properties(const std::string& inner, const char* element) {
  return std::string("<") + element +
         "><Option type=\"Map\"><Option name=\"name\" type=\"QString\" value=\"\"/>"
         "<Option name=\"properties\" type=\"Map\">" +
         inner + "</Option><Option name=\"type\" type=\"QString\" value=\"collection\"/></Option></" + element +
         ">";
}

OGRLayer* StyleTable(GDALDataset& gdb) {
  // PostGIS lists only tables with geometry; asking by name finds the others.
  if (OGRLayer* table = gdb.GetLayerByName("layer_styles")) return table;
  OGRLayer* table = gdb.CreateLayer("layer_styles", nullptr, wkbNone, nullptr);
  if (!table) return nullptr;
  const char* texts[] = {"f_table_catalog", "f_table_schema", "f_table_name", "f_geometry_column",
                         "styleName", "styleQML", "styleSLD", "description", "owner", "ui"};
  for (const char* name : texts) {
    OGRFieldDefn field(name, OFTString);
    if (table->CreateField(&field) != OGRERR_NONE) return nullptr;
  }
  OGRFieldDefn useAsDefault("useAsDefault", OFTInteger);
  useAsDefault.SetSubType(OFSTBoolean);
  OGRFieldDefn updateTime("update_time", OFTDateTime);
  if (table->CreateField(&useAsDefault) != OGRERR_NONE || table->CreateField(&updateTime) != OGRERR_NONE)
    return nullptr;
  return table;
}

}  // namespace

std::string BoxStyle() {
  return "<!DOCTYPE qgis PUBLIC 'http://mrcc.com/qgis.dtd' 'SYSTEM'>\n"
         "<qgis version=\"3.22.0\" styleCategories=\"Symbology\">"
         "<renderer-v2 type=\"singleSymbol\" symbollevels=\"0\" enableorderby=\"0\" forceraster=\"0\">"
         "<symbols><symbol type=\"fill\" name=\"0\" alpha=\"1\" clip_to_extent=\"1\" force_rhr=\"0\">"
         "<layer class=\"SimpleFill\" pass=\"0\" locked=\"0\" enabled=\"1\"><Option type=\"Map\">"
         "<Option name=\"color\" type=\"QString\" value=\"0,0,0,255\"/>"
         "<Option name=\"outline_color\" type=\"QString\" value=\"0,0,0,255\"/>"
         "<Option name=\"outline_style\" type=\"QString\" value=\"solid\"/>"
         "<Option name=\"outline_width\" type=\"QString\" value=\"0.26\"/>"
         "<Option name=\"style\" type=\"QString\" value=\"solid\"/></Option>" +
         Properties(Property("fillColor", 3, "expression", "color_rgb(&quot;red&quot;,&quot;green&quot;,&quot;blue&quot;)"),
                    "data_defined_properties") +
         "</layer></symbol></symbols></renderer-v2></qgis>\n";
}

std::string LabelStyle() {
  return "<!DOCTYPE qgis PUBLIC 'http://mrcc.com/qgis.dtd' 'SYSTEM'>\n"
         "<qgis version=\"3.22.0\" styleCategories=\"Symbology|Labeling\" labelsEnabled=\"1\">"
         "<renderer-v2 type=\"nullSymbol\"/>"
         "<labeling type=\"simple\"><settings calloutType=\"simple\">"
         "<text-style fieldName=\"txt\" isExpression=\"0\" fontSize=\"6\" fontSizeUnit=\"MapUnit\" "
         "textColor=\"0,0,0,255\" textOpacity=\"1\"/>"
         "<placement placement=\"1\" quadOffset=\"2\" offsetType=\"0\" xOffset=\"0\" yOffset=\"0\"/>"
         "<rendering obstacle=\"0\" displayAll=\"1\" upsidedownLabels=\"0\" scaleVisibility=\"0\"/>" +
         Properties(Property("Size", 2, "field", "height"), "dd_properties") +
         "</settings></labeling></qgis>\n";
}

bool AddLayerStyle(GDALDataset& gdb, const std::string& catalog, const std::string& schema, OGRLayer& layer,
                   const std::string& qml) {
  OGRLayer* table = StyleTable(gdb);
  if (!table) return false;
  OGRFeature style(table->GetLayerDefn());
  style.SetField("f_table_catalog", catalog.c_str());
  style.SetField("f_table_schema", schema.c_str());
  style.SetField("f_table_name", layer.GetName());
  style.SetField("f_geometry_column", layer.GetGeometryColumn());
  style.SetField("styleName", layer.GetName());
  style.SetField("styleQML", qml.c_str());
  style.SetField("useAsDefault", 1);
  style.SetField("description", "");
  std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  style.SetField("update_time", utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min,
                 static_cast<float>(utc.tm_sec), 100);
  return table->CreateFeature(&style) == OGRERR_NONE;
}

}  // namespace ztgdb
