// The legend export: dialog and chooser, connection, legend, path
// information for the host's map view.
#include <cmath>
#include <cstring>

#include "export/legend_dialog.h"
#include "export/legend_writer.h"
#include "frame/entry.h"
#include "services/text.h"
#include "ztclass/class_export.h"
#include "ztclass/result_codes.h"

namespace zt {

namespace {

long ExportClsLegend(void* image, int& addToMap, tagGDBPathInfo* info) {
  if (!image || !info) return RC_LEGEND_BAD_ARGUMENT;
  CDlgExptLeg dialog(image, *info);
  if (!dialog.DoModal()) return RC_OK;
  // A position or size that is no number would place every box nowhere:
  // refused before the geodatabase is touched.
  const ZTLegendDialogFields& placed = dialog.fields;
  if (!std::isfinite(placed.x) || !std::isfinite(placed.y) || !std::isfinite(placed.size))
    return RC_LEGEND_BAD_ARGUMENT;

  const tagGDBPathInfo& chosen = dialog.gdb;
  const std::string user(FieldText(chosen.user, sizeof chosen.user));
  const std::string password(FieldText(chosen.password, sizeof chosen.password));
  CGDBServer server;
  if (server.Connect(std::string(FieldText(chosen.serverName, sizeof chosen.serverName)).c_str(), user.c_str(),
                     password.c_str()) < 1)
    return RC_GDB_OPEN_FAILED;
  CGDataBase gdb;
  if (gdb.Open(&server, std::string(FieldText(chosen.gdbName, sizeof chosen.gdbName)).c_str()) < 1)
    return RC_GDB_OPEN_FAILED;

  const ZTLegendDialogFields& f = dialog.fields;
  const std::string name(FieldText(f.name, sizeof f.name));
  if (long rc = WriteLegend(gdb, image, name, {f.x, f.y, f.size, f.exportUnclassified != 0})) return rc;

  addToMap = f.addToMap ? 1 : 0;
  if (addToMap) {
    std::memcpy(info, &chosen, offsetof(tagGDBPathInfo, classIds));
    if (long rc = ztGDBAppendClassId(&info->classIds,
                                     gdb.xcls_IsExist(ZT_GDB_FEATURE_CLASS, BoxClassName(name).c_str())))
      return rc;
    if (long rc = ztGDBAppendClassId(&info->classIds,
                                     gdb.xcls_IsExist(ZT_GDB_ANNOTATION_CLASS, TextClassName(name).c_str())))
      return rc;
  }
  return RC_OK;
}

}  // namespace

}  // namespace zt

long ztExportClsLegend(void* image, int& addToMap, tagGDBPathInfo* info) {
  return zt::Framed([&] { return zt::ExportClsLegend(image, addToMap, info); });
}
