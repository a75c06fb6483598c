#pragma once
// User interaction: the host's dialogs and message boxes. A host installs a
// sink of callbacks, as it does for the progress bar; without one (or with a
// callback left null) every dialog is cancelled and messages go nowhere, so
// a library call never waits for a user who is not there.
#include <cstddef>

#include "ztservices/export.h"
#include "ztservices/gdb.h"

constexpr int ZT_MB_ICONEXCLAMATION = 0x30;

// The fields of the legend-export dialog.
struct ZTLegendDialogFields {
  char name[256];
  double x;
  double y;
  double size;
  int exportUnclassified;
  int addToMap;
};

struct ZTInteractionSink {
  void* userData;
  // A save-file dialog; 1 with path filled (zero-terminated, size bytes),
  // 0 when cancelled.
  int (*saveFile)(void* userData, const char* defaultExtension, const char* filter, char* path,
                  size_t size);
  void (*messageBox)(void* userData, const char* text, const char* caption, int icon);
  // The legend dialog, shown with fields filled; 1 when the user asks to
  // export (fields then hold the choice), 0 when cancelled. Shown again
  // while what was entered fails a check.
  int (*legendDialog)(void* userData, ZTLegendDialogFields* fields);
  // The geodatabase chooser; at least 1 when info holds a choice.
  long (*chooseGDB)(void* userData, const char* title, tagGDBPathInfo* info);
};

// Installs sink (copied), or the silent default when sink is null.
ZTSERVICES_API void ztSetInteractionSink(const ZTInteractionSink* sink);

ZTSERVICES_API int ztSaveFileDialog(const char* defaultExtension, const char* filter, char* path,
                                    size_t size);
ZTSERVICES_API void ztMessageBox(const char* text, const char* caption, int icon);
ZTSERVICES_API int ztLegendDialog(ZTLegendDialogFields* fields);
// The geodatabase chooser (ordinal 1 of that service).
ZTSERVICES_API long ztChooseGDB(const char* title, tagGDBPathInfo* info);
