#pragma once
// The process-wide progress bar. A host installs a sink of callbacks, in the
// spirit of GDALProgressFunc; without one, progress is silent and a stop is
// never requested. Every operation may be called in any order: EndProgress
// without StartProgress is accepted.
#include "ztservices/export.h"

struct ZTProgressSink {
  void* userData;
  void (*start)(void* userData);
  void (*end)(void* userData);
  void (*mainName)(void* userData, const char* text);
  void (*subName)(void* userData, const char* text);
  // position within [low, high] changed
  void (*position)(void* userData, long low, long high, long position);
  // non-zero asks the running operation to stop
  int (*stopRequested)(void* userData);
};

// Installs sink (copied), or the silent default when sink is null.
ZTSERVICES_API void ztSetProgressSink(const ZTProgressSink* sink);

// Installs sink (copied) for the calling thread alone, in place of the
// process-wide one, with a range and position of its own; null returns the
// thread to the process-wide sink. Lets calls on several threads report and
// stop each through its own sink.
ZTSERVICES_API void ztSetThreadProgressSink(const ZTProgressSink* sink);

ZTSERVICES_API long StartProgress();
ZTSERVICES_API long EndProgress();
ZTSERVICES_API long SetMainProgressName(const char* text);
ZTSERVICES_API long SetSubProgressName(const char* text);
ZTSERVICES_API long SetRange(long low, long high);
ZTSERVICES_API long SetPos(long position);
ZTSERVICES_API long SetStep(long step);
ZTSERVICES_API long StepIt();
ZTSERVICES_API long IsStopProgress();
