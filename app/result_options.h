#pragma once
// Options shared by the commands that write an image: the band list, the
// processing window and the result to create.
#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <vector>

#include "cli_support.h"
#include "ztclass/datatype.h"

namespace ztcli {

struct Window {
  long rows = 0, columns = 0, firstRow = 0, firstColumn = 0;
  long Pixels() const { return rows * columns; }
};

struct MethodOptions {
  std::optional<std::string> bands;  // none: every band
  std::string window;                // empty: the whole image (or srcwin)
  std::vector<long> srcwin;          // XOFF YOFF XSIZE YSIZE, as GDAL spells it
  std::string output;
  std::string format = "GTiff";
  std::string type = "Byte";
  std::vector<std::string> creationOptions;
  bool overwrite = false;
  // Under "train": -o is the model file, and the command classifies nothing.
  bool trainingOnly = false;
};

void AddBandOption(CLI::App& command, MethodOptions& options, const std::string& byDefault = "all");
// --window and --srcwin.
void AddWindowOption(CLI::App& command, MethodOptions& options);
// A classify command under "train" writes a model to -o: it takes none of
// the result image's options.
bool ForTraining(const CLI::App& command);
// -o, --of, --ot, --co, --overwrite; under "train" -o and --overwrite only.
void AddResultOptions(CLI::App& command, MethodOptions& options);

std::vector<long> SelectedBands(const MethodOptions& options, void* source);
// Refuses a band the image lacks, naming option (the caller's name of the
// band list).
void CheckBands(const std::vector<long>& bands, void* source, const std::string& option);
// "ROWS,COLS,ROW0,COL0"; the whole image when text is empty.
Window ParseWindow(const std::string& text, void* source);
// --window or --srcwin, or the whole image.
Window SelectedWindow(const MethodOptions& options, void* source);
ZTRSDataType ParseDataType(const std::string& name);
// GDAL's name of a pixel type ("unknown" for none).
const char* DataTypeName(ZTRSDataType type);
// The largest value a pixel type holds.
double TypeMaximum(ZTRSDataType type);
// Refuses a result type (named typeName, as --ot gives it) that cannot hold
// the classes up to highest, or 255, the class of no-data pixels, where the
// first band used has a no-data value.
void CheckTypeHoldsClasses(ZTRSDataType type, const std::string& typeName, long highest, void* firstBand);

}  // namespace ztcli
