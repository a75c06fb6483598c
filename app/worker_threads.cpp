#include "worker_threads.h"

#include <cpl_conv.h>
#include <cpl_multiproc.h>
#include <gdal.h>

#include <string>

#include "ztservices/workers.h"

namespace ztcli {

namespace {

// A few blocks of every band in flight, a block row of every band for the
// readers that go row by row, and the result's blocks awaiting
// compression fit in it.
constexpr GIntBig kGdalCacheBytes = 64LL << 20;

// Whether the user chose GDAL's threads (environment or configuration),
// asked before the host sets them.
bool UserChoseGdalThreads() {
  static const bool chosen = CPLGetConfigOption("GDAL_NUM_THREADS", nullptr) != nullptr;
  return chosen;
}

// GDAL compresses the result's blocks (and decodes compressed blocks) on as
// many threads as classify, unless the user chose otherwise. Commands read a
// result back only once its blocks are written out (ztRSFlushCache), which
// several GDAL threads need.
void UseThreads(long count) {
  ztSetWorkerThreads(count);
  if (UserChoseGdalThreads()) return;
  CPLSetConfigOption("GDAL_NUM_THREADS", count > 1 ? std::to_string(count).c_str() : nullptr);
}

}  // namespace

void UseEveryCore() {
  UserChoseGdalThreads();
  UseThreads(CPLGetNumCPUs());
}

void AddThreadsOption(CLI::App& command) {
  command
      .add_option_function<long>(
          "--threads", [](const long& count) { UseThreads(count); },
          "Threads that classify and compress the result (default: every core; 1: this thread alone)")
      ->check(CLI::PositiveNumber);
}

void BoundGdalCache() {
  if (!CPLGetConfigOption("GDAL_CACHEMAX", nullptr)) GDALSetCacheMax64(kGdalCacheBytes);
}

}  // namespace ztcli
