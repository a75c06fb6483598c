#pragma once
#include <string>

namespace ztcli {

// Refuses (CommandError) a reference image whose size, georeferencing or
// coordinate system differs from the class image's: reference samples are
// read from the class image at their own row and column.
void RequireSameGrid(void* classImage, void* reference, const std::string& referencePath);

}  // namespace ztcli
