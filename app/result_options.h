#pragma once
// Options shared by the commands that classify: the band list, the
// processing window and the result to create.
#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "cli_support.h"
#include "ztclass/datatype.h"

namespace ztcli {

struct Window {
  long rows = 0, columns = 0, firstRow = 0, firstColumn = 0;
};

struct MethodOptions {
  std::string bands;   // empty: every band
  std::string window;  // empty: the whole image
  std::string output;
  std::string format = "GTiff";
  std::string type = "Byte";
};

void AddBandOption(CLI::App& command, MethodOptions& options);
void AddWindowOption(CLI::App& command, MethodOptions& options);
void AddResultOptions(CLI::App& command, MethodOptions& options);

std::vector<long> SelectedBands(const MethodOptions& options, void* source);
// "ROWS,COLS,ROW0,COL0"; the whole image when text is empty.
Window ParseWindow(const std::string& text, void* source);
ZTRSDataType ParseDataType(const std::string& name);

// Creates the result: the window's size and georeferencing, one band.
// GeoTIFF results are tiled and DEFLATE-compressed; a path ending in .zti
// gives a zti image whatever the format.
Dataset CreateResult(void* source, const Window& window, const MethodOptions& options,
                     long bands = 1);

}  // namespace ztcli
