#pragma once
// What clump, sieve and eliminate do around their library call, for the
// command line and the Python package alike: checks first, results under
// temporary names, a private work directory, and the results moved into
// place only after success.
#include <functional>
#include <string>

#include "result_options.h"

namespace ztcli {

struct PostClassRun {
  std::string what;  // "clump", "sieve" or "eliminate"
  std::string image;
  // Sieve and eliminate: the clump image's statistics; empty, image is a
  // class map whose clumps (of neighbours) they find themselves.
  std::string statisticsIn;
  std::string statistics, classes, png;  // empty: not written, not taken
  long band = 1, threshold = 0;
  int neighbours = 8;
  MethodOptions method;
};

// The face's part: make the library call with its progress, and throw when
// the code it returns is a failure.
using PostClassExecute = std::function<void(const std::function<long()>& call)>;

// The run as its failure message names it: the command, and the statistics
// file it reads, which the library's result code cannot name.
std::string FailureName(const PostClassRun& run);

// The checks of the options alone, which a run over a cluster makes too.
void CheckPostClassRun(const PostClassRun& run);
void RunPostClass(const PostClassRun& run, const PostClassExecute& execute);

}  // namespace ztcli
