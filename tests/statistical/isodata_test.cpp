// ISODATA: its split and merge steps on tables worked out by hand, and whole calls
// on tiny real images whose iterations are worked out by hand or follow a
// brute-force selection of the initial centres.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "statistical/isodata_clusters.h"
#include "unsupervised_fixture.h"
#include "ztclass/result_codes.h"
#include "ztclass/unsupervised.h"
#include "ztservices/enhance.h"

using namespace zttest;
using zt::Cluster;
using zt::ClusterPair;
using zt::ClusterTable;
using zt::IsodataLimits;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

ClusterTable Table(const std::vector<Cluster>& clusters) {
  ClusterTable t(long(clusters[0].mean.size()));
  for (size_t j = 0; j < clusters.size(); ++j) t.entries[j] = clusters[j];
  t.count = long(clusters.size());
  return t;
}

IsodataLimits Limits(long k, double split, double merge, long minSamples, long maxMerges) {
  return IsodataLimits{k, split, 0.05, merge, minSamples, maxMerges};
}

TEST(IsodataSteps, SplitHalvesTheWidestBandOfWideClusters) {
  // v = (9 + 1) / 2 = 5 and 0.25, V = 2.625: only cluster 0 is above it.
  ClusterTable s = Table({{10, -1, {50, 60}, {3, 1}}, {10, -1, {5, 5}, {0.5, 0.5}}});
  ClusterTable d(2);
  zt::SplitClusters(s, d, Limits(4, 1.0, 0, 1, 0));
  ASSERT_EQ(d.count, 3);
  EXPECT_EQ(d.entries[0].mean, (Vec{51.5, 60}));
  EXPECT_EQ(d.entries[0].deviation, (Vec{1.5, 1}));
  EXPECT_EQ(d.entries[1].mean, (Vec{48.5, 60}));
  EXPECT_EQ(d.entries[1].samples, 10);
  EXPECT_EQ(d.entries[2].mean, (Vec{5, 5}));
  EXPECT_EQ(s.entries[0].mark, -2);
  // Too few samples (10 is not above 2 * 5 + 1) or too narrow: no split,
  // unless there are fewer than K / 2 clusters.
  ClusterTable s2 = Table({{10, -1, {50, 60}, {3, 1}}, {10, -1, {5, 5}, {0.5, 0.5}}});
  zt::SplitClusters(s2, d, Limits(4, 1.0, 0, 5, 0));
  EXPECT_EQ(d.count, 2);
  zt::SplitClusters(s2, d, Limits(6, 1.0, 0, 5, 0));
  EXPECT_EQ(d.count, 3);
  zt::SplitClusters(s2, d, Limits(4, 3.0, 0, 1, 0));
  EXPECT_EQ(d.count, 2);
}

TEST(IsodataSteps, SplitStopsAtHalfOfKAndAt254Clusters) {
  // 150 wide clusters (v = 4) and 50 flat ones: V = 3, all wide ones qualify.
  std::vector<Cluster> clusters;
  for (int j = 0; j < 200; ++j) clusters.push_back({10, -1, {double(j)}, {j < 150 ? 2.0 : 0.0}});
  ClusterTable s = Table(clusters);
  ClusterTable d(1);
  zt::SplitClusters(s, d, Limits(20, 1.0, 0, 0, 0));
  EXPECT_EQ(d.count, 210);  // K / 2 = 10 selections
  zt::SplitClusters(s, d, Limits(256, 1.0, 0, 0, 0));
  EXPECT_EQ(d.count, 254);  // 128 allowed, 54 fit
}

TEST(IsodataSteps, PairsSortByDistanceWithNaNLastInTheirOrder) {
  std::vector<ClusterPair> pairs = {{0, 1, kNaN}, {0, 2, 1}, {0, 3, INFINITY}, {1, 2, kNaN}, {1, 3, 0.5}, {2, 3, 1}};
  zt::SortPairs(pairs);
  const std::vector<std::pair<long, long>> order = {{1, 3}, {0, 2}, {2, 3}, {0, 3}, {0, 1}, {1, 2}};
  for (size_t i = 0; i < order.size(); ++i) {
    EXPECT_EQ(pairs[i].first, order[i].first) << i;
    EXPECT_EQ(pairs[i].second, order[i].second) << i;
  }
}

