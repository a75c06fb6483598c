#pragma once
// The QGIS style beside a class image (NAME.qml, which QGIS loads with the
// image): a paletted legend of exactly its classes. GeoTIFF stores 256 colour
// entries whatever it is given, so the colour table alone would list every
// byte value.
#include <string>
#include <vector>

#include "ztclass/records.h"

namespace ztcli {

// The style file of an image: the path up to its last dot, then "qml".
std::string QgisStylePath(const std::string& image);

// Writes the style of the classes (0 as "Unclassified" in unclassified's
// colour, then every record) of image, which a failure names.
void WriteQgisStyle(const std::string& path, const std::vector<CLASSATTINFO>& records,
                    const unsigned char unclassified[3], const std::string& image);

}  // namespace ztcli
