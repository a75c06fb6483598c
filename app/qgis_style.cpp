#include "qgis_style.h"

#include "class_records.h"
#include "cli_support.h"

namespace ztcli {

namespace {

// Text for an XML attribute, whatever the class file holds: what XML 1.0
// forbids (bytes that are not UTF-8, control characters) becomes U+FFFD, and
// tabs and line breaks are kept as references, which attribute values
// otherwise turn into spaces.
std::string Escaped(const std::string& text) {
  std::string out;
  for (size_t at = 0; at < text.size();) {
    const size_t start = at;
    const long c = NextCharacter(text, at);
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\t': out += "&#9;"; break;
      case '\n': out += "&#10;"; break;
      case '\r': out += "&#13;"; break;
      default:
        if (c < 0x20 || c == 0xFFFE || c == 0xFFFF)
          out += "\xEF\xBF\xBD";
        else
          out.append(text, start, at - start);
    }
  }
  return out;
}

std::string Entry(int value, unsigned char red, unsigned char green, unsigned char blue, const std::string& label) {
  return "        <paletteEntry value=\"" + std::to_string(value) + "\" color=\"" + FormatColour(red, green, blue) +
         "\" alpha=\"255\" label=\"" + Escaped(label) + "\"/>\n";
}

}  // namespace

std::string QgisStylePath(const std::string& image) {
  const size_t dot = image.rfind('.');
  return dot == std::string::npos ? image + ".qml" : image.substr(0, dot + 1) + "qml";
}

void WriteQgisStyle(const std::string& path, const std::vector<CLASSATTINFO>& records,
                    const unsigned char unclassified[3], const std::string& image) {
  std::string style =
      "<!DOCTYPE qgis PUBLIC 'http://mrcc.com/qgis.dtd' 'SYSTEM'>\n"
      "<qgis version=\"3.22.0\" styleCategories=\"Symbology\">\n"
      "  <pipe>\n"
      "    <rasterrenderer type=\"paletted\" band=\"1\" opacity=\"1\" alphaBand=\"-1\" nodataColor=\"\">\n"
      "      <rasterTransparency/>\n"
      "      <colorPalette>\n";
  bool zero = false;
  for (const auto& record : records) zero = zero || record.classNo == 0;
  if (!zero) style += Entry(0, unclassified[0], unclassified[1], unclassified[2], "Unclassified");
  for (const auto& record : records)
    style += Entry(record.classNo, record.red, record.green, record.blue, RecordName(record));
  style +=
      "      </colorPalette>\n"
      "    </rasterrenderer>\n"
      "  </pipe>\n"
      "</qgis>\n";
  WriteWholeFile(path, style, "the QGIS style '" + QgisStylePath(image) + "' of '" + image + "'");
}

}  // namespace ztcli
