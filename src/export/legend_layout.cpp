#include "export/legend_layout.h"

#include "frame/string_table.h"
#include "services/text.h"

namespace zt {

namespace {

LegendEntry Entry(long classNo, long colorNo, std::string text, const LegendParameters& p, double y) {
  const double s = p.size;
  const double left = p.x + 0.2 * s, right = p.x + 2 * s;
  return {classNo,
          colorNo,
          {{left, y}, {right, y}, {right, y + s}, {left, y + s}, {left, y}},
          std::move(text),
          {p.x + 2.5 * s, y + s / 5}};
}

}  // namespace

void LayoutLegend(const std::vector<CLASSATTINFO>& records, const LegendParameters& p,
                  const CMapColorLib& colors, LegendSink& sink) {
  const double step = 1.5 * p.size;
  const auto n = static_cast<double>(records.size());
  double y = p.y + (n - 1) * step;
  if (p.unclassified) {
    y = p.y + n * step;
    if (sink.Add(Entry(0, 0, Localized("未分类", "Unclassified"), p, y))) y -= step;
  }
  for (auto record = records.rbegin(); record != records.rend(); ++record) {
    const long colorNo = colors.FindColorNo(record->red, record->green, record->blue);
    if (sink.Add(Entry(record->classNo, colorNo, std::string(FieldText(record->name, sizeof record->name)), p, y)))
      y -= step;
  }
}

}  // namespace zt
