#pragma once
#if defined(ZTCLASS_BUILDING)
#define ZTCLASS_API extern "C" __attribute__((visibility("default")))
#else
#define ZTCLASS_API extern "C"
#endif