TEST(IsodataSteps, MergeJoinsTheClosestPairsUpToTheLimit) {
  // Distances (deviation 1): (2,3) 0.8, (0,1) 1, (1,2) 9, ...; clusters 4
  // and 5 are flat: infinite distance to the others, NaN to each other.
  auto table = [] {
    return Table({{2, -1, {0}, {1}}, {2, -1, {1}, {1}}, {2, -1, {10}, {1}}, {6, -1, {10.8}, {1}},
                  {1, -1, {20}, {0}}, {1, -1, {20}, {0}}});
  };
  ClusterTable d(1);
  ClusterTable s = table();
  zt::MergeClusters(s, d, Limits(2, 0, 5.0, 0, 0));  // L = 0: the first pair still merges
  ASSERT_EQ(d.count, 5);
  EXPECT_DOUBLE_EQ(d.entries[2].mean[0], (2 * 10 + 6 * 10.8) / 8);
  EXPECT_EQ(d.entries[2].samples, 8);
  // m = 10.6: (2 (1 + 0.36) + 6 (1 + 0.04)) / 8 = 1.12
  EXPECT_DOUBLE_EQ(d.entries[2].deviation[0], std::sqrt((2 * (1 + 0.6 * 0.6) + 6 * (1 + 0.2 * 0.2)) / 8));
  EXPECT_EQ(d.entries[0].mean[0], 0);
  s = table();
  zt::MergeClusters(s, d, Limits(2, 0, 5.0, 0, 2));
  ASSERT_EQ(d.count, 4);
  EXPECT_EQ(d.entries[0].mean[0], 0.5);
  EXPECT_DOUBLE_EQ(d.entries[0].deviation[0], std::sqrt(1.25));
  EXPECT_EQ(d.entries[2].mean[0], 20);  // flat clusters never merge
  EXPECT_EQ(d.entries[3].mean[0], 20);
  s = table();
  zt::MergeClusters(s, d, Limits(2, 0, 0.5, 0, 10));  // nothing close enough
  EXPECT_EQ(d.count, 6);
}

// A one-row image of one band, every pixel a sample.
struct Line {
  Scene scene;
  std::vector<long> bands = {1};
  explicit Line(std::vector<double> values, bool hasNoData = false, double noData = 0)
      : scene(int(values.size()), 1, 1, [values](int, int c, int) { return values[c]; }, hasNoData, noData) {
    scene.MakeResult(long(values.size()), 1);
  }
  long Run(long k, long iterations, float split, float convergence, float merge, long minSize, long maxMerges) {
    return ztISODATA(scene.source, bands.data(), 1, k, split, iterations, convergence, merge, minSize, maxMerges, 1,
                     scene.result, 1, scene.columns, 0, 0, nullptr, 0);
  }
};

TEST(Isodata, ASplitWorkedByHand) {
  // Centres 0 and 130; classes {0..3} (mean 1.5, variance 1.25) and
  // {100..130} (mean 115, variance 125). V = 63.125: the second splits at
  // 115 -+ 5.59. The last pass moves 100 and 110 to 109.41 and 120, 130 to
  // 120.59, which become the means 105 and 125 of classes 3 and 2.
  Line line({0, 1, 2, 3, 100, 110, 120, 130});
  ASSERT_EQ(line.Run(2, 1, 1.0f, 0.0f, 0.0f, 0, 1), RC_OK);
  EXPECT_EQ(Records(line.scene.result).size(), 3u);
  EXPECT_EQ(line.scene.Result(), (std::vector<double>{1, 1, 1, 1, 3, 3, 2, 2}));
}

TEST(Isodata, DeletionRepeatsUntilAPassDeletesNone) {
  // Centres 0 and 30; 30 alone is one sample, not above the minimum 1, and
  // goes; one cluster of every sample remains.
  Line line({0, 1, 2, 10, 11, 30});
  ASSERT_EQ(line.Run(2, 3, 1.0f, 0.05f, 0.0f, 1, 1), RC_OK);
  EXPECT_EQ(Records(line.scene.result).size(), 1u);
  EXPECT_EQ(line.scene.Result(), std::vector<double>(6, 1.0));
  Line all({0, 1, 2, 10, 11, 30});
  EXPECT_EQ(all.Run(2, 3, 1.0f, 0.05f, 0.0f, 6, 1), RC_TOO_FEW_SAMPLES);
}

