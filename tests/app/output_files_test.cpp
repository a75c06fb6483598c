// Results under temporary names, moved into place only on success.
#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "cli_support.h"
#include "output_files.h"
#include "qgis_style.h"
#include "run_claim.h"
#include "test_support.h"

using namespace ztcli;
using namespace zttest;
namespace fs = std::filesystem;

namespace {

std::set<std::string> Names(const std::string& directory) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) names.insert(entry.path().filename().string());
  return names;
}

TEST(OutputFiles, CommitMovesTheImageWithItsClassAndSideCarFiles) {
  TempDir dir;
  WriteText(dir.File("map.tif"), "old image");
  WriteText(dir.File("map.cls"), "old classes");
  WriteText(dir.File("map.tif.aux.xml"), "old legend");
  {
    OutputFiles outputs(true);
    const std::string temporary = outputs.AddOutput(dir.File("map.tif"), "-o", true);
    EXPECT_EQ(fs::path(temporary).parent_path(), fs::path(dir.path()));
    EXPECT_NE(temporary, dir.File("map.tif"));
    WriteText(temporary, "new image");
    WriteText(ClassFilePath(temporary), "new classes");
    // A reader watching the folder must never find the new image without
    // its class file: the kernel reports the renames in the order made.
    const int watch = inotify_init1(IN_NONBLOCK);
    ASSERT_GE(inotify_add_watch(watch, dir.path().c_str(), IN_MOVED_TO | IN_CREATE), 0);
    outputs.Commit();
    alignas(inotify_event) char events[4096];
    std::vector<std::string> arrived;
    for (ssize_t n; (n = read(watch, events, sizeof events)) > 0;)
      for (char* e = events; e < events + n; e += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(e)->len)
        if (std::string name = reinterpret_cast<inotify_event*>(e)->name; name.rfind(kTemporaryPrefix, 0) != 0)
          arrived.push_back(name);
    close(watch);
    EXPECT_EQ(arrived, (std::vector<std::string>{"map.cls", "map.tif"}));
  }
  EXPECT_EQ(ReadText(dir.File("map.tif")), "new image");
  EXPECT_EQ(ReadText(dir.File("map.cls")), "new classes");
  // The old legend belonged to the old image.
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"map.tif", "map.cls"}));
}

TEST(OutputFiles, RefusesInputsHoweverSpelledAndExistingFilesWithoutOverwrite) {
  TempDir dir;
  fs::create_directory(dir.File("sub"));
  WriteText(dir.File("in.tif"), "input");
  fs::create_symlink(dir.File("in.tif"), dir.File("link.tif"));
  OutputFiles outputs(false);
  outputs.AddInput(dir.File("in.tif"), true);
  EXPECT_THROW(outputs.AddOutput(dir.File("sub/../in.tif"), "-o", true), UsageError);
  EXPECT_THROW(outputs.AddOutput(dir.File("./link.tif"), "-o", true), UsageError);
  // Existing results, another image's class file, missing folders: the command-line tests.
  EXPECT_THROW(outputs.AddOutput(dir.File("noextension"), "-o", true), UsageError);
  EXPECT_NO_THROW(outputs.AddOutput(dir.File("sub/../new.tif"), "-o", true));
  EXPECT_THROW(outputs.AddOutput(dir.File("new.tif"), "--png", false), UsageError);
  OutputFiles later(false);
  later.AddOutput(dir.File("x.csv"), "-o", false);
  EXPECT_THROW(later.AddInput(dir.File("sub/../x.csv"), false), UsageError);
}

TEST(OutputFiles, AFileThatAppearsMeanwhileIsKeptWithoutOverwrite) {
  TempDir dir;
  OutputFiles outputs(false);
  const std::string temporary = outputs.AddOutput(dir.File("map.tif"), "-o", true);
  WriteText(temporary, "new image");
  WriteText(ClassFilePath(temporary), "new classes");
  WriteText(dir.File("map.tif"), "theirs");
  EXPECT_THROW(outputs.Commit(), CommandError);
  EXPECT_EQ(ReadText(dir.File("map.tif")), "theirs");
  EXPECT_FALSE(fs::exists(dir.File("map.cls")));
}

