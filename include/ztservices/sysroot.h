#pragma once
// System root service. The system directory is $ZTCLASS_HOME when set, else
// the installed data directory, else (running from a build tree) the build's
// data directory; it holds lut/step.lut. The working directory is
// $ZTCLASS_WORKDIR when set, else the system's temporary directory.
#include "ztservices/export.h"

struct ZTSYSROOT {
  char systemDir[4096];
  char workDir[4096];
};

ZTSERVICES_API long ztGetSystemRoot(ZTSYSROOT* root);
