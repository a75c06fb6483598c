#include "postclass/work_directory.h"

#include <stdlib.h>

#include <filesystem>

#include "ztservices/sysroot.h"

namespace zt {

WorkDirectory::WorkDirectory() {
  ZTSYSROOT root;
  if (ztGetSystemRoot(&root) != 0) return;
  std::string pattern = std::string(root.workDir) + "/ztclass-XXXXXX";
  if (mkdtemp(pattern.data())) path_ = pattern;
}

WorkDirectory::~WorkDirectory() {
  if (path_.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

}  // namespace zt
