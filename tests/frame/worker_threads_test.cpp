// Worker threads lent by the host: the per-pixel decisions of a pass spread
// over them give exactly the files that the caller's thread alone gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <limits>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "test_support.h"
#include "ztclass/result_codes.h"
#include "ztclass/unsupervised.h"
#include "ztservices/raster.h"
#include "ztservices/workers.h"

using namespace zttest;

namespace {

constexpr int kColumns = 300, kRows = 260, kBands = 3, kBlock = 128;
constexpr double kNoData = 1.0;

// Three spectral groups in vertical stripes, with texture; below the
// training areas, NaN holes in band 2 and no-data values in band 1.
double SceneValue(int band, int column, int row) {
  if (row >= 180 && band == 2 && (column * 7 + row * 13) % 101 == 0) return std::numeric_limits<double>::quiet_NaN();
  if (row >= 180 && band == 1 && (column * 5 + row * 3) % 89 == 0) return kNoData;
  const int group = column / 100;
  return 20.0 + 60.0 * group + band * 9.0 + ((column * 31 + row * 17 + band * 5) % 23) + 0.25 * (row % 4);
}

struct Outcome {
  std::vector<unsigned char> bytes;
  std::vector<double> classes;
  int noDataFlag = 0;
};

class WorkerThreadsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteGeoTiff(sourcePath, {kColumns, kRows, kBands, GDT_Float32, kBlock, kBlock, true, kNoData}, SceneValue);
    source = ztRSOpen(sourcePath.c_str(), 0);
    ASSERT_NE(source, nullptr);
    for (double k = 0; k < 3; ++k) {
      const double x0 = k * 100 + 20, y0 = 30 + k * 40, x1 = x0 + 40, y1 = y0 + 60;
      AddAoi(source, {{x0, y0, x1, y0, x1, y1, x0, y1}});
    }
  }
  void TearDown() override { ztSetWorkerThreads(1), ztRSClose(source); }  // a null source is refused harmlessly

  // The classification under threads worker threads: the result file's bytes, its
  // classes and its no-data flag.
  template <typename Classify>
  Outcome ClassifyWith(long threads, Classify&& classify) {
    ztSetWorkerThreads(threads);
    EXPECT_EQ(ztGetWorkerThreads(), threads);
    return Classified(classify);
  }

  // The classification under the worker threads set now.
  template <typename Classify>
  Outcome Classified(Classify&& classify) {
    void* result = ztRSCreate(ztRSGetDriverByName("GTiff"), resultPath.c_str(), kWindowColumns, kWindowRows, 1,
                              ZTRS_Byte, nullptr);
    EXPECT_NE(result, nullptr);
    EXPECT_EQ(classify(result), RC_OK);
    Outcome run;
    ztRSGetRasterNoDataValue(ztRSGetRasterBand(result, 1), &run.noDataFlag);
    ztRSClose(result);
    run.bytes = ReadFileBytes(resultPath);
    run.classes = ReadBand(resultPath);
    return run;
  }

  template <typename Classify>
  void ExpectSameOnEveryThreadCount(Classify&& classify) {
    const Outcome alone = ClassifyWith(1, classify);
    std::set<double> seen(alone.classes.begin(), alone.classes.end());
    EXPECT_GE(seen.size(), 3u) << "a scene that tells classes apart";
    EXPECT_TRUE(seen.count(255)) << "NaN and no-data pixels";
    EXPECT_EQ(alone.noDataFlag, 1);
    for (long threads : {2L, 3L}) {
      const Outcome shared = ClassifyWith(threads, classify);
      EXPECT_EQ(shared.classes, alone.classes) << threads << " threads";
      EXPECT_EQ(shared.noDataFlag, alone.noDataFlag);
      EXPECT_TRUE(shared.bytes == alone.bytes) << threads << " threads: the files differ";
    }
  }

  static constexpr long kWindowRows = 250, kWindowColumns = 290, kFirstRow = 5, kFirstColumn = 7;
  TempDir dir;
  std::string sourcePath = dir.File("scene.tif");
  std::string resultPath = dir.File("classes.tif");
  void* source = nullptr;
  long bands[kBands] = {1, 2, 3};
};

