// The class-area report export: save dialog, report step, message box.
#include <string>
#include <vector>

#include "export/class_area_report.h"
#include "frame/entry.h"
#include "frame/string_table.h"
#include "ztclass/class_export.h"
#include "ztservices/interaction.h"

namespace zt {

namespace {

constexpr int kFailed = 29;
constexpr int kFilter = 30;
constexpr int kSucceeded = 31;

std::string String(int id) {
  char text[512];
  LoadString(id, text, sizeof text);
  return text;
}

long ExportClsSizeInfo(void* image) {
  std::vector<char> path(4096, '\0');
  if (!ztSaveFileDialog("txt", String(kFilter).c_str(), path.data(), path.size())) return RC_OK;
  path.back() = '\0';
  const std::string report = path.data();
  if (long rc = ExportClassAreaReport(image, ClassInfoFileName(image), report)) {
    ztMessageBox(String(kFailed).c_str(), "", 0);
    return rc;
  }
  const std::string format = String(kSucceeded);
  const size_t at = format.find("%s");
  ztMessageBox((format.substr(0, at) + report + format.substr(at + 2)).c_str(), "", ZT_MB_ICONEXCLAMATION);
  return RC_OK;
}

}  // namespace

}  // namespace zt

void ztExportClsSizeInfo(void* image) {
  zt::Framed([&] { return zt::ExportClsSizeInfo(image); });
}
