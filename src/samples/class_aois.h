#pragma once
#include <vector>

#include "services/aoi_editor_handle.h"
#include "ztclass/records.h"

namespace zt {

// The class AOIs (type 3) of an editor, in editor order.
long ListClassAois(CAOIEditor* editor, std::vector<AOI>& classAois);

// Every class AOI must have polygons: else RC_AOI_WITHOUT_POLYGON.
long CheckClassAoiPolygons(const std::vector<AOI>& classAois);

// Class k is written as k, and 255 is the class of no-data pixels, which
// results declare as their no-data value: class 255 would vanish with them.
constexpr size_t kMaxClassAois = 254;

// What supervised classifiers do first: obtain the source's AOI editor, end
// with RC_NO_CLASS_AOI when it has no class AOI, list and check them (more
// than kMaxClassAois give RC_BAD_WINDOW).
long LoadClassAois(void* source, AoiEditorHandle& editor, std::vector<AOI>& classAois);

}  // namespace zt
