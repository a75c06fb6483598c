#pragma once
// A private directory for the library's temporary files during one command:
// made under $ZTCLASS_WORKDIR (else the system's temporary directory), handed
// to the library through $ZTCLASS_WORKDIR by the command line, and removed with everything in it
// when the command ends, however it ends. It is a temporary file of the run
// like the others (run_claim.h): a run killed outright leaves it behind, and
// the next command sweeps it.
#include <memory>
#include <string>

#include "run_claim.h"

namespace ztcli {

class HostWorkDirectory {
 public:
  HostWorkDirectory();
  ~HostWorkDirectory();
  HostWorkDirectory(const HostWorkDirectory&) = delete;
  HostWorkDirectory& operator=(const HostWorkDirectory&) = delete;

  // A path for a file of the host's own inside the directory.
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::unique_ptr<DirectoryClaim> claim_;
  std::string path_;
};

}  // namespace ztcli
