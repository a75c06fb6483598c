#pragma once
#include <vector>

#include "ztclass/records.h"

namespace zt {

// Every class record of an image, wherever it keeps them; a negative count
// gives RC_CLS_FILE_BAD_HEADER.
long ReadClassRecords(void* image, std::vector<CLASSATTINFO>& records);

}  // namespace zt
