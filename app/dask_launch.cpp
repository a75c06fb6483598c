#include "dask_launch.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "cli_support.h"

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
  execv(argv[0], argv.data());
  throw CommandError(std::string("cannot start ") + ZTCLASS_PYTHON_EXECUTABLE + ": " + ErrnoReason(errno));
}

}  // namespace ztcli
