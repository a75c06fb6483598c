// The unsupervised minimum distance, parallelepiped and generalized
// minimum distance classifiers against a brute-force max-min selection and a
// literal nearest-mean loop, on small real GeoTIFFs; ISODATA's split and merge
// steps on tables worked out by hand, and whole calls on tiny real images whose
// iterations are worked out by hand or follow the brute-force centres.
#include <limits>

#include "classifier_fixture.h"
#include "statistical/isodata_clusters.h"
#include "ztclass/result_codes.h"
#include "ztclass/unsupervised.h"
#include "ztservices/enhance.h"

using namespace zttest;
using zt::Cluster;
using zt::ClusterTable;
using zt::IsodataLimits;

namespace {

// Brute-force pieces: the sample grid read straight from the scene's value
// function, max-min centres chosen by comparing every sample with every
// centre, and nearest-centre classes.
struct GridSamples {
  std::vector<Vec> values;
  std::vector<std::pair<int, int>> positions;  // (row, column) in the source
};

GridSamples SampleGrid(const Scene& scene, const std::vector<int>& bands, int rows, int columns, int firstRow,
                       int firstColumn, int interval) {
  GridSamples s;
  for (int j = 0; j * interval < rows; ++j)
    for (int i = 0; i * interval < columns; ++i) {
      const int r = firstRow + j * interval, c = firstColumn + i * interval;
      s.values.push_back(PixelOf(scene, bands, r, c));
      s.positions.push_back({r, c});
    }
  return s;
}

// Centres 1..count (index k - 1); samples with a band equal to noData (when
// hasNoData) or NaN are passed over.
std::vector<Vec> BruteCentres(const GridSamples& s, int count, const Vec& first, bool hasNoData = false,
                              double noData = 0) {
  std::vector<Vec> centres = {first};
  while (static_cast<int>(centres.size()) < count) {
    int best = -1;
    double bestD = 0;
    for (size_t i = 0; i < s.values.size(); ++i) {
      const Vec& x = s.values[i];
      if (std::any_of(x.begin(), x.end(), [&](double v) { return std::isnan(v) || (hasNoData && v == noData); }))
        continue;
      double d = INFINITY;
      for (const Vec& c : centres) d = std::min(d, Distance2(c, x));
      if (best < 0 || d > bestD) best = int(i), bestD = d;
    }
    if (best < 0) return {};
    centres.push_back(s.values[best]);
  }
  return centres;
}

struct BruteClasses {
  std::vector<int> sampleClass;  // per sample, 0 for NaN and no-data samples
  std::map<int, long> count;
  std::map<int, Vec> mean, deviation;
  std::vector<int> list;  // non-empty classes, ascending
};

// Every sample to its nearest centre (ties to the lower number), NaN and
// no-data samples (as in BruteCentres) to none; deviations from the squared
// differences to the mean, summed apart.
BruteClasses BruteAssign(const GridSamples& s, const std::vector<Vec>& centres, bool hasNoData = false,
                         double noData = 0) {
  BruteClasses b;
  std::map<int, std::vector<Vec>> members;
  for (const Vec& x : s.values) {
    if (std::any_of(x.begin(), x.end(), [&](double v) { return std::isnan(v) || (hasNoData && v == noData); })) {
      b.sampleClass.push_back(0);
      continue;
    }
    const int k = int(Nearest(centres, x)) + 1;
    b.sampleClass.push_back(k);
    members[k].push_back(x);
  }
  for (auto& [k, xs] : members) {
    b.list.push_back(k);
    b.count[k] = long(xs.size());
    Vec mean(xs[0].size(), 0.0), dev(xs[0].size(), 0.0);
    for (const Vec& x : xs)
      for (size_t i = 0; i < x.size(); ++i) mean[i] += x[i];
    for (double& m : mean) m /= double(xs.size());
    for (const Vec& x : xs)
      for (size_t i = 0; i < x.size(); ++i) dev[i] += (x[i] - mean[i]) * (x[i] - mean[i]);
    for (double& d : dev) d = std::sqrt(d / double(xs.size()));
    b.mean[k] = mean;
    b.deviation[k] = dev;
  }
  return b;
}

// Four spectral regions with texture; the image origin holds an outlier.
double Regions(int b, int c, int r) {
  if (c == 0 && r == 0) return 250;
  const double noise = ((c * 7 + r * 13 + b * 5) % 9) - 4;
  if (r < 12) return (c < 15 ? 40 + 10 * b : 110 + 3 * b) + noise;
  return (c < 15 ? 170 - 9 * b : 90 + 20 * b) + noise;
}

struct Unsup {
  Scene scene;
  std::vector<long> bands = {3, 1};
  std::vector<int> bandList = {3, 1};
  int rows = 20, columns = 25, firstRow = 3, firstColumn = 2, interval = 3;
  explicit Unsup(std::function<double(int, int, int)> v = Regions, bool noData = false, double nd = 0,
                 GDALDataType type = GDT_Byte, ZTRSDataType resultType = ZTRS_Byte)
      : scene(30, 26, 3, std::move(v), noData, nd, type) {
    scene.MakeResult(columns, rows, resultType);
  }
  template <typename Plain, typename Coloured>
  long Call(Plain plain, Coloured coloured, unsigned long k, long* display, bool colourVariant) {
    void *s = scene.source, *r = scene.result;
    long* b = bands.data();
    const long n = long(bands.size());
    return colourVariant ? coloured(s, b, n, k, interval, r, rows, columns, firstRow, firstColumn, display)
                         : plain(s, b, n, k, interval, r, rows, columns, firstRow, firstColumn);
  }
  long MiniDist(unsigned long k, long* display = nullptr, bool colourVariant = false) {
    return Call(ztFJDMiniDist, ztFJDMiniDistNew, k, display, colourVariant);
  }
  long Box(unsigned long k, long* display = nullptr, bool colourVariant = false) {
    return Call(ztFJDBox, ztFJDBoxNew, k, display, colourVariant);
  }
  long GY(unsigned long k, long* display = nullptr, bool colourVariant = false) {
    return Call(ztFJDGYMiniDist, ztFJDGYMiniDistNew, k, display, colourVariant);
  }
  GridSamples Samples() const { return SampleGrid(scene, bandList, rows, columns, firstRow, firstColumn, interval); }
  Vec Pixel(int r, int c) const { return PixelOf(scene, bandList, r, c); }
  // The window's map against expected(the pixel's listed bands).
  void ExpectMap(const std::function<double(const Vec&)>& expected) {
    zttest::ExpectMap(scene.Result(), rows, columns,
                      [&](int r, int c) { return expected(Pixel(firstRow + r, firstColumn + c)); });
  }
};

// The class of the nearest mean, the lower class on ties.
int NearestMean(const BruteClasses& classes, const Vec& x) {
  std::vector<Vec> means;
  for (int k : classes.list) means.push_back(classes.mean.at(k));
  return classes.list[Nearest(means, x)];
}

TEST(UnsupervisedMinimumDistance, PixelsTakeTheNearestInitialClassMean) {
  // Few values, many equal distances: ties decide every centre.
  auto steps = [](int b, int c, int r) { return double(((c / 2 + r / 3 + b) % 4) * 20); };
  // 0 is no-data; band 1 (listed second) holds it in a strip, and no other
  // pixel holds 0.
  auto holes = [](int b, int c, int r) { return b == 1 && c >= 20 && r >= 10 ? 0.0 : Regions(b, c, r); };
  const struct {
    std::function<double(int, int, int)> value;
    bool noData;
    unsigned long k;
    int interval;
  } cases[] = {{Regions, false, 1, 3}, {Regions, false, 4, 3}, {Regions, false, 7, 3}, {steps, false, 4, 1},
               {steps, false, 4, 2},   {steps, false, 4, 5},   {holes, true, 4, 3}};
  for (const auto& t : cases) {
    SCOPED_TRACE(std::to_string(t.k) + " " + std::to_string(t.interval) + " " + std::to_string(t.noData));
    Unsup u(t.value, t.noData, 0);
    u.interval = t.interval;
    // The rows of the Regions scene; its k = 4 runs the colour variant
    // without display bands: classes named only.
    const bool regions = t.interval == 3 && !t.noData;
    ASSERT_EQ(u.MiniDist(t.k, nullptr, regions && t.k == 4), RC_OK);
    const GridSamples samples = u.Samples();
    const BruteClasses classes =
        BruteAssign(samples, BruteCentres(samples, int(t.k), u.Pixel(0, 0), t.noData, 0), t.noData, 0);
    // The origin's outlier lies outside the window: its centre draws no sample.
    if (regions && t.k > 1) {
      EXPECT_EQ(classes.count.count(1), 0u);
    }
    const std::vector<CLASSATTINFO> records = Records(u.scene.result);
    ASSERT_EQ(records.size(), size_t(classes.list.back()));
    EXPECT_STREQ(records.back().name, ("Class_" + std::to_string(classes.list.back())).c_str());
    if (t.noData) {
      ASSERT_EQ(ztRSGetRasterNoDataValue(ztRSGetRasterBand(u.scene.result, 1), nullptr), 255);
    }
    u.ExpectMap([&](const Vec& x) { return t.noData && (x[0] == 0 || x[1] == 0) ? 255 : NearestMean(classes, x); });
  }
}

TEST(UnsupervisedMinimumDistance, APassWithoutAUsableSampleFindsNoCentre) {
  Unsup u([](int, int c, int r) { return c == 0 && r == 0 ? 5.0 : 9.0; }, true, 9);
  EXPECT_EQ(u.MiniDist(2), RC_TOO_FEW_SAMPLES);
  EXPECT_EQ(u.MiniDist(1), RC_TOO_FEW_SAMPLES);  // no pass runs, and no sample makes a class
}

// An interval beyond the window samples its first pixel alone, however
// large: that sample becomes centre 2 (centre 1, the image's first pixel,
// lies outside the window) and the one class, 2, of every pixel.
TEST(UnsupervisedMinimumDistance, AnIntervalBeyondTheWindowSamplesItsFirstPixel) {
  const long largest = std::numeric_limits<long>::max();
  for (long interval : {100L, largest - 5, largest}) {
    SCOPED_TRACE(interval);
    Unsup u;
    ASSERT_EQ(ztFJDMiniDist(u.scene.source, u.bands.data(), 2, 3, interval, u.scene.result, u.rows, u.columns,
                            u.firstRow, u.firstColumn),
              RC_OK);
    EXPECT_EQ(Records(u.scene.result).size(), 2u);
    u.ExpectMap([](const Vec&) { return 2; });
  }
}

// 16-bit images: each band's range, over all its pixels, stretched over
// 0..255, and a mean beyond it (a class without pixels has mean 0) taking
// the nearer end (8-bit means are their own colours, which the command-line
// tests pin).
TEST(UnsupervisedMinimumDistance, ColourVariantColoursClassesByTheirFinalMeans) {
  const struct {
    const char* name;
    std::function<double(int, int, int)> value;
  } cases[] = {
      // Class 1, the outlier at the image origin, has no pixel in the window.
      {"regions", [](int b, int c, int r) { return Regions(b, c, r) * 37; }},
      // Every band's extremes lie in columns 16 on, tiles GDAL's sampled
      // statistics pass over.
      {"extremes off the first tiles",
       [](int b, int c, int r) {
         const double noise = ((c * 7 + r * 13 + b * 5) % 9) - 4;
         return (noise + (c < 16 ? 100 + 5 * b : r < 13 ? 30 + 10 * b : 200 - 9 * b)) * 37;
       }},
  };
  for (const auto& t : cases) {
    SCOPED_TRACE(t.name);
    long display[] = {2, 1, 2};  // band 1, band 3, band 1
    Unsup u(t.value, false, 0, GDT_UInt16);
    ASSERT_EQ(u.MiniDist(5, display, true), RC_OK);
    const std::vector<CLASSATTINFO> records = Records(u.scene.result);
    const std::vector<double> result = u.scene.Result();
    // Final means over the pixels of each class, and each band's range.
    std::vector<std::pair<int, Vec>> cells;
    for (int r = 0; r < u.rows; ++r)
      for (int c = 0; c < u.columns; ++c)
        cells.push_back({int(result[r * u.columns + c]), u.Pixel(u.firstRow + r, u.firstColumn + c)});
    const BruteStats finalMeans = StatisticsOf(cells);
    double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
    for (int r = 0; r < u.scene.rows; ++r)
      for (int c = 0; c < u.scene.columns; ++c) {
        const Vec x = u.Pixel(r, c);
        for (int b = 0; b < 2; ++b) lo[b] = std::min(lo[b], x[b]), hi[b] = std::max(hi[b], x[b]);
      }
    ASSERT_EQ(records.size(), 5u);
    for (size_t i = 0; i < records.size(); ++i) {
      const int k = int(i) + 1;
      std::vector<int> rgb;
      for (int comp = 0; comp < 3; ++comp) {
        const int p = int(display[comp]) - 1;
        const double mean = finalMeans.count.count(k) ? finalMeans.mean.at({k, p}) : 0.0;
        const double level = (mean - lo[p]) * 255 / (hi[p] - lo[p]);
        rgb.push_back(int(std::clamp(std::trunc(level), 0.0, 255.0)));
      }
      EXPECT_EQ((std::vector<int>{records[i].red, records[i].green, records[i].blue}), rgb) << k;
      EXPECT_STREQ(records[i].name, ("Class_" + std::to_string(k)).c_str());
    }
  }
}

// The clustering's own checks; the null, band-count and window checks are
// the shared pass's, tested with it.
TEST(UnsupervisedMinimumDistance, ArgumentChecksInOrder) {
  Unsup u;
  long* b = u.bands.data();
  long display[] = {1, 2, 3};
  ProgressRecorder progress;
  EXPECT_EQ(ztFJDMiniDist(u.scene.source, b, 2, 0, 3, u.scene.result, 20, 25, 3, 2), RC_BAD_WINDOW);
  EXPECT_EQ(ztFJDMiniDist(u.scene.source, b, 2, 256, 3, u.scene.result, 20, 25, 3, 2), RC_BAD_WINDOW);
  EXPECT_EQ(ztFJDMiniDist(u.scene.source, b, 2, 4, 0, u.scene.result, 20, 25, 3, 2), RC_BAD_WINDOW);
  EXPECT_EQ(ztFJDMiniDist(u.scene.source, b, 0, 4, 3, u.scene.result, 20, 25, 3, 2), RC_BAD_WINDOW);
  EXPECT_EQ(ztFJDMiniDistNew(u.scene.source, b, 2, 4, 3, u.scene.result, 20, 25, 3, 2, display), RC_BAD_WINDOW);
  EXPECT_EQ(progress.Count("start"), 0);
  EXPECT_EQ(progress.Count("end"), 5);
  EXPECT_EQ(ztFJDMiniDist(u.scene.source, b, 2, 255, 3, u.scene.result, 20, 25, 3, 2), RC_OK);
}

// The box of class k holds x when every band lies within 2 deviations.
int BruteBox(const BruteClasses& classes, const Vec& x, bool hasNoData = false, double noData = 0) {
  for (int k : classes.list) {
    size_t b = 0;
    for (; b < x.size(); ++b) {
      if (hasNoData && x[b] == noData) return 255;
      if (std::fabs(x[b] - classes.mean.at(k)[b]) > 2 * classes.deviation.at(k)[b]) break;
    }
    if (b == x.size()) return k + 1;
  }
  return 1;
}

TEST(UnsupervisedParallelepiped, FirstBoxHoldingThePixelGivesItsClassPlusOne) {
  // The second scene marks two pixels off the sample grid, listed bands 3, 1:
  // no-data is noticed only when the examination reaches its band, so band
  // 3 outside every box with band 1 no-data stays 1; band 3 no-data gives 255.
  auto marked = [](int b, int c, int r) {
    if (r == 4 && c == 4) return b == 3 ? 255.0 : 0.0;
    if (r == 4 && c == 6) return b == 3 ? 0.0 : 60.0;
    return Regions(b, c, r) + 1;
  };
  for (bool noData : {false, true}) {
    SCOPED_TRACE(noData);
    Unsup u(noData ? std::function<double(int, int, int)>(marked) : Regions, noData, 0);
    long display[] = {1, 2, 1};
    const int k = noData ? 4 : 6;
    ASSERT_EQ(u.Box(k, display, !noData), RC_OK);
    const GridSamples samples = u.Samples();
    const BruteClasses classes = BruteAssign(samples, BruteCentres(samples, k, u.Pixel(0, 0), noData, 0));
    if (noData) {
      EXPECT_EQ(BruteBox(classes, u.Pixel(4, 4), true, 0), 1);
      EXPECT_EQ(BruteBox(classes, u.Pixel(4, 6), true, 0), 255);
    }
    const std::vector<CLASSATTINFO> records = Records(u.scene.result);
    ASSERT_EQ(records.size(), size_t(classes.list.back() + 1));
    Vec sum(2, 0.0);
    long outside = 0;
    u.ExpectMap([&](const Vec& x) {
      const int box = BruteBox(classes, x, noData, 0);
      if (box == 1) sum[0] += x[0], sum[1] += x[1], ++outside;
      return box;
    });
    // Record 0 stands for the pixels in no box, coloured by their mean.
    ASSERT_GT(outside, 0);
    EXPECT_STREQ(records[0].name, "Class_1");
    if (!noData) {
      EXPECT_EQ(records[0].red, static_cast<unsigned char>(long(sum[0] / double(outside)) & 0xFF));
      EXPECT_EQ(records[0].green, static_cast<unsigned char>(long(sum[1] / double(outside)) & 0xFF));
    }
  }
}

// The least generalized distance to the classes of the samples.
int BruteGeneralized(const GridSamples& samples, const BruteClasses& classes, const Vec& x) {
  int best = 0;
  double bestD = INFINITY;
  for (int k : classes.list) {
    std::vector<Vec> members;
    for (size_t i = 0; i < samples.values.size(); ++i)
      if (classes.sampleClass[i] == k) members.push_back(samples.values[i]);
    const double d = GeneralizedDistance(MeanProductInverse(members), classes.mean.at(k), x);
    if (d < bestD) bestD = d, best = k;
  }
  return best;
}

TEST(UnsupervisedGeneralizedDistance, PixelsTakeTheLeastWeightedDistance) {
  for (bool colourVariant : {false, true}) {
    Unsup u;
    long display[] = {1, 1, 2};
    ASSERT_EQ(u.GY(5, display, colourVariant), RC_OK);
    const GridSamples samples = u.Samples();
    const BruteClasses classes = BruteAssign(samples, BruteCentres(samples, 5, u.Pixel(0, 0)));
    EXPECT_EQ(Records(u.scene.result).size(), size_t(classes.list.back()));
    u.ExpectMap([&](const Vec& x) { return BruteGeneralized(samples, classes, x); });
  }
}

TEST(UnsupervisedGeneralizedDistance, SampleClassesStayInTheResultWhenStoppedWhileInverting) {
  Unsup u;
  ProgressRecorder progress;
  const long sampledRows = (u.rows + u.interval - 1) / u.interval;
  progress.stopAfterSteps = 4 * sampledRows + sampledRows;
  ASSERT_EQ(u.GY(5), RC_CANCELLED);
  const GridSamples samples = u.Samples();
  const BruteClasses classes = BruteAssign(samples, BruteCentres(samples, 5, u.Pixel(0, 0)));
  const std::vector<double> result = u.scene.Result();
  std::vector<double> expected(result.size(), 0.0);
  for (size_t i = 0; i < samples.positions.size(); ++i) {
    auto [r, c] = samples.positions[i];
    expected[(r - u.firstRow) * u.columns + (c - u.firstColumn)] = classes.sampleClass[i];
  }
  EXPECT_EQ(result, expected);
}

// A result that cannot hold every class is refused.
TEST(UnsupervisedGeneralizedDistance, TooSmallResultsAreRefused) {
  Unsup signedResult(Regions, false, 0, GDT_Byte, ZTRS_Int8);
  EXPECT_EQ(signedResult.GY(128), RC_BAD_WINDOW);
  EXPECT_EQ(signedResult.GY(5), RC_OK);
}

// ISODATA -------------------------------------------------------------------

ClusterTable Table(const std::vector<Cluster>& clusters) {
  ClusterTable t(long(clusters[0].mean.size()));
  for (size_t j = 0; j < clusters.size(); ++j) t.entries[j] = clusters[j];
  t.count = long(clusters.size());
  return t;
}

IsodataLimits Limits(long k, double split, double merge, long minSamples, long maxMerges) {
  return IsodataLimits{k, split, 0.05, merge, minSamples, maxMerges};
}

TEST(IsodataSteps, DeletionKeepsTheLargerClustersInOrderAndNothingBeyondTheCount) {
  // The fourth entry is left over from an earlier, larger table.
  ClusterTable t = Table({{5, -1, {0}, {0}}, {2, -1, {1}, {0}}, {9, -1, {2}, {0}}, {40, -1, {3}, {0}}});
  t.count = 3;
  zt::DeleteSmallClusters(t, 4);
  ASSERT_EQ(t.count, 2);
  EXPECT_EQ(t.entries[0].mean, (Vec{0}));
  EXPECT_EQ(t.entries[1].mean, (Vec{2}));
}

TEST(IsodataSteps, SplitHalvesTheWidestBandOfWideClustersUpToHalfOfKAnd254Clusters) {
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
  // The splits stop at K / 2 and at 254 clusters: 150 wide clusters (v = 4)
  // and 50 flat ones: V = 3, all wide ones qualify.
  std::vector<Cluster> clusters;
  for (int j = 0; j < 200; ++j) clusters.push_back({10, -1, {double(j)}, {j < 150 ? 2.0 : 0.0}});
  ClusterTable many = Table(clusters), one(1);
  zt::SplitClusters(many, one, Limits(20, 1.0, 0, 0, 0));
  EXPECT_EQ(one.count, 210);  // K / 2 = 10 selections
  zt::SplitClusters(many, one, Limits(256, 1.0, 0, 0, 0));
  EXPECT_EQ(one.count, 254);  // 128 allowed, 54 fit
}

TEST(IsodataSteps, MergeJoinsTheClosestPairsUpToTheLimit) {
  // Distances (deviation 1 in band 1, band 2 alike everywhere): (2,3) 0.8,
  // (0,1) 1, (1,2) 9, ...; clusters 4 and 5 are flat in band 1: infinite
  // distance to the others, NaN to each other.
  auto table = [] {
    return Table({{2, -1, {0, 7}, {1, 1}}, {2, -1, {1, 7}, {1, 1}}, {2, -1, {10, 7}, {1, 2}},
                  {6, -1, {10.8, 7}, {1, 4}}, {1, -1, {20, 7}, {0, 1}}, {1, -1, {20, 7}, {0, 1}}});
  };
  ClusterTable d(1);
  ClusterTable s = table();
  zt::MergeClusters(s, d, Limits(2, 0, 5.0, 0, 0));  // L = 0: the first pair still merges
  ASSERT_EQ(d.count, 5);
  EXPECT_DOUBLE_EQ(d.entries[2].mean[0], (2 * 10 + 6 * 10.8) / 8);
  EXPECT_EQ(d.entries[2].samples, 8);
  // m = 10.6: (2 (1 + 0.36) + 6 (1 + 0.04)) / 8 = 1.12
  EXPECT_DOUBLE_EQ(d.entries[2].deviation[0], std::sqrt((2 * (1 + 0.6 * 0.6) + 6 * (1 + 0.2 * 0.2)) / 8));
  EXPECT_EQ(d.entries[2].mean[1], 7);
  EXPECT_DOUBLE_EQ(d.entries[2].deviation[1], std::sqrt((2 * 4 + 6 * 16) / 8.0));
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
      : scene(int(values.size()), 1, 1, [values](int, int c, int) { return values[c]; }, hasNoData, noData) {}
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

// Two halves of one band, about 10 and about 100, with one pixel that holds
// no number: NaN or an infinity, at the first pixel (where the first centre
// would come from) or inside the right half (where the max-min rule would
// take it as a centre). The halves keep classes of their own and that
// pixel is no-data (255).
TEST(PixelsWithoutNumbers, TheHalvesKeepTheirOwnClasses) {
  struct Hole {
    double value;
    int column, row;
  };
  const Hole holes[] = {{NAN, 0, 0}, {-INFINITY, 0, 0}, {INFINITY, 6, 2}, {NAN, 6, 2}};
  using Call = long (*)(Scene&, long*);
  const std::vector<std::pair<const char*, Call>> methods = {
      {"minimum distance",
       [](Scene& s, long* b) { return ztFJDMiniDist(s.source, b, 1, 2, 1, s.result, s.rows, s.columns, 0, 0); }},
      {"parallelepiped",
       [](Scene& s, long* b) { return ztFJDBox(s.source, b, 1, 2, 1, s.result, s.rows, s.columns, 0, 0); }},
      {"isodata", [](Scene& s, long* b) {
         return ztISODATA(s.source, b, 1, 2, 5.0f, 3, 0.05f, 1.0f, 0, 1, 1, s.result, s.rows, s.columns, 0, 0, nullptr,
                          0);
       }}};
  for (const auto& [name, call] : methods)
    for (const Hole& hole : holes) {
      SCOPED_TRACE(std::string(name) + ", " + std::to_string(hole.value) + " at column " + std::to_string(hole.column));
      const auto isHole = [&](int c, int r) { return c == hole.column && r == hole.row; };
      Scene scene(8, 4, 1, [&](int, int c, int r) {
        return isHole(c, r) ? hole.value : (c < 4 ? 10 : 100) + ((c + 2 * r) % 3) * 0.5;
      }, false, 0, GDT_Float32);
      long bands[] = {1};
      ASSERT_EQ(call(scene, bands), RC_OK);
      const std::vector<double> classes = scene.Result();
      const double left = classes[1], right = classes[4];
      EXPECT_NE(left, right);
      ExpectMap(classes, 4, 8, [&](int r, int c) { return isHole(c, r) ? 255 : c < 4 ? left : right; });
    }
}

// Rows of no-data pixels above or below 12 rows of two-band values: every
// clustering gives those rows what it gives the same 12 rows stored alone,
// and 255 to the no-data rows. The no-data value lies far below every
// value, so a class that took it in would lose its pixels; above, the rows
// hold the image's first pixel, where the first centre is taken from.
TEST(NoDataSamples, LeaveTheClassesAsTheyAreWithoutThem) {
  auto value = [](int b, int c, int r) {
    const double noise = (c * 7 + r * 13 + b * 3) % 5;
    return (c < 7 ? 30 : c < 13 ? 100 : 170) + 20 * b + noise;
  };
  using Call = long (*)(Scene&, long*);
  const std::vector<std::pair<const char*, Call>> methods = {
      {"minimum distance",
       [](Scene& s, long* b) { return ztFJDMiniDist(s.source, b, 2, 4, 1, s.result, s.rows, s.columns, 0, 0); }},
      {"parallelepiped",
       [](Scene& s, long* b) { return ztFJDBox(s.source, b, 2, 3, 1, s.result, s.rows, s.columns, 0, 0); }},
      {"generalized distance",
       [](Scene& s, long* b) { return ztFJDGYMiniDist(s.source, b, 2, 3, 1, s.result, s.rows, s.columns, 0, 0); }},
      {"isodata, no iteration", [](Scene& s, long* b) {
         return ztISODATA(s.source, b, 2, 3, 5.0f, 0, 0.05f, 1.0f, 0, 1, 1, s.result, s.rows, s.columns, 0, 0,
                          nullptr, 0);
       }},
      {"isodata", [](Scene& s, long* b) {
         return ztISODATA(s.source, b, 2, 2, 3.0f, 4, 0.01f, 1.0f, 0, 1, 1, s.result, s.rows, s.columns, 0, 0,
                          nullptr, 0);
       }}};
  for (const auto& [name, call] : methods)
    for (int firstValid : {0, 8}) {
      SCOPED_TRACE(std::string(name) + ", valid rows from " + std::to_string(firstValid));
      const int lastValid = firstValid + 11;
      Scene holes(20, 20, 2, [&](int b, int c, int r) {
        return r < firstValid || r > lastValid ? -9999.0 : value(b, c, r - firstValid);
      }, true, -9999, GDT_Float32);
      Scene alone(20, 12, 2, value, false, 0, GDT_Float32);
      long bands[] = {1, 2};
      ASSERT_EQ(call(holes, bands), RC_OK);
      ASSERT_EQ(call(alone, bands), RC_OK);
      EXPECT_EQ(Records(holes.result).size(), Records(alone.result).size());
      const std::vector<double> expected = alone.Result();
      ExpectMap(holes.Result(), 20, 20, [&](int r, int c) {
        return r < firstValid || r > lastValid ? 255 : expected[(r - firstValid) * 20 + c];
      });
    }
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

TEST(Isodata, NoIterationClassifiesByThePassOverTheInitialCentres) {
  const decltype(&ztComImgRootALayer) stretches[] = {ztComImgRootALayer, ztComImgSquareALayer, ztComImgLinearALayer,
                                                     ztComImgInvertALayer};
  for (long stretch : {0L, 4L, 5L, 6L, 7L}) {
    Scene3 s;
    long display[] = {3, 2, 1};
    ASSERT_EQ(s.Run(5, 0, display, stretch), RC_OK);
    const GridSamples samples = SampleGrid(s.scene, s.bandList, s.rows, s.columns, s.firstRow, s.firstColumn, s.interval);
    const std::vector<Vec> centres = BruteCentres(samples, 5, PixelOf(s.scene, s.bandList, s.firstRow, s.firstColumn));
    const BruteClasses classes = BruteAssign(samples, centres);
    // Colours come from the centres themselves, through the display table.
    const std::vector<CLASSATTINFO> records = Records(s.scene.result);
    ASSERT_EQ(records.size(), 5u);
    for (int c = 0; c < 3; ++c) {
      unsigned short table[256];
      for (int t = 0; t < 256; ++t) table[t] = static_cast<unsigned short>(t);
      if (stretch) {
        ASSERT_EQ(stretches[stretch - 4](s.scene.source, display[c], table, -1, -1, 0.005f, 0.995f, nullptr), 0);
      }
      for (int j = 0; j < 5; ++j) {
        const unsigned char expected = table[int(centres[j][display[c] - 1])] & 0xFF;
        const unsigned char got = c == 0 ? records[j].red : c == 1 ? records[j].green : records[j].blue;
        EXPECT_EQ(got, expected) << c << " " << j;
      }
    }
    // An empty class keeps its centre.
    std::vector<Vec> means;
    for (int j = 1; j <= 5; ++j) means.push_back(classes.count.count(j) ? classes.mean.at(j) : centres[j - 1]);
    ExpectMap(s.scene.Result(), s.rows, s.columns, [&](int r, int c) {
      return Nearest(means, PixelOf(s.scene, s.bandList, s.firstRow + r, s.firstColumn + c)) + 1;
    });
  }
}

// Samples 200, 100, 200, 100 at interval 2 give centres 200, 100 and 200
// again, which no sample reaches (ties go to the first). The pixel 5, off
// the grid, is nearest 100 of the centres: class 2, not a third class of
// no mean.
TEST(Isodata, AClusterWithoutSamplesKeepsItsCentre) {
  Scene scene(4, 4, 1, [](int, int c, int r) {
    return c == 2 && (r == 0 || r == 2) ? 100.0 : c == 1 && r == 1 ? 5.0 : 200.0;
  });
  long bands[] = {1};
  ASSERT_EQ(ztISODATA(scene.source, bands, 1, 3, 5.0f, 0, 0.05f, 1.0f, 0, 1, 2, scene.result, 4, 4, 0, 0, nullptr, 0),
            RC_OK);
  EXPECT_EQ(Records(scene.result).size(), 3u);
  EXPECT_EQ(scene.Result(), (std::vector<double>{1, 1, 2, 1, 1, 2, 1, 1, 1, 1, 2, 1, 1, 1, 1, 1}));
}

// ISODATA's own checks (the shared ones are tested with the pass).
TEST(Isodata, ArgumentChecksInOrder) {
  Scene3 s;
  long* b = s.bands.data();
  long bad[] = {1, 4, 2};
  void *src = s.scene.source, *res = s.scene.result;
  ProgressRecorder progress;
  EXPECT_EQ(ztISODATA(src, b, 3, 0, 1, 3, 0.1f, 1, 4, 2, 2, res, 18, 21, 4, 3, nullptr, 0), RC_BAD_WINDOW);
  EXPECT_EQ(ztISODATA(src, b, 3, 257, 1, 3, 0.1f, 1, 4, 2, 2, res, 18, 21, 4, 3, nullptr, 0), RC_BAD_WINDOW);
  EXPECT_EQ(ztISODATA(src, b, 3, 4, 1, 3, 0.1f, 1, 4, 2, 0, res, 18, 21, 4, 3, nullptr, 0), RC_BAD_WINDOW);
  EXPECT_EQ(ztISODATA(src, b, 0, 4, 1, 3, 0.1f, 1, 4, 2, 2, res, 18, 21, 4, 3, nullptr, 0), RC_BAD_WINDOW);
  EXPECT_EQ(ztISODATA(src, b, 3, 4, 1, 3, 0.1f, 1, 4, 2, 2, res, 18, 21, 4, 3, nullptr, 8), RC_BAD_WINDOW);
  EXPECT_EQ(ztISODATA(src, b, 3, 4, 1, 3, 0.1f, 1, 4, 2, 2, res, 18, 21, 4, 3, bad, 0), RC_BAD_WINDOW);
  EXPECT_EQ(progress.Count("start"), 0);
  EXPECT_EQ(progress.Count("end"), 6);
}

// A stop after a given number of steps ends the call with the caption of the
// phase it came in shown last, and one end.
TEST(UnsupervisedStops, EachPhaseShowsItsCaptionLast) {
  Unsup u;
  Scene3 s;
  const long sampledRows = 7, isodataRows = 9;  // 20 rows at interval 3, 18 at interval 2
  const struct {
    bool isodata;
    long steps, iterations;
    const char* caption;
  } stops[] = {{false, 0, 0, "最大最小距离法选初始类中心..."},
               {false, 3 * sampledRows, 0, "计算初始类的统计值:样本个数和均值..."},
               {false, 4 * sampledRows, 0, "非监督的最小距离分类..."},
               {true, 0, 20, "最大最小距离法选初始类中心..."},
               {true, 3 * isodataRows, 20, "第1次迭代，类分裂、合并..."},
               {true, 3 * isodataRows, 0, "生成最终分类结果..."}};
  for (const auto& stop : stops) {
    ProgressRecorder progress;
    progress.stopAfterSteps = stop.steps;
    EXPECT_EQ(stop.isodata ? s.Run(4, stop.iterations) : u.MiniDist(4), RC_CANCELLED) << stop.caption;
    EXPECT_EQ(progress.LastCaption(), stop.caption);
    EXPECT_EQ(progress.Count("end"), 1) << stop.caption;
  }
}

}  // namespace