TEST_F(WorkerThreadsTest, UnsupervisedClassifiersWithAndWithoutClassColours) {
  long display[3] = {3, 2, 1};
  ExpectSameOnEveryThreadCount([&](void* result) {
    return ztFJDMiniDistNew(source, bands, kBands, 4, 7, result, kWindowRows, kWindowColumns, kFirstRow,
                            kFirstColumn, display);
  });
  ExpectSameOnEveryThreadCount([&](void* result) {
    return ztISODATA(source, bands, kBands, 4, 1.0f, 3, 0.05f, 5.0f, 20, 1, 7, result, kWindowRows, kWindowColumns,
                     kFirstRow, kFirstColumn, display, 0);
  });
  // Rows of samples long enough, and clusters enough, for the passes over
  // the samples to be shared among the threads.
  ExpectSameOnEveryThreadCount([&](void* result) {
    return ztISODATA(source, bands, kBands, 40, 1.0f, 2, 0.05f, 5.0f, 20, 4, 1, result, kWindowRows, kWindowColumns,
                     kFirstRow, kFirstColumn, display, 0);
  });
  ExpectSameOnEveryThreadCount([&](void* result) {
    return ztFJDMiniDistNew(source, bands, kBands, 40, 1, result, kWindowRows, kWindowColumns, kFirstRow,
                            kFirstColumn, display);
  });
}

// A count beyond any use gives a few threads per core, not as many as the
// system would start before it ran out, and they classify as one thread.
TEST_F(WorkerThreadsTest, AHugeThreadCountIsHeldToAFewPerCore) {
  const auto classify = [&](void* result) {
    return ztFJDBox(source, bands, kBands, 4, 7, result, kWindowRows, kWindowColumns, kFirstRow, kFirstColumn);
  };
  const Outcome alone = ClassifyWith(1, classify);
  ztSetWorkerThreads(std::numeric_limits<long>::max());
  const long threads = ztGetWorkerThreads();
  EXPECT_GE(threads, 2);
  EXPECT_LE(threads, 4 * std::max(1L, static_cast<long>(std::thread::hardware_concurrency())));
  const Outcome shared = Classified(classify);
  EXPECT_EQ(shared.classes, alone.classes);
  EXPECT_TRUE(shared.bytes == alone.bytes) << threads << " threads: the files differ";
}

// The caller reads and writes beside a job: beside runs once on its thread,
// every task once, and with helpers even a one-task job runs on a helper
// while beside is still busy (beside waits for it to start).
TEST(Workers, BesideRunsOnTheCallerWhileHelpersTakeTheTasks) {
  struct Record {
    std::mutex mutex;
    std::vector<int> runs;
    std::set<std::thread::id> taskThreads;
    std::atomic<bool> started{false};
    bool waitForATask = false;
    std::thread::id besideThread;
    int besides = 0;
  };
  const auto task = [](void* data, long index) {
    auto& r = *static_cast<Record*>(data);
    r.started = true;
    std::lock_guard<std::mutex> lock(r.mutex);
    ++r.runs[index];
    r.taskThreads.insert(std::this_thread::get_id());
  };
  const auto beside = [](void* data) {
    auto& r = *static_cast<Record*>(data);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (r.waitForATask && !r.started && std::chrono::steady_clock::now() < giveUp)
      std::this_thread::yield();
    r.besideThread = std::this_thread::get_id();
    ++r.besides;
  };
  for (long threads : {1L, 2L, 3L}) {
    ztSetWorkerThreads(threads);
    for (long count : {0L, 1L, 7L}) {
      Record record;
      record.runs.assign(count, 0);
      record.waitForATask = threads > 1 && count > 0;
      ztRunOnWorkersBeside(count, task, &record, beside, &record);
      EXPECT_EQ(record.besides, 1);
      EXPECT_EQ(record.besideThread, std::this_thread::get_id());
      for (int runs : record.runs) EXPECT_EQ(runs, 1) << threads << " threads, " << count << " tasks";
      if (threads > 1 && count == 1) {
        EXPECT_FALSE(record.taskThreads.count(std::this_thread::get_id()));
      }
    }
  }
  ztSetWorkerThreads(1);
}

}  // namespace