TEST(Isodata, ConvergenceEndsTheIterations) {
  // Iteration 1 fails the test (the reference's first centre sums to 0) and
  // splits nothing (equal spreads); iteration 2 finds the same means.
  Line line({0, 0, 1, 100, 100, 101});
  ProgressRecorder progress;
  ASSERT_EQ(line.Run(2, 5, 1.0f, 0.05f, 0.0f, 0, 1), RC_OK);
  EXPECT_EQ(progress.Count("sub:第2次迭代，类分裂、合并..."), 1);
  EXPECT_EQ(progress.Count("sub:第3次迭代，类分裂、合并..."), 0);
  EXPECT_EQ(line.scene.Result(), (std::vector<double>{1, 1, 1, 2, 2, 2}));
}

TEST(Isodata, SamplesAreNotTestedForNoDataButPixelsAre) {
  // Centres 7 and 102; the no-data sample 0 joins the first cluster (mean
  // 6.25), the pixel holding it is 255.
  Line line({7, 9, 9, 100, 101, 102, 0}, true, 0);
  ASSERT_EQ(line.Run(2, 0, 1.0f, 0.05f, 0.0f, 0, 1), RC_OK);
  EXPECT_EQ(ztRSGetRasterNoDataValue(ztRSGetRasterBand(line.scene.result, 1), nullptr), 255);
  EXPECT_EQ(line.scene.Result(), (std::vector<double>{1, 1, 1, 2, 2, 2, 255}));
}

struct Scene3 {
  Scene scene;
  std::vector<long> bands = {1, 2, 3};
  std::vector<int> bandList = {1, 2, 3};
  int rows = 18, columns = 21, firstRow = 4, firstColumn = 3, interval = 2;
  Scene3()
      : scene(26, 24, 3, [](int b, int c, int r) {
          const double noise = ((c * 5 + r * 11 + b * 3) % 7) - 3;
          return (r < 12 ? (c < 12 ? 30 + 20 * b : 140 - 15 * b) : 90 + 5 * b + 2 * (c % 5)) + noise;
        }) {
    scene.MakeResult(columns, rows);
  }
  long Run(long k, long iterations, long* display = nullptr, long stretch = 0) {
    return ztISODATA(scene.source, bands.data(), 3, k, 5.0f, iterations, 0.02f, 1.0f, 4, 2, interval, scene.result,
                     rows, columns, firstRow, firstColumn, display, stretch);
  }
};

// The scene stored as UInt16 x 100 and as Float32 / 255, the split threshold
// carried over by the same factor: the clusters of the Byte scene.
TEST(Isodata, SixteenBitAndReflectanceCopiesGiveTheByteClusters) {
  std::vector<double> byte;
  for (auto [type, factor] : {std::pair{GDT_Byte, 1.0}, {GDT_UInt16, 100.0}, {GDT_Float32, 1.0 / 255}}) {
    Scene3 s;
    const double f = factor;
    Scene scene(26, 24, 3, [&](int b, int c, int r) { return s.scene.value(b, c, r) * f; }, false, 0, type);
    scene.MakeResult(s.columns, s.rows);
    ASSERT_EQ(ztISODATA(scene.source, s.bands.data(), 3, 5, static_cast<float>(5.0 * factor), 10, 0.02f, 1.0f, 4, 2,
                        s.interval, scene.result, s.rows, s.columns, s.firstRow, s.firstColumn, nullptr, 0),
              RC_OK);
    const std::vector<double> classes = scene.Result();
    if (type == GDT_Byte)
      byte = classes;
    else
      EXPECT_EQ(classes, byte) << GDALGetDataTypeName(type);
  }
}

