#include "worker_threads.h"

#include <cpl_conv.h>
#include <cpl_multiproc.h>
#include <gdal.h>

#include <string>

#include "ztservices/workers.h"

namespace ztcli {

namespace {

// A few blocks of every band in flight and the result's blocks awaiting
// compression fit many times over.
constexpr GIntBig kGdalCacheBytes = 64LL << 20;

void UseThreads(long count) {
  static const bool userChoseGdalThreads = CPLGetConfigOption("GDAL_NUM_THREADS", nullptr) != nullptr;
  ztSetWorkerThreads(count);
  if (!userChoseGdalThreads) CPLSetConfigOption("GDAL_NUM_THREADS", std::to_string(count).c_str());
}

}  // namespace

void UseEveryCore() { UseThreads(CPLGetNumCPUs()); }

void AddThreadsOption(CLI::App& command) {
  command
      .add_option_function<long>(
          "--threads", [](const long& count) { UseThreads(count); },
          "Threads that classify and compress (default: every core; 1: this thread alone)")
      ->check(CLI::PositiveNumber);
}

void BoundGdalCache() {
  if (!CPLGetConfigOption("GDAL_CACHEMAX", nullptr)) GDALSetCacheMax64(kGdalCacheBytes);
}

}  // namespace ztcli
