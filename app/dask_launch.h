#pragma once
// --dask ADDRESS: a command run over a Dask cluster by the Python package's
// program, which replaces this process (its exit status, messages and
// progress become the command's).
#include <string>
#include <vector>

namespace ztcli {

// Replaces this process by `python3 -m ztclass.distributed ARGUMENTS...`
// with the package of this build importable; throws CommandError when it
// cannot be started.
[[noreturn]] void RunOnDask(const std::vector<std::string>& arguments);

}  // namespace ztcli