TEST(Isodata, NoIterationClassifiesByThePassOverTheInitialCentres) {
  for (long stretch : {0L, 6L}) {
    Scene3 s;
    long display[] = {3, 2, 1};
    ASSERT_EQ(s.Run(5, 0, display, stretch), RC_OK);
    const GridSamples samples = SampleGrid(s.scene, s.bandList, s.rows, s.columns, s.firstRow, s.firstColumn, s.interval);
    const std::vector<Vec> centres =
        BruteCentres(samples, 5, PixelOf(s.scene, s.bandList, s.firstRow, s.firstColumn));
    const BruteClasses classes = BruteAssign(samples, centres);
    // Colours come from the centres themselves, through the display table.
    const std::vector<CLASSATTINFO> records = Records(s.scene.result);
    ASSERT_EQ(records.size(), 5u);
    for (int c = 0; c < 3; ++c) {
      unsigned short table[256];
      for (int t = 0; t < 256; ++t) table[t] = static_cast<unsigned short>(t);
      if (stretch == 6) {
        ASSERT_EQ(ztComImgLinearALayer(s.scene.source, display[c], table, -1, -1, 0.005f, 0.995f, nullptr), 0);
      }
      for (int j = 0; j < 5; ++j) {
        const unsigned char expected = table[int(centres[j][display[c] - 1])] & 0xFF;
        const unsigned char got = c == 0 ? records[j].red : c == 1 ? records[j].green : records[j].blue;
        EXPECT_EQ(got, expected) << c << " " << j;
      }
    }
    const std::vector<double> result = s.scene.Result();
    for (int r = 0; r < s.rows; ++r)
      for (int c = 0; c < s.columns; ++c) {
        const Vec x = PixelOf(s.scene, s.bandList, s.firstRow + r, s.firstColumn + c);
        int best = 0;
        double bestD = INFINITY;
        for (int j = 1; j <= 5; ++j) {
          const Vec mean = classes.count.count(j) ? classes.mean.at(j) : Vec(3, 0.0);
          if (Distance2(mean, x) < bestD) bestD = Distance2(mean, x), best = j;
        }
        ASSERT_EQ(result[r * s.columns + c], best);
      }
  }
}

TEST(Isodata, ArgumentChecksInOrder) {
  Scene3 s;
  long* b = s.bands.data();
  long bad[] = {1, 4, 2};
  void* src = s.scene.source;
  void* res = s.scene.result;
  ProgressRecorder progress;
  EXPECT_EQ(ztISODATA(src, b, 3, 4, 1, 3, 0.1f, 1, 4, 2, 2, nullptr, 18, 21, 4, 3, nullptr, 9), RC_NULL_ARGUMENT);
  EXPECT_EQ(ztISODATA(src, b, 1025, 0, 1, 3, 0.1f, 1, 4, 2, 2, res, 18, 21, 4, 3, nullptr, 9), RC_TOO_MANY_BANDS);
  EXPECT_EQ(ztISODATA(src, b, 3, 0, 1, 3, 0.1f, 1, 4, 2, 2, res, 18, 21, 4, 3, nullptr, 0), RC_BAD_WINDOW);
  EXPECT_EQ(ztISODATA(src, b, 3, 257, 1, 3, 0.1f, 1, 4, 2, 2, res, 18, 21, 4, 3, nullptr, 0), RC_BAD_WINDOW);
  EXPECT_EQ(ztISODATA(src, b, 3, 4, 1, 3, 0.1f, 1, 4, 2, 2, res, 18, 21, 7, 3, nullptr, 0), RC_BAD_WINDOW);
  EXPECT_EQ(ztISODATA(src, b, 3, 4, 1, 3, 0.1f, 1, 4, 2, 0, res, 18, 21, 4, 3, nullptr, 0), RC_BAD_WINDOW);
  EXPECT_EQ(ztISODATA(src, b, 0, 4, 1, 3, 0.1f, 1, 4, 2, 2, res, 18, 21, 4, 3, nullptr, 0), RC_BAD_WINDOW);
  EXPECT_EQ(ztISODATA(src, b, 3, 4, 1, 3, 0.1f, 1, 4, 2, 2, res, 18, 21, 4, 3, nullptr, 8), RC_BAD_WINDOW);
  EXPECT_EQ(ztISODATA(src, b, 3, 4, 1, 3, 0.1f, 1, 4, 2, 2, res, 18, 21, 4, 3, bad, 0), RC_BAD_WINDOW);
  EXPECT_EQ(progress.Count("start"), 0);
  EXPECT_EQ(progress.Count("end"), 9);
}

TEST(Isodata, StopInEachPhase) {
  const long sampledRows = 9;  // 18 rows, interval 2
  const std::pair<long, const char*> stops[] = {{0, "最大最小距离法选初始类中心..."},
                                                {3 * sampledRows, "第1次迭代，类分裂、合并..."}};
  for (auto [steps, caption] : stops) {
    Scene3 s;
    ProgressRecorder progress;
    progress.stopAfterSteps = steps;
    EXPECT_EQ(s.Run(4, 20), RC_CANCELLED);
    EXPECT_EQ(progress.LastCaption(), caption);
    EXPECT_EQ(progress.Count("end"), 1);
  }
  Scene3 s;
  ProgressRecorder progress;
  progress.stopAfterSteps = 3 * sampledRows;
  EXPECT_EQ(s.Run(4, 0), RC_CANCELLED);
  EXPECT_EQ(progress.LastCaption(), "生成最终分类结果...");
}

}  // namespace
