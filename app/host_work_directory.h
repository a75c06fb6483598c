#pragma once
// A private directory for the library's temporary files during one command:
// made under $ZTCLASS_WORKDIR (else the system's temporary directory), handed
// to the library through $ZTCLASS_WORKDIR, and removed with everything in it
// when the command ends, however it ends.
#include <string>

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
  std::string path_;
};

}  // namespace ztcli