// A move that fails after others were made puts every replaced file back.
// Here the name the result's older file would be kept under is taken.
TEST(OutputFiles, AFailedCommitPutsBackWhatItReplaced) {
  TempDir dir;
  WriteText(dir.File("map.tif"), "old image");
  WriteText(dir.File("map.cls"), "old classes");
  WriteText(dir.File("map.qml"), "old style");
  {
    OutputFiles outputs(true);
    const std::string temporary = outputs.AddOutput(dir.File("map.tif"), "-o", true);
    WriteText(temporary, "new image");
    WriteText(ClassFilePath(temporary), "new classes");
    WriteText(QgisStylePath(temporary), "new style");
    const std::string name = fs::path(temporary).filename().string();
    const std::string token = name.substr(0, name.size() - std::string("-map.tif").size());
    fs::create_directories(dir.File(token + "+map.tif/taken"));
    EXPECT_THROW(outputs.Commit(), CommandError);
  }
  EXPECT_EQ(ReadText(dir.File("map.tif")), "old image");
  EXPECT_EQ(ReadText(dir.File("map.cls")), "old classes");
  EXPECT_EQ(ReadText(dir.File("map.qml")), "old style");
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"map.tif", "map.cls", "map.qml"}));
}

TEST(OutputFiles, StagedImagesAreChangedAsCopies) {
  TempDir dir;
  WriteText(dir.File("map.cls"), "old classes");
  WriteGeoTiff(dir.File("map.tif"), RasterSpec{4, 3}, [](int, int, int) { return 1; });
  const std::string before = ReadText(dir.File("map.tif"));
  {
    OutputFiles outputs(false);
    const std::string staged = outputs.Stage(dir.File("map.tif"), "IMAGE");
    EXPECT_EQ(ReadText(staged), before);
    EXPECT_EQ(ReadText(ClassFilePath(staged)), "old classes");
    WriteText(ClassFilePath(staged), "changed, then abandoned");
  }
  EXPECT_EQ(ReadText(dir.File("map.cls")), "old classes");
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"map.tif", "map.cls"}));
  {
    OutputFiles outputs(false);
    WriteText(ClassFilePath(outputs.Stage(dir.File("map.tif"), "IMAGE")), "new classes");
    outputs.Commit();
  }
  EXPECT_EQ(ReadText(dir.File("map.cls")), "new classes");
  EXPECT_EQ(ReadText(dir.File("map.tif")), before);
}

// The Python package runs commands on several threads of one process.
TEST(OutputFiles, RunsOnThreadsAtOnceNameOnlyTheirOwnResultsInMessages) {
  TempDir dir;
  constexpr int kThreads = 4;
  std::vector<std::string> wrong(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      const std::string path = dir.File("r" + std::to_string(t) + ".tif");
      for (int run = 0; run < 100 && wrong[t].empty(); ++run) {
        OutputFiles outputs(true);
        outputs.AddOutput(path, "-o", true);
        if (ResultsBeingWritten() != "'" + path + "'") wrong[t] = ResultsBeingWritten();
      }
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong, std::vector<std::string>(kThreads));
  EXPECT_EQ(ResultsBeingWritten(), "");
}

// A worker killed while claiming a directory left an empty lock file, which
// the sweep must take for a run still starting: it stayed in the tile folder
// of a distributed run. A lock file now appears with its owner's pid in it.
// The claims go on until the watcher has looked at many lock files: on a busy
// machine it may not run at all while a fixed number of claims come and go.
TEST(DirectoryClaims, ALockFileIsNeverSeenEmpty) {
  TempDir dir;
  std::atomic<bool> enough{false}, done{false};
  std::thread claims([&] {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (int i = 0; (i < 2000 || !enough) && std::chrono::steady_clock::now() < end; ++i)
      DirectoryClaim claim(dir.path(), NewRunToken(), "a test");
    done = true;
  });
  long seen = 0, empty = 0;
  while (!done) {
    for (const auto& entry : fs::directory_iterator(dir.path())) {
      struct stat st;
      if (stat(entry.path().c_str(), &st) != 0) continue;
      ++seen;
      empty += st.st_size == 0;
    }
    if (seen >= 20000) enough = true;
  }
  claims.join();
  EXPECT_GT(seen, 0);
  EXPECT_EQ(empty, 0) << "of " << seen << " lock files seen";
}

TEST(HostFailures, ServiceCodesHaveNamesAndMeanings) {
  EXPECT_EQ(DescribeResultCode(5000010).rfind("RC_RASTER_IO_FAILED (5000010): a raster read or write failed", 0), 0u);
  EXPECT_EQ(DescribeResultCode(1000040).rfind("ZTRS_ERR_AOI_FILE (1000040):", 0), 0u);
  EXPECT_EQ(DescribeResultCode(1000042).rfind("ZTRS_ERR_AOI_CRS (1000042):", 0), 0u);
  EXPECT_EQ(DescribeResultCode(1000043).rfind("ZTRS_ERR_AOI_FIELD (1000043):", 0), 0u);
  EXPECT_EQ(DescribeResultCode(4000010),
            "RC_SINGULAR_COVARIANCE (4000010): a class covariance matrix is singular");
}

}  // namespace
