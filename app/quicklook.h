#pragma once
#include <string>
#include <vector>

namespace ztcli {

// A PNG picture of an image by gdal_translate with these arguments besides
// the format and type; what names the picture in messages.
void WritePicture(const std::string& image, const std::string& png, const std::vector<const char*>& arguments,
                  const std::string& what);

// A PNG picture of a class image, in the colours of its colour table.
void WriteQuicklook(const std::string& classImage, const std::string& png);

}  // namespace ztcli
