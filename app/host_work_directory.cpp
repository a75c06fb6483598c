#include "host_work_directory.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "cli_support.h"
#include "interrupt.h"

namespace ztcli {

HostWorkDirectory::HostWorkDirectory() {
  std::string base;
  if (const char* work = std::getenv("ZTCLASS_WORKDIR"); work && *work) {
    base = work;
  } else {
    std::error_code error;
    base = std::filesystem::temp_directory_path(error).string();
    if (error) base = "/tmp";
  }
  std::string pattern = base + "/ztclass-host-XXXXXX";
  if (!mkdtemp(pattern.data()))
    throw CommandError("cannot make a work directory in '" + base + "': " + std::strerror(errno));
  path_ = pattern;
  RegisterWorkDirectory(path_);
  setenv("ZTCLASS_WORKDIR", path_.c_str(), 1);
}

HostWorkDirectory::~HostWorkDirectory() {
  RegisterWorkDirectory("");
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace ztcli
