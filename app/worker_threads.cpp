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

// Whether the user chose GDAL's threads (environment or configuration).
bool UserChoseGdalThreads() { return CPLGetConfigOption("GDAL_NUM_THREADS", nullptr) != nullptr; }

}  // namespace

void UseEveryCore() { ztSetWorkerThreads(CPLGetNumCPUs()); }

// A creation option rather than GDAL_NUM_THREADS: that would also have GDAL
// decode the compressed blocks of every input on its threads, which costs
// more than it gains for readers that go row by row.
std::string CompressionThreads() {
  const long threads = ztGetWorkerThreads();
  return threads > 1 && !UserChoseGdalThreads() ? std::to_string(threads) : std::string();
}

void DecodeOnWorkerThreads() {
  const long threads = ztGetWorkerThreads();
  if (threads > 1 && !UserChoseGdalThreads()) CPLSetConfigOption("GDAL_NUM_THREADS", std::to_string(threads).c_str());
}

void AddThreadsOption(CLI::App& command) {
  command
      .add_option_function<long>(
          "--threads", [](const long& count) { ztSetWorkerThreads(count); },
          "Threads that classify and compress the result (default: every core; 1: this thread alone)")
      ->check(CLI::PositiveNumber);
}

void BoundGdalCache() {
  if (!CPLGetConfigOption("GDAL_CACHEMAX", nullptr)) GDALSetCacheMax64(kGdalCacheBytes);
}

}  // namespace ztcli
