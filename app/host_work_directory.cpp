#include "host_work_directory.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
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
  SweepDeadRuns(base);
  const std::string token = NewRunToken();
  claim_ = std::make_unique<DirectoryClaim>(base, token, "a work directory");
  path_ = base + "/" + token + "-work";
  if (mkdir(path_.c_str(), 0700) != 0)
    throw CommandError("cannot make a work directory in '" + base + "': " + ErrnoReason(errno));
  RegisterWorkDirectory(path_, base + "/" + DirectoryClaim::LockName(token));
  // A host without the registry (the Python package) shares its process,
  // and so its environment, with its caller's threads: there the library
  // keeps to the caller's temporary directory.
  if (KeepsTemporaryFileRegistry()) setenv("ZTCLASS_WORKDIR", path_.c_str(), 1);
}

// Stop signals wait until the folder and its lock are gone: a second Ctrl-C
// that ended the program between forgetting them and removing them would
// leave both behind.
HostWorkDirectory::~HostWorkDirectory() {
  InterruptBlock block;
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
  claim_.reset();
  RegisterWorkDirectory("", "");
}

}  // namespace ztcli
