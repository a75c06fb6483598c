#include "result_options.h"

#include <strings.h>

#include <charconv>
#include <limits>

#include "ztservices/raster.h"

namespace ztcli {

namespace {

struct TypeName {
  const char* name;
  ZTRSDataType type;
  double maximum;
};

constexpr TypeName kTypes[] = {
    {"Byte", ZTRS_Byte, 255},
    {"Int8", ZTRS_Int8, 127},
    {"UInt16", ZTRS_UInt16, 65535},
    {"Int16", ZTRS_Int16, 32767},
    {"UInt32", ZTRS_UInt32, 4294967295.0},
    {"Int32", ZTRS_Int32, 2147483647.0},
    {"Float32", ZTRS_Float32, 16777216.0},  // every integer up to 2^24 is exact
    {"Float64", ZTRS_Float64, 9007199254740992.0},
};

Window Checked(const Window& w, void* source, const std::string& option, const std::string& text) {
  // Compared by subtraction: a sum of two huge values would overflow.
  if (w.rows < 1 || w.columns < 1 || w.firstRow < 0 || w.firstColumn < 0 ||
      w.firstRow > ztRSGetRasterYSize(source) - w.rows || w.firstColumn > ztRSGetRasterXSize(source) - w.columns)
    throw UsageError(option + " " + text + " does not lie inside the " + std::to_string(ztRSGetRasterYSize(source)) +
                     " x " + std::to_string(ztRSGetRasterXSize(source)) + " image (rows x columns)");
  return w;
}

}  // namespace

void AddBandOption(CLI::App& command, MethodOptions& options, const std::string& byDefault) {
  command.add_option("--bands", options.bands, "Bands to use, e.g. 1,2,3 (default: " + byDefault + ")");
}

void AddWindowOption(CLI::App& command, MethodOptions& options) {
  auto* window = command.add_option("--window", options.window,
                                    "Processing window ROWS,COLS,ROW0,COL0 (default: the whole image)");
  command
      .add_option("--srcwin", options.srcwin,
                  "Processing window XOFF YOFF XSIZE YSIZE in pixels, as GDAL spells it")
      ->expected(4)
      ->excludes(window);
}

bool ForTraining(const CLI::App& command) {
  const CLI::App* parent = command.get_parent();
  return parent && parent->get_name() == "train";
}

void AddResultOptions(CLI::App& command, MethodOptions& options) {
  options.trainingOnly = ForTraining(command);
  if (options.trainingOnly) {
    command.add_option("-o,--output", options.output, "Model file to write")->required();
    command.add_flag("--overwrite", options.overwrite, "Replace a model file that exists already");
    return;
  }
  command.add_option("-o,--output", options.output, "Result image")->required();
  command.add_option("--of", options.format, "GDAL driver of the result")->capture_default_str();
  command.add_option("--ot", options.type, "Pixel type of the result")->capture_default_str();
  command.add_option("--co", options.creationOptions, "Creation option KEY=VALUE of the driver (repeatable)")
      ->take_all()
      ->expected(1);
  command.add_flag("--overwrite", options.overwrite, "Replace results that exist already");
}

std::vector<long> SelectedBands(const MethodOptions& options, void* source) {
  std::vector<long> bands = options.bands ? ParseBandList(*options.bands) : AllBands(source);
  CheckBands(bands, source, "--bands");
  return bands;
}

void CheckBands(const std::vector<long>& bands, void* source, const std::string& option) {
  const long count = ztRSGetRasterCount(source);
  for (long band : bands)
    if (band < 1 || band > count)
      throw UsageError(option + ": band " + std::to_string(band) + " does not exist (the image has " +
                       std::to_string(count) + ")");
}

Window ParseWindow(const std::string& text, void* source) {
  if (text.empty()) return Window{ztRSGetRasterYSize(source), ztRSGetRasterXSize(source), 0, 0};
  long values[4];
  const char* p = text.data();
  const char* end = p + text.size();
  for (int i = 0; i < 4; ++i) {
    auto [next, ec] = std::from_chars(p, end, values[i]);
    bool last = i == 3;
    if (ec != std::errc() || (last ? next != end : (next == end || *next != ',')))
      throw UsageError("--window expects ROWS,COLS,ROW0,COL0, got '" + text + "'");
    p = next + 1;
  }
  return Checked(Window{values[0], values[1], values[2], values[3]}, source, "--window", text);
}

Window SelectedWindow(const MethodOptions& options, void* source) {
  if (options.srcwin.empty()) return ParseWindow(options.window, source);
  const std::vector<long>& s = options.srcwin;
  const std::string text = std::to_string(s[0]) + " " + std::to_string(s[1]) + " " + std::to_string(s[2]) + " " +
                           std::to_string(s[3]);
  return Checked(Window{s[3], s[2], s[1], s[0]}, source, "--srcwin", text);
}

ZTRSDataType ParseDataType(const std::string& name) {
  for (const TypeName& t : kTypes)
    if (strcasecmp(t.name, name.c_str()) == 0) return t.type;
  throw UsageError("--ot: unknown pixel type '" + name +
                   "' (Byte, Int8, UInt16, Int16, UInt32, Int32, Float32, Float64)");
}

const char* DataTypeName(ZTRSDataType type) {
  for (const TypeName& t : kTypes)
    if (t.type == type) return t.name;
  return "unknown";
}

void CheckTypeHoldsClasses(ZTRSDataType type, const std::string& typeName, long highest, void* firstBand) {
  int hasNoData = 0;
  ztRSGetRasterNoDataValue(firstBand, &hasNoData);
  if (hasNoData) highest = 255;
  if (highest > TypeMaximum(type))
    throw UsageError("--ot " + typeName + " cannot hold class " + std::to_string(highest) +
                     (hasNoData ? " (the value of no-data pixels)" : "") + "; choose Byte or a wider type");
}

double TypeMaximum(ZTRSDataType type) {
  for (const TypeName& t : kTypes)
    if (t.type == type) return t.maximum;
  return 0;
}

}  // namespace ztcli
