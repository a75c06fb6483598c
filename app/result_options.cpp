#include "result_options.h"

#include <strings.h>

#include <charconv>

#include "ztservices/raster.h"

namespace ztcli {

namespace {

struct TypeName {
  const char* name;
  ZTRSDataType type;
};

constexpr TypeName kTypes[] = {
    {"Byte", ZTRS_Byte},     {"Int8", ZTRS_Int8},       {"UInt16", ZTRS_UInt16},
    {"Int16", ZTRS_Int16},   {"UInt32", ZTRS_UInt32},   {"Int32", ZTRS_Int32},
    {"Float32", ZTRS_Float32}, {"Float64", ZTRS_Float64},
};

bool EndsWithZti(const std::string& path) {
  return path.size() >= 4 && strcasecmp(path.c_str() + path.size() - 4, ".zti") == 0;
}

}  // namespace

void AddBandOption(CLI::App& command, MethodOptions& options) {
  command.add_option("--bands", options.bands, "Bands to use, e.g. 1,2,3 (default: all)");
}

void AddWindowOption(CLI::App& command, MethodOptions& options) {
  command.add_option("--window", options.window,
                     "Processing window ROWS,COLS,ROW0,COL0 (default: the whole image)");
}

void AddResultOptions(CLI::App& command, MethodOptions& options) {
  command.add_option("-o,--output", options.output, "Result image")->required();
  command.add_option("--of", options.format, "GDAL driver of the result")->capture_default_str();
  command.add_option("--ot", options.type, "Pixel type of the result")->capture_default_str();
}

std::vector<long> SelectedBands(const MethodOptions& options, void* source) {
  std::vector<long> bands = options.bands.empty() ? AllBands(source) : ParseBandList(options.bands);
  for (long band : bands)
    if (band > ztRSGetRasterCount(source))
      throw CommandError("band " + std::to_string(band) + " does not exist (the image has " +
                         std::to_string(ztRSGetRasterCount(source)) + ")");
  return bands;
}

Window ParseWindow(const std::string& text, void* source) {
  Window w;
  if (text.empty()) {
    w.rows = ztRSGetRasterYSize(source);
    w.columns = ztRSGetRasterXSize(source);
    return w;
  }
  long values[4];
  const char* p = text.data();
  const char* end = p + text.size();
  for (int i = 0; i < 4; ++i) {
    auto [next, ec] = std::from_chars(p, end, values[i]);
    bool last = i == 3;
    if (ec != std::errc() || (last ? next != end : (next == end || *next != ',')))
      throw CommandError("--window expects ROWS,COLS,ROW0,COL0, got '" + text + "'");
    p = next + 1;
  }
  w = Window{values[0], values[1], values[2], values[3]};
  if (w.rows < 1 || w.columns < 1 || w.firstRow < 0 || w.firstColumn < 0 ||
      w.firstRow + w.rows > ztRSGetRasterYSize(source) ||
      w.firstColumn + w.columns > ztRSGetRasterXSize(source))
    throw CommandError("--window " + text + " does not lie inside the " +
                       std::to_string(ztRSGetRasterYSize(source)) + " x " +
                       std::to_string(ztRSGetRasterXSize(source)) + " image");
  return w;
}

ZTRSDataType ParseDataType(const std::string& name) {
  for (const TypeName& t : kTypes)
    if (strcasecmp(t.name, name.c_str()) == 0) return t.type;
  throw CommandError("unknown pixel type '" + name +
                     "' (Byte, Int8, UInt16, Int16, UInt32, Int32, Float32, Float64)");
}

Dataset CreateResult(void* source, const Window& window, const MethodOptions& options, long bands) {
  const bool zti = EndsWithZti(options.output);
  void* driver = ztRSGetDriverByName(zti ? "ZOVREKZTI" : options.format.c_str());
  if (!driver) throw CommandError("unknown raster format '" + options.format + "'");
  const char* geotiff[] = {"TILED=YES", "COMPRESS=DEFLATE", nullptr};
  const bool isGeoTiff = !zti && strcasecmp(options.format.c_str(), "GTiff") == 0;
  void* result = ztRSCreate(driver, options.output.c_str(), window.columns, window.rows, bands,
                            ParseDataType(options.type), isGeoTiff ? geotiff : nullptr);
  if (!result) throw CommandError("cannot create '" + options.output + "'");
  ztRSCopyGeoreference(source, result, window.firstRow, window.firstColumn);
  return Dataset(result);
}

}  // namespace ztcli
