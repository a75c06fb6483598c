#pragma once
// What tells a live run's temporary files from a dead one's. A run's
// temporary files in a directory all begin with its token
// (".ztclass-XXXXXXXX"); beside them the run keeps ".ztclass-XXXXXXXX.lock"
// open with a lock on it for as long as it lives. A run that is killed
// outright (SIGKILL, the out-of-memory killer, a power cut) cannot remove its
// files, but the kernel drops its lock: the next run that writes into the
// directory finds the lock free and removes that token's files. A live run's
// lock is never free, so its files are never touched.
#include <string>

namespace ztcli {

// The names that begin every temporary file of this program.
constexpr char kTemporaryPrefix[] = ".ztclass-";

// A token of that prefix and eight random letters or digits.
std::string NewRunToken();

class DirectoryClaim {
 public:
  // Creates and locks the token's lock file in directory; a CommandError
  // naming the directory, what it is for (what) and the reason when that
  // cannot be done.
  DirectoryClaim(const std::string& directory, const std::string& token, const std::string& what);
  // Removes the lock file: called once the token's files are gone.
  ~DirectoryClaim();
  DirectoryClaim(const DirectoryClaim&) = delete;
  DirectoryClaim& operator=(const DirectoryClaim&) = delete;

  // The lock file's name.
  static std::string LockName(const std::string& token);

 private:
  std::string path_;
  int fd_ = -1;
};

// Removes, from directory, the temporary files of every run whose lock is
// free: runs that ended without cleaning up.
void SweepDeadRuns(const std::string& directory);

}  // namespace ztcli
