#pragma once
// QGIS styles of legend classes, kept in the geodatabase's layer_styles table.
#include <string>

class GDALDataset;
class OGRLayer;

namespace ztgdb {

// The QGIS style of a legend feature class: each polygon filled with the
// colour of its red, green and blue fields.
std::string BoxStyle();
// The QGIS style of a legend annotation class: no marker, the text of each
// point as a label at its height in map units, above and right of the point.
std::string LabelStyle();

// Records qml as the default style of layer; catalog and schema as QGIS
// matches them ("" and "" for a GeoPackage, database and schema for
// PostGIS). False when the table cannot be created or written.
bool AddLayerStyle(GDALDataset& gdb, const std::string& catalog, const std::string& schema,
                   OGRLayer& layer, const std::string& qml);

}  // namespace ztgdb
