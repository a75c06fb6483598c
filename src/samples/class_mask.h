#pragma once
#include <vector>

#include "services/mem_block.h"
#include "ztclass/records.h"

namespace zt {

// The class mask of the distance classifiers: one byte per source pixel
// (row-major over the whole source), k where the pixel lies in a polygon of
// class AOI k (later AOIs overwrite earlier ones), 0 elsewhere. Polygon
// vertices are truncated to integers and filled by the even-odd rule with
// pixel centres. Cancellable per polygon row.
long BuildClassMask(void* source, const std::vector<AOI>& classAois, MemBlock& mask);

}  // namespace zt
