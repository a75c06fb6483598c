#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "ztclass/result_codes.h"
#include "ztservices/imagebase.h"

long ztMemAlloc(void** block, long bytes) {
  if (!block) return RC_NULL_ARGUMENT;
  *block = bytes >= 0 ? std::malloc(bytes > 0 ? bytes : 1) : nullptr;
  return *block ? 0 : RC_OUT_OF_MEMORY;
}

void ztMemSetZero(void* block, long bytes) {
  if (block && bytes > 0) std::memset(block, 0, bytes);
}

void ztMemFree(void* block) { std::free(block); }

long ztIsFileExist(const char* path) {
  struct stat st;
  return path && stat(path, &st) == 0 && S_ISREG(st.st_mode) ? 1 : 0;
}
