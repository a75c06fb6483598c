// Training on an image far larger than its training polygons: a sparse
// 40000 x 40000 GeoTIFF, which costs a few kilobytes on disk, with small
// polygons in three far-apart corners.
#include <gdal.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <vector>

#include "frame/progress_session.h"
#include "statistical/supervised_training.h"
#include "classifier_fixture.h"
#include "ztclass/result_codes.h"
#include "ztclass/statistical.h"
#include "ztservices/raster.h"

using namespace zttest;

namespace {

constexpr int kSize = 40000;
constexpr int kBands = 3;

double Value(int band, long c, long r) { return double((c * 7 + r * 13 + band * 29 + (c * r) % 17) % 251); }

using Ring = std::vector<double>;  // x, y pairs

struct Area {
  long c0, r0, c1, r1;  // pixels written, inclusive
};

// Areas holding data; every other tile stays unwritten and reads as 0.
const std::vector<Area> kAreas = {{60, 60, 459, 459}, {19900, 19950, 20199, 20199}, {39600, 39700, 39999, 39999}};

// Classes in AOI order. No edge passes through a pixel centre (each edge's
// step, reduced, has an even component), so the centre rule is unambiguous;
// fractional vertices are truncated by the mask.
const std::vector<std::vector<Ring>> kClasses = {
    {{100.7, 100.2, 160, 130, 120, 190}, {39700, 39800, 40020, 39800, 40020, 40030, 39700, 40030}},
    {{140, 150, 300, 150, 300, 400.9, 140, 400}, {19950, 20000, 20150, 20000, 20100, 20100}},
    {{39650, 39750, 39850, 39850, 39650, 39950}},
};

struct SparseScene {
  TempDir dir;
  void* source = nullptr;
  void* result = nullptr;

  SparseScene() {
    GDALAllRegister();
    const std::string path = dir.File("sparse.tif");
    const char* options[] = {"TILED=YES", "SPARSE_OK=TRUE", "BLOCKXSIZE=256", "BLOCKYSIZE=256", nullptr};
    GDALDatasetH ds = GDALCreate(GDALGetDriverByName("GTiff"), path.c_str(), kSize, kSize, kBands, GDT_Byte,
                                 const_cast<char**>(options));
    for (const Area& a : kAreas) {
      const long w = a.c1 - a.c0 + 1, h = a.r1 - a.r0 + 1;
      std::vector<unsigned char> data(w * h);
      for (int b = 1; b <= kBands; ++b) {
        for (long r = 0; r < h; ++r)
          for (long c = 0; c < w; ++c) data[r * w + c] = static_cast<unsigned char>(Value(b, a.c0 + c, a.r0 + r));
        EXPECT_EQ(GDALRasterIO(GDALGetRasterBand(ds, b), GF_Write, int(a.c0), int(a.r0), int(w), int(h), data.data(),
                               int(w), int(h), GDT_Byte, 0, 0),
                  CE_None);
      }
    }
    GDALClose(ds);
    source = ztRSOpen(path.c_str(), 0);
    for (const auto& rings : kClasses) AddAoi(source, rings);
  }
  ~SparseScene() {
    if (result) ztRSClose(result);
    if (source) ztRSClose(source);
  }

