#pragma once
#include <string>

namespace ztcli {

// A PNG picture of a class image, in the colours of its colour table.
void WriteQuicklook(const std::string& classImage, const std::string& png);

}  // namespace ztcli
