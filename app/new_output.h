#pragma once
// A result file that a command creates: removed again, with what its format
// keeps beside it, when the command fails before it is finished. A file that
// existed before the command is left to the command's own handling.
#include <string>

namespace ztcli {

class NewOutput {
 public:
  explicit NewOutput(std::string path);
  ~NewOutput();
  NewOutput(const NewOutput&) = delete;
  NewOutput& operator=(const NewOutput&) = delete;

  // The file is finished: keep it.
  void Keep() { keep_ = true; }

 private:
  std::string path_;
  bool existed_;
  bool keep_ = false;
};

}  // namespace ztcli
