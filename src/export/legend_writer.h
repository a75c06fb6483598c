#pragma once
// Draws a class image's legend into an open geodatabase.
#include <string>

#include "export/legend_layout.h"
#include "ztservices/gdb.h"

namespace zt {

// The names of the legend's two classes.
std::string BoxClassName(const std::string& legendName);
std::string TextClassName(const std::string& legendName);

// Creates "<name>_R" and "<name>_P" and fills them. Returns 0 or a result
// code; classes created before a failure stay.
long WriteLegend(CGDataBase& gdb, void* image, const std::string& name, const LegendParameters& parameters);

}  // namespace zt
