#include "dask_launch.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "cli_support.h"
#include "interrupt.h"

namespace ztcli {

void RunOnDask(const std::vector<std::string>& arguments) {
  const std::string package = ZTCLASS_PYTHON_PACKAGE_DIR;
  std::error_code ec;
  if (!std::filesystem::exists(package + "/ztclass/distributed.py", ec))
    throw CommandError("--dask needs the Python package, not built in '" + package +
                       "' (python3-dev, pybind11-dev, python3-dask, python3-distributed)");
  // The package of this build comes first; the user's own path stays after it.
  std::string path = package;
  if (const char* user = std::getenv("PYTHONPATH"); user && *user) path += std::string(":") + user;
  setenv("PYTHONPATH", path.c_str(), 1);
  std::vector<std::string> words = {ZTCLASS_PYTHON_EXECUTABLE, "-m", "ztclass.distributed"};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  // Python takes a while to start, and a stop meanwhile printed its
  // traceback: the stop signals are held back until the program has its
  // handler in place (the mask and what is pending outlive the exec), and
  // one that this process took already is sent again to come then.
  sigset_t stops, previous;
  sigemptyset(&stops);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stops, signal);
  sigprocmask(SIG_BLOCK, &stops, &previous);
  if (StopRequested()) kill(getpid(), StoppedStatus() - 128);
  execv(argv[0], argv.data());
  sigprocmask(SIG_SETMASK, &previous, nullptr);
  throw CommandError(std::string("cannot start ") + ZTCLASS_PYTHON_EXECUTABLE + ": " + ErrnoReason(errno));
}

}  // namespace ztcli
