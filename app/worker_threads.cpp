#include "worker_threads.h"

#include <cpl_conv.h>
#include <cpl_multiproc.h>
#include <gdal.h>

#include <charconv>
#include <string>

#include "ztservices/workers.h"

namespace ztcli {

namespace {

// A few blocks of every band in flight, a block row of every band for the
// readers that go row by row, and the result's blocks awaiting
// compression fit in it.
constexpr GIntBig kGdalCacheBytes = 64LL << 20;

// Every block the cache holds is memory the system hands out afresh, a page
// fault at a time, until the bound is reached: filling 64 MB took a third
// of a clump of a fragmented 49-megapixel map. A block row of a 7000-column
// UInt32 image fits in this one, for a window whose rows start inside a
// block and read that block row twice.
constexpr GIntBig kOnePassCacheBytes = 8LL << 20;

// Whether the user chose GDAL's threads (environment or configuration).
bool UserChoseGdalThreads() { return CPLGetConfigOption("GDAL_NUM_THREADS", nullptr) != nullptr; }

void BoundGdalCacheTo(GIntBig bytes) {
  if (!CPLGetConfigOption("GDAL_CACHEMAX", nullptr)) GDALSetCacheMax64(bytes);
}

}  // namespace

std::string ThreadCountProblem(long count, const std::string& given) {
  if (count < 1) return "must be at least 1, got '" + given + "'";
  const long most = ztMaxWorkerThreads();
  if (count <= most) return std::string();
  return "at most " + std::to_string(most) + " (four per core of this machine), got '" + given + "'";
}

void UseEveryCore() { ztSetWorkerThreads(CPLGetNumCPUs()); }

// A creation option rather than GDAL_NUM_THREADS: that would also have GDAL
// decode the compressed blocks of every input on its threads, which costs
// more than it gains for readers that go row by row, and for the
// post-classification commands, whose workers label while the caller's
// thread reads.
std::string CompressionThreads() {
  const long threads = ztGetWorkerThreads();
  return threads > 1 && !UserChoseGdalThreads() ? std::to_string(threads) : std::string();
}

void AddThreadsOption(CLI::App& command) {
  command
      .add_option_function<long>(
          "--threads", [](const long& count) { ztSetWorkerThreads(count); },
          "Threads that do the work and compress the result (default: every core; 1: this thread alone)")
      ->check(CLI::Validator(
          [](std::string& text) {
            long count = 0;
            const char* begin = text.data() + (!text.empty() && text[0] == '+' ? 1 : 0);
            auto [end, error] = std::from_chars(begin, text.data() + text.size(), count);
            // What is no whole number at all the check of every count refuses.
            if (error != std::errc() || end != text.data() + text.size()) return std::string();
            return ThreadCountProblem(count, text);
          },
          ""));
}

void BoundGdalCache() { BoundGdalCacheTo(kGdalCacheBytes); }

void BoundGdalCacheForOnePass() { BoundGdalCacheTo(kOnePassCacheBytes); }

}  // namespace ztcli
