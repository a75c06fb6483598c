#include "export/legend_dialog.h"

#include <cstring>
#include <string>

#include "frame/string_table.h"
#include "services/text.h"
#include "ztservices/raster.h"

namespace zt {

namespace {

constexpr int kNoName = 26;
constexpr int kBadSize = 27;

// The file name part of the image's description without its last four
// characters (the extension), followed by "_图例" ("_legend" in English).
std::string DefaultName(void* image) {
  const char* description = ztRSGetDescription(image);
  std::string name = description ? description : "";
  const size_t slash = name.find_last_of("\\/");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  name.erase(name.size() < 4 ? 0 : name.size() - 4);
  return name + Localized("_图例", "_legend");
}

void Notice(int id) {
  char text[256];
  LoadString(id, text, sizeof text);
  ztMessageBox(text, Localized("提示", "Notice"), ZT_MB_ICONEXCLAMATION);
}

}  // namespace

CDlgExptLeg::CDlgExptLeg(void* image, const tagGDBPathInfo& start) {
  CopyText(DefaultName(image), fields.name, sizeof fields.name);
  double x = static_cast<double>(ztRSGetRasterXSize(image));
  double y = static_cast<double>(ztRSGetRasterYSize(image));
  fields.x = x;
  fields.y = y;
  if (ztRSGetCoordinate(image, 1, &x, &y) == 0) {
    fields.x = x;
    fields.y = y;
  }
  fields.size = 10;
  std::memcpy(&gdb, &start, offsetof(tagGDBPathInfo, classIds));
}

bool CDlgExptLeg::DoModal() {
  for (;;) {
    if (!ztLegendDialog(&fields)) return false;
    fields.name[sizeof fields.name - 1] = '\0';
    if (!fields.name[0]) {
      Notice(kNoName);
      continue;
    }
    if (!(fields.size > 0)) {
      Notice(kBadSize);
      continue;
    }
    if (ztChooseGDB(Localized("选择结果GDB...", "Choose the result geodatabase..."), &gdb) >= 1) return true;
  }
}

}  // namespace zt
