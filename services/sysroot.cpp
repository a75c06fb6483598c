#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "ztclass/result_codes.h"
#include "ztservices/sysroot.h"

namespace {

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string SystemDir() {
  if (const char* home = std::getenv("ZTCLASS_HOME"); home && *home) return home;
  if (IsDirectory(ZTCLASS_INSTALL_DATADIR)) return ZTCLASS_INSTALL_DATADIR;
  return ZTCLASS_BUILD_DATADIR;
}

std::string WorkDir() {
  if (const char* work = std::getenv("ZTCLASS_WORKDIR"); work && *work) return work;
  std::error_code ec;
  std::string tmp = std::filesystem::temp_directory_path(ec).string();
  return ec ? "/tmp" : tmp;
}

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool CopyPath(const std::string& path, char* field, size_t size) {
  if (path.size() >= size) return false;
  std::memcpy(field, path.c_str(), path.size() + 1);
  return true;
}

}  // namespace

long ztGetSystemRoot(ZTSYSROOT* root) {
  if (!root) return RC_NULL_ARGUMENT;
  std::memset(root, 0, sizeof *root);
  if (!CopyPath(WithoutTrailingSlash(SystemDir()), root->systemDir, sizeof root->systemDir) ||
      !CopyPath(WithoutTrailingSlash(WorkDir()), root->workDir, sizeof root->workDir))
    return RC_BAD_WINDOW;
  return 0;
}
