#pragma once
// The legend's layout: one box and one text per entry, stacked upward from
// the lower-left corner, apart from the dialog and the geodatabase.
#include <string>
#include <vector>

#include "ztclass/records.h"
#include "ztservices/gdb.h"

namespace zt {

struct LegendParameters {
  double x, y;        // lower-left corner
  double size;        // size factor
  bool unclassified;  // an entry for unclassified pixels on top
};

struct LegendEntry {
  long classNo;  // 0 for the unclassified entry
  long colorNo;
  ZTGPoint ring[5];
  std::string text;
  ZTGPoint textAt;
};

class LegendSink {
 public:
  virtual ~LegendSink() = default;
  // False when the entry could not be drawn; the next entry then takes its
  // place.
  virtual bool Add(const LegendEntry& entry) = 0;
};

// Entries from the top: the unclassified one when asked for, then the
// classes from the last record to the first, which ends at y.
void LayoutLegend(const std::vector<CLASSATTINFO>& records, const LegendParameters& parameters,
                  const CMapColorLib& colors, LegendSink& sink);

}  // namespace zt
