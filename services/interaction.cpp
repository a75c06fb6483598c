#include "ztservices/interaction.h"

namespace {

ZTInteractionSink& Sink() {
  static ZTInteractionSink sink{};
  return sink;
}

}  // namespace

void ztSetInteractionSink(const ZTInteractionSink* sink) { Sink() = sink ? *sink : ZTInteractionSink{}; }

int ztSaveFileDialog(const char* defaultExtension, const char* filter, char* path, size_t size) {
  const ZTInteractionSink& s = Sink();
  if (!s.saveFile || !path || size == 0) return 0;
  return s.saveFile(s.userData, defaultExtension, filter, path, size) >= 1 ? 1 : 0;
}

void ztMessageBox(const char* text, const char* caption, int icon) {
  const ZTInteractionSink& s = Sink();
  if (s.messageBox) s.messageBox(s.userData, text ? text : "", caption ? caption : "", icon);
}

int ztLegendDialog(ZTLegendDialogFields* fields) {
  const ZTInteractionSink& s = Sink();
  if (!s.legendDialog || !fields) return 0;
  return s.legendDialog(s.userData, fields) >= 1 ? 1 : 0;
}

long ztChooseGDB(const char* title, tagGDBPathInfo* info) {
  const ZTInteractionSink& s = Sink();
  if (!s.chooseGDB || !info) return 0;
  return s.chooseGDB(s.userData, title ? title : "", info);
}
