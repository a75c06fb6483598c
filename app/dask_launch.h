#pragma once
// --dask ADDRESS: a command run over a Dask cluster by the Python package's
// program, which replaces this process (its exit status, messages and
// progress become the command's).
#include <string>
#include <vector>

namespace ztcli {

// The tile sizes of a run on Dask when none is given (the Python package
// takes them from here). A task costs the scheduler, the client and its
// worker a few milliseconds whatever its size; an apply task of 2048 x 2048
// pixels, a few tenths of a second of work, makes that a few percent, where
// one of 1024 x 1024 made it over a tenth. A clump or sieve task holds about
// 16 bytes a pixel of its tile, so those keep to 1024.
constexpr long kApplyTile = 2048;
constexpr long kClumpTile = 1024;

// Replaces this process by `python3 -m ztclass.distributed ARGUMENTS...`
// with the package of this build importable; throws CommandError when it
// cannot be started.
[[noreturn]] void RunOnDask(const std::vector<std::string>& arguments);

}  // namespace ztcli