  void MakeResult(long columns, long rows) {
    const char* options[] = {"TILED=YES", "SPARSE_OK=TRUE", nullptr};
    result = ztRSCreate(ztRSGetDriverByName("GTiff"), dir.File("classes.tif").c_str(), columns, rows, 1, ZTRS_Byte,
                        options);
  }
};

// Even-odd test of the centre of pixel (c, r) against a ring with vertices
// truncated to integers; a centre on an edge fails the test.
bool Inside(const Ring& ring, long c, long r) {
  const double x = c + 0.5, y = r + 0.5;
  const size_t n = ring.size() / 2;
  bool inside = false;
  for (size_t i = 0, j = n - 1; i < n; j = i++) {
    const double xi = std::trunc(ring[2 * i]), yi = std::trunc(ring[2 * i + 1]);
    const double xj = std::trunc(ring[2 * j]), yj = std::trunc(ring[2 * j + 1]);
    if ((yi > y) == (yj > y)) continue;
    const double cross = xi + (y - yi) * (xj - xi) / (yj - yi);
    EXPECT_NE(cross, x) << "centre on an edge";
    if (x < cross) inside = !inside;
  }
  return inside;
}

// The class of every pixel some polygon holds: the polygon's rectangle
// within the image, from its truncated minimum over width x height pixels
// (differences of the untruncated bounds, truncated), later classes win.
std::map<std::pair<long, long>, int> MaskedPixels() {  // (row, column) -> class
  std::map<std::pair<long, long>, int> classOf;
  for (size_t k = 0; k < kClasses.size(); ++k)
    for (const Ring& ring : kClasses[k]) {
      double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
      for (size_t i = 0; i < ring.size(); i += 2) {
        x0 = std::min(x0, ring[i]), x1 = std::max(x1, ring[i]);
        y0 = std::min(y0, ring[i + 1]), y1 = std::max(y1, ring[i + 1]);
      }
      x0 = std::max(x0, 0.0), y0 = std::max(y0, 0.0);
      const long width = long(std::min(x1, double(kSize)) - x0), height = long(std::min(y1, double(kSize)) - y0);
      for (long r = long(y0); r < long(y0) + height; ++r)
        for (long c = long(x0); c < long(x0) + width; ++c)
          if (Inside(ring, c, r)) classOf[{r, c}] = int(k + 1);
    }
  return classOf;
}

// Statistics over the training pixels of the image, summed row by row, left
// to right, as the classifiers do.
BruteStats ImageStats(const std::vector<int>& bandList) {
  std::vector<std::pair<int, Vec>> cells;
  for (const auto& [at, k] : MaskedPixels()) {
    const auto [r, c] = at;
    const bool written = std::any_of(kAreas.begin(), kAreas.end(),
                                     [&](const Area& a) { return c >= a.c0 && c <= a.c1 && r >= a.r0 && r <= a.r1; });
    cells.push_back({k, {}});
    for (int b : bandList) cells.back().second.push_back(written ? Value(b, c, r) : 0.0);
  }
  return StatisticsOf(cells);
}

TEST(LargeImage, TrainingStatisticsOverTheWholeImageAreThoseOfThePolygonsCells) {
  SparseScene scene;
  scene.MakeResult(kSize, kSize);
  long bands[] = {3, 1};
  zt::SupervisedTraining training(scene.source, bands, 2, scene.result, zt::Window{kSize, kSize, 0, 0});
  zt::ProgressSession progress;
  ASSERT_EQ(training.Prepare(progress, 64), RC_OK);

  const BruteStats expected = ImageStats({3, 1});
  const zt::ClassStatistics& got = training.Statistics();
  EXPECT_EQ(got.classList, (std::vector<int>{1, 2, 3}));
  for (int k = 0; k < zt::kClassSlots; ++k) {
    const long count = expected.count.count(k) ? expected.count.at(k) : 0;
    ASSERT_EQ(got.counts[k], count) << "class " << k;
    if (count == 0) continue;
    for (int b = 0; b < 2; ++b) {
      EXPECT_DOUBLE_EQ(got.Mean(k, b), expected.mean.at({k, b})) << "class " << k << " band " << b;
      EXPECT_DOUBLE_EQ(got.Deviation(k, b), expected.deviation.at({k, b})) << "class " << k << " band " << b;
    }
  }
}

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
      status = rc == RC_OK && training.Statistics().counts[1] == 20 && training.Statistics().Mean(1, 999) == 0 ? 0
               : rc != RC_OK                                                                                ? 2
                                                                                                            : 3;
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
