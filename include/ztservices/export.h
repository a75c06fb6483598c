#pragma once
#if defined(ZTSERVICES_BUILDING)
#define ZTSERVICES_API extern "C" __attribute__((visibility("default")))
#else
#define ZTSERVICES_API extern "C"
#endif

// Classes and functions of the services with C++ linkage.
#define ZTSERVICES_CLASS __attribute__((visibility("default")))
