#pragma once
#include <string>

namespace zt {

// A private directory for one call's temporary files, made under the system
// root's working directory and removed with everything in it at the end, so
// that calls running at once never share a file.
class WorkDirectory {
 public:
  WorkDirectory();
  ~WorkDirectory();
  WorkDirectory(const WorkDirectory&) = delete;
  WorkDirectory& operator=(const WorkDirectory&) = delete;

  bool Ok() const { return !path_.empty(); }
  // The path of a file named name in the directory.
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace zt
