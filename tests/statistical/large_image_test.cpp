// A header far larger than memory: training on it costs memory only for
// the pixels read.
#include <gdal.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <numeric>
#include <vector>

#include "frame/progress_session.h"
#include "statistical/supervised_training.h"
#include "test_support.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

using namespace zttest;

namespace {

// A header that claims 10^6 x 10^6 pixels of 1000 bands (one sparse strip,
// a few kilobytes on disk) costs memory only for the pixels read: training
// on the whole window with one small polygon runs within 3 GB of address
// space, where a buffer of the window's rows by its bands would take 8 GB.
// The sanitizers reserve far more address space themselves: under them the
// limit is left out and the run only shows that training succeeds.
TEST(LargeImage, AHugeHeaderCostsNoMemoryUntilPixelsAreRead) {
  constexpr long kHuge = 1000000, kManyBands = 1000;
  TempDir dir;
  const std::string path = dir.File("huge.tif");
  const char* options[] = {"BIGTIFF=YES", "SPARSE_OK=TRUE", "BLOCKYSIZE=1000000", nullptr};
  GDALAllRegister();
  GDALDatasetH created = GDALCreate(GDALGetDriverByName("GTiff"), path.c_str(), kHuge, kHuge, kManyBands, GDT_Byte,
                                    const_cast<char**>(options));
  ASSERT_NE(created, nullptr);
  GDALClose(created);
  EXPECT_LT(ReadFileBytes(path).size(), 64u << 10);

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    const rlimit limit{3L << 30, 3L << 30};
    setrlimit(RLIMIT_AS, &limit);
#endif
    GDALSetCacheMax64(64 << 20);
    void* source = ztRSOpen(path.c_str(), 0);
    void* result = ztRSCreate(ztRSGetDriverByName("GTiff"), dir.File("classes.tif").c_str(), kHuge, kHuge, 1,
                              ZTRS_Byte, options);
    const long count = 4;
    const double xy[] = {10, 10, 20, 10, 20, 12, 10, 12};  // rows 10 and 11, columns 10..19
    ztRSAddAOI(source, "class", 10, 20, 30, 3, "", 1, &count, xy);
    std::vector<long> bands(kManyBands);
    std::iota(bands.begin(), bands.end(), 1L);
    int status = 1;
    try {
      zt::SupervisedTraining training(source, bands.data(), kManyBands, result, zt::Window{kHuge, kHuge, 0, 0});
      zt::ProgressSession progress;
      const long rc = training.Prepare(progress, 64);
      const auto& statistics = training.Statistics();
      status = rc != RC_OK ? 2 : statistics.counts[1] == 20 && statistics.Mean(1, 999) == 0 ? 0 : 3;
    } catch (const std::bad_alloc&) {
      status = 4;
    }
    ztRSClose(result);
    ztRSClose(source);
    _exit(status);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
  // 2: a result code; 3: wrong statistics; 4: memory exhausted.
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
