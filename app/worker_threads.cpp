#include "worker_threads.h"

#include <cpl_conv.h>
#include <cpl_multiproc.h>
#include <gdal.h>

#include "ztservices/workers.h"

namespace ztcli {

namespace {

// A few blocks of every band in flight, a block row of every band for the
// readers that go row by row, and the result's blocks awaiting
// compression fit in it.
constexpr GIntBig kGdalCacheBytes = 64LL << 20;

}  // namespace

// GDAL is left to compress on one thread (GDAL_NUM_THREADS unset unless the
// user sets it): GDAL 3.6's GeoTIFF driver with several threads deadlocks
// when a result is read back while its block cache writes dirty blocks out,
// as the clustering commands do when they count the pixels of each class.
void UseEveryCore() { ztSetWorkerThreads(CPLGetNumCPUs()); }

void AddThreadsOption(CLI::App& command) {
  command
      .add_option_function<long>(
          "--threads", [](const long& count) { ztSetWorkerThreads(count); },
          "Threads that classify (default: every core; 1: this thread alone)")
      ->check(CLI::PositiveNumber);
}

void BoundGdalCache() {
  if (!CPLGetConfigOption("GDAL_CACHEMAX", nullptr)) GDALSetCacheMax64(kGdalCacheBytes);
}

}  // namespace ztcli
