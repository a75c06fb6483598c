#pragma once
// Ctrl-C, SIGTERM and SIGHUP. The first asks the running operation to stop;
// the command then removes what it wrote and exits with status 128 + the
// signal's number (130, 143, 129). A second one ends the program at once,
// but only after removing, from the signal handler itself, the temporary
// results and the private work directory registered here.
#include <csignal>
#include <string>

namespace ztcli {

void InstallInterruptHandler();
bool StopRequested();
// The exit status of a stopped run: 128 + the first stop signal's number.
int StoppedStatus();

// Every directory entry whose name starts with prefix, in these directories,
// is removed by a second Ctrl-C.
// A host that installs no handler (the Python package, which runs many
// commands in one process, on many directories and threads) registers
// nothing: its results are removed as the command unwinds.
void KeepNoTemporaryFileRegistry();
bool KeepsTemporaryFileRegistry();
void RegisterTemporaryFiles(const std::string& directory, const std::string& prefix);
// A directory removed with everything in it by a second Ctrl-C, then the
// lock file that claims it; empty: none.
void RegisterWorkDirectory(const std::string& path, const std::string& lock);

// Holds the stop signals back while results are moved into place, so that a second one
// never finds half of them moved.
class InterruptBlock {
 public:
  InterruptBlock();
  ~InterruptBlock();
  InterruptBlock(const InterruptBlock&) = delete;
  InterruptBlock& operator=(const InterruptBlock&) = delete;

 private:
  sigset_t previous_;
};

}  // namespace ztcli
