// The unsupervised minimum distance, parallelepiped and generalized
// minimum distance classifiers against a brute-force
// max-min selection and a literal nearest-mean loop, on small real GeoTIFFs.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "unsupervised_fixture.h"
#include "ztclass/result_codes.h"
#include "ztclass/unsupervised.h"

using namespace zttest;

namespace {

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
  using Plain = long (*)(void*, long*, long, unsigned long, long, void*, long, long, long, long);
  using Coloured = long (*)(void*, long*, long, unsigned long, long, void*, long, long, long, long, long*);
  long Call(Plain plain, Coloured coloured, unsigned long k, long* display, bool colourVariant) {
    const long n = long(bands.size());
    return colourVariant ? coloured(scene.source, bands.data(), n, k, interval, scene.result, rows, columns, firstRow,
                                    firstColumn, display)
                         : plain(scene.source, bands.data(), n, k, interval, scene.result, rows, columns, firstRow,
                                 firstColumn);
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
  Vec Origin() const { return PixelOf(scene, bandList, 0, 0); }
  Vec Pixel(int r, int c) const { return PixelOf(scene, bandList, r, c); }
};

int Nearest(const BruteClasses& classes, const Vec& x) {
  int k = 0;
  double best = std::numeric_limits<double>::infinity();
  for (int c : classes.list) {
    const double d = Distance2(classes.mean.at(c), x);
    if (d < best) best = d, k = c;
  }
  return k;
}

TEST(UnsupervisedMinimumDistance, PixelsTakeTheNearestInitialClassMean) {
  for (unsigned long k : {1ul, 4ul, 7ul}) {
    SCOPED_TRACE(k);
    Unsup u;
    // k = 4 by the colour variant without display bands: classes named only.
    ASSERT_EQ(u.MiniDist(k, nullptr, k == 4), RC_OK);
    const GridSamples samples = u.Samples();
    const BruteClasses classes = BruteAssign(samples, BruteCentres(samples, int(k), u.Origin()));
    // The origin lies outside the window: its centre draws no sample.
    if (k > 1) {
      EXPECT_EQ(classes.count.count(1), 0u);
    }
    const std::vector<CLASSATTINFO> records = Records(u.scene.result);
    ASSERT_EQ(records.size(), size_t(classes.list.back()));
    EXPECT_STREQ(records.back().name, ("Class_" + std::to_string(classes.list.back())).c_str());
    const std::vector<double> result = u.scene.Result();
    for (int r = 0; r < u.rows; ++r)
      for (int c = 0; c < u.columns; ++c)
        ASSERT_EQ(result[r * u.columns + c], Nearest(classes, u.Pixel(u.firstRow + r, u.firstColumn + c)))
            << r << "," << c;
  }
}

TEST(UnsupervisedMinimumDistance, EqualDistancesKeepTheEarlierSampleAndTheLowerClass) {
  // Few values, many equal distances: ties decide every centre.
  auto steps = [](int b, int c, int r) { return double(((c / 2 + r / 3 + b) % 4) * 20); };
  for (int interval : {1, 2, 5}) {
    SCOPED_TRACE(interval);
    Unsup u(steps);
    u.interval = interval;
    ASSERT_EQ(u.MiniDist(4), RC_OK);
    const GridSamples samples = u.Samples();
    const BruteClasses classes = BruteAssign(samples, BruteCentres(samples, 4, u.Origin()));
    const std::vector<double> result = u.scene.Result();
    for (int r = 0; r < u.rows; ++r)
      for (int c = 0; c < u.columns; ++c)
        ASSERT_EQ(result[r * u.columns + c], Nearest(classes, u.Pixel(u.firstRow + r, u.firstColumn + c)));
  }
}

TEST(UnsupervisedMinimumDistance, NoDataInAnyBandGives255AndIsNeverACentre) {
  // 0 is no-data; band 1 (listed second) holds it in a strip.
  auto holes = [](int b, int c, int r) { return b == 1 && c >= 20 && r >= 10 ? 0.0 : Regions(b, c, r); };
  Unsup u(holes, true, 0);
  ASSERT_EQ(u.MiniDist(4), RC_OK);
  const GridSamples samples = u.Samples();
  const BruteClasses classes = BruteAssign(samples, BruteCentres(samples, 4, u.Origin(), true, 0));
  ASSERT_EQ(ztRSGetRasterNoDataValue(ztRSGetRasterBand(u.scene.result, 1), nullptr), 255);
  const std::vector<double> result = u.scene.Result();
  for (int r = 0; r < u.rows; ++r)
    for (int c = 0; c < u.columns; ++c) {
      const int sr = u.firstRow + r, sc = u.firstColumn + c;
      ASSERT_EQ(result[r * u.columns + c], sc >= 20 && sr >= 10 ? 255 : Nearest(classes, u.Pixel(sr, sc)));
    }
}

TEST(UnsupervisedMinimumDistance, APassWithoutAUsableSampleFindsNoCentre) {
  Unsup u([](int, int c, int r) { return c == 0 && r == 0 ? 5.0 : 9.0; }, true, 9);
  EXPECT_EQ(u.MiniDist(2), RC_TOO_FEW_SAMPLES);
  EXPECT_EQ(u.MiniDist(1), RC_OK);  // no pass runs; every pixel is no-data
}

TEST(UnsupervisedMinimumDistance, ColourVariantColoursClassesByTheirFinalMeans) {
  long display[] = {2, 1, 2};  // band 1, band 3, band 1
  for (auto [type, scale] : {std::pair{GDT_Byte, 1.0}, {GDT_UInt16, 37.0}}) {
    SCOPED_TRACE(type);
    const double s = scale;
    Unsup u([&](int b, int c, int r) { return Regions(b, c, r) * s; }, false, 0, type);
    ASSERT_EQ(u.MiniDist(5, display, true), RC_OK);
    const std::vector<CLASSATTINFO> records = Records(u.scene.result);
    const std::vector<double> result = u.scene.Result();
    // Final means over the pixels of each class, and each band's range.
    std::map<int, Vec> sum;
    std::map<int, long> count;
    for (int r = 0; r < u.rows; ++r)
      for (int c = 0; c < u.columns; ++c) {
        const int k = int(result[r * u.columns + c]);
        const Vec x = u.Pixel(u.firstRow + r, u.firstColumn + c);
        if (!sum.count(k)) sum[k] = Vec(2, 0.0);
        for (int b = 0; b < 2; ++b) sum[k][b] += x[b];
        ++count[k];
      }
    double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
    for (int r = 0; r < u.scene.rows; ++r)
      for (int c = 0; c < u.scene.columns; ++c) {
        const Vec x = u.Pixel(r, c);
        for (int b = 0; b < 2; ++b) lo[b] = std::min(lo[b], x[b]), hi[b] = std::max(hi[b], x[b]);
      }
    ASSERT_FALSE(records.empty());
    for (size_t i = 0; i < records.size(); ++i) {
      const int k = int(i) + 1;
      unsigned char rgb[3];
      for (int comp = 0; comp < 3; ++comp) {
        const int p = int(display[comp]) - 1;
        const double mean = count.count(k) ? sum[k][p] / double(count[k]) : 0.0;
        const double level = type == GDT_Byte ? mean : (mean - lo[p]) * 255 / (hi[p] - lo[p]);
        rgb[comp] = static_cast<unsigned char>(static_cast<long>(std::trunc(level)) & 0xFF);
      }
      EXPECT_EQ(records[i].red, rgb[0]) << k;
      EXPECT_EQ(records[i].green, rgb[1]) << k;
      EXPECT_EQ(records[i].blue, rgb[2]) << k;
      EXPECT_STREQ(records[i].name, ("Class_" + std::to_string(k)).c_str());
    }
  }
}

TEST(UnsupervisedMinimumDistance, ArgumentChecksInOrder) {
  Unsup u;
  long* b = u.bands.data();
  long display[] = {1, 2, 3};
  ProgressRecorder progress;
  EXPECT_EQ(ztFJDMiniDist(nullptr, b, 2, 4, 3, u.scene.result, 20, 25, 3, 2), RC_NULL_ARGUMENT);
  EXPECT_EQ(ztFJDMiniDist(u.scene.source, b, 1025, 0, 0, nullptr, 20, 25, 3, 2), RC_NULL_ARGUMENT);
  EXPECT_EQ(ztFJDMiniDist(u.scene.source, b, 1025, 0, 0, u.scene.result, 20, 25, 3, 2), RC_TOO_MANY_BANDS);
  EXPECT_EQ(ztFJDMiniDist(u.scene.source, b, 2, 0, 3, u.scene.result, 20, 25, 3, 2), RC_BAD_WINDOW);
  EXPECT_EQ(ztFJDMiniDist(u.scene.source, b, 2, 256, 3, u.scene.result, 20, 25, 3, 2), RC_BAD_WINDOW);
  EXPECT_EQ(ztFJDMiniDist(u.scene.source, b, 2, 4, 3, u.scene.result, 20, 25, 7, 2), RC_BAD_WINDOW);
  EXPECT_EQ(ztFJDMiniDist(u.scene.source, b, 2, 4, 0, u.scene.result, 20, 25, 3, 2), RC_BAD_WINDOW);
  EXPECT_EQ(ztFJDMiniDist(u.scene.source, b, 0, 4, 3, u.scene.result, 20, 25, 3, 2), RC_BAD_WINDOW);
  EXPECT_EQ(ztFJDMiniDistNew(u.scene.source, b, 2, 4, 3, u.scene.result, 20, 25, 3, 2, display), RC_BAD_WINDOW);
  EXPECT_EQ(progress.Count("start"), 0);
  EXPECT_EQ(progress.Count("end"), 9);
  EXPECT_EQ(ztFJDMiniDist(u.scene.source, b, 2, 255, 3, u.scene.result, 20, 25, 3, 2), RC_OK);
}

// Sub captions in the order shown, and the last one when a stop arrives
// after a given number of steps.
std::string StoppedIn(Unsup& u, long steps, long& rc) {
  ProgressRecorder progress;
  progress.stopAfterSteps = steps;
  rc = u.MiniDist(4);
  EXPECT_EQ(progress.Count("end"), 1);
  return progress.LastCaption();
}

TEST(UnsupervisedMinimumDistance, StopInEachPhase) {
  Unsup u;
  const long sampledRows = (u.rows + u.interval - 1) / u.interval;
  long rc = 0;
  EXPECT_EQ(StoppedIn(u, 0, rc), "最大最小距离法选初始类中心...");
  EXPECT_EQ(rc, RC_CANCELLED);
  EXPECT_EQ(StoppedIn(u, 3 * sampledRows, rc), "计算初始类的统计值:样本个数和均值...");
  EXPECT_EQ(rc, RC_CANCELLED);
  EXPECT_EQ(StoppedIn(u, 4 * sampledRows, rc), "非监督的最小距离分类...");
  EXPECT_EQ(rc, RC_CANCELLED);
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
  Unsup u;
  long display[] = {1, 2, 1};
  ASSERT_EQ(u.Box(6, display, true), RC_OK);
  const GridSamples samples = u.Samples();
  const BruteClasses classes = BruteAssign(samples, BruteCentres(samples, 6, u.Origin()));
  const std::vector<CLASSATTINFO> records = Records(u.scene.result);
  ASSERT_EQ(records.size(), size_t(classes.list.back() + 1));
  const std::vector<double> result = u.scene.Result();
  Vec sum(2, 0.0);
  long outside = 0;
  for (int r = 0; r < u.rows; ++r)
    for (int c = 0; c < u.columns; ++c) {
      const Vec x = u.Pixel(u.firstRow + r, u.firstColumn + c);
      ASSERT_EQ(result[r * u.columns + c], BruteBox(classes, x)) << r << "," << c;
      if (result[r * u.columns + c] == 1) sum[0] += x[0], sum[1] += x[1], ++outside;
    }
  // Record 0 stands for the pixels in no box.
  ASSERT_GT(outside, 0);
  EXPECT_STREQ(records[0].name, "Class_1");
  EXPECT_EQ(records[0].red, static_cast<unsigned char>(long(sum[0] / double(outside)) & 0xFF));
  EXPECT_EQ(records[0].green, static_cast<unsigned char>(long(sum[1] / double(outside)) & 0xFF));
}

TEST(UnsupervisedParallelepiped, NoDataIsNoticedOnlyWhenTheExaminationReachesItsBand) {
  // Listed bands 3, 1; pixels off the sample grid: band 3 outside every box
  // with band 1 no-data stays 1; band 3 no-data gives 255.
  auto marked = [](int b, int c, int r) {
    if (r == 4 && c == 4) return b == 3 ? 255.0 : 0.0;
    if (r == 4 && c == 6) return b == 3 ? 0.0 : 60.0;
    return Regions(b, c, r) + 1;
  };
  Unsup u(marked, true, 0);
  ASSERT_EQ(u.Box(4), RC_OK);
  const GridSamples samples = u.Samples();
  const BruteClasses classes = BruteAssign(samples, BruteCentres(samples, 4, u.Origin(), true, 0));
  const std::vector<double> result = u.scene.Result();
  EXPECT_EQ(result[1 * u.columns + 2], 1);
  EXPECT_EQ(result[1 * u.columns + 4], 255);
  for (int r = 0; r < u.rows; ++r)
    for (int c = 0; c < u.columns; ++c)
      ASSERT_EQ(result[r * u.columns + c], BruteBox(classes, u.Pixel(u.firstRow + r, u.firstColumn + c), true, 0));
}

// The generalized distance as it is written: t[a] = sum_b W[a][b] (x[a] -
// m[b]), d = sum_a (x[a] - m[a]) t[a], W the inverse of the class's mean
// product matrix of its samples (2 x 2, inverted by hand).
int BruteGeneralized(const GridSamples& samples, const BruteClasses& classes, const Vec& x) {
  int best = 0;
  double bestD = INFINITY;
  for (int k : classes.list) {
    double s[2][2] = {};
    for (size_t i = 0; i < samples.values.size(); ++i)
      if (classes.sampleClass[i] == k)
        for (int a = 0; a < 2; ++a)
          for (int b = 0; b < 2; ++b) s[a][b] += samples.values[i][a] * samples.values[i][b];
    const double n = double(classes.count.at(k));
    for (auto& row : s)
      for (double& v : row) v /= n;
    const double det = s[0][0] * s[1][1] - s[0][1] * s[1][0];
    const double w[2][2] = {{s[1][1] / det, -s[0][1] / det}, {-s[1][0] / det, s[0][0] / det}};
    const Vec& m = classes.mean.at(k);
    double d = 0;
    for (int a = 0; a < 2; ++a) {
      double t = 0;
      for (int b = 0; b < 2; ++b) t += w[a][b] * (x[a] - m[b]);
      d += (x[a] - m[a]) * t;
    }
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
    const BruteClasses classes = BruteAssign(samples, BruteCentres(samples, 5, u.Origin()));
    EXPECT_EQ(Records(u.scene.result).size(), size_t(classes.list.back()));
    const std::vector<double> result = u.scene.Result();
    int mismatches = 0;
    for (int r = 0; r < u.rows; ++r)
      for (int c = 0; c < u.columns; ++c)
        mismatches += result[r * u.columns + c] !=
                      BruteGeneralized(samples, classes, u.Pixel(u.firstRow + r, u.firstColumn + c));
    EXPECT_EQ(mismatches, 0);
  }
}

TEST(UnsupervisedGeneralizedDistance, SampleClassesStayInTheResultWhenStoppedWhileInverting) {
  Unsup u;
  ProgressRecorder progress;
  const long sampledRows = (u.rows + u.interval - 1) / u.interval;
  progress.stopAfterSteps = 4 * sampledRows + sampledRows;
  ASSERT_EQ(u.GY(5), RC_CANCELLED);
  const GridSamples samples = u.Samples();
  const BruteClasses classes = BruteAssign(samples, BruteCentres(samples, 5, u.Origin()));
  const std::vector<double> result = u.scene.Result();
  std::vector<double> expected(result.size(), 0.0);
  for (size_t i = 0; i < samples.positions.size(); ++i) {
    auto [r, c] = samples.positions[i];
    expected[(r - u.firstRow) * u.columns + (c - u.firstColumn)] = classes.sampleClass[i];
  }
  EXPECT_EQ(result, expected);
}

TEST(UnsupervisedGeneralizedDistance, OneSampleClassesAndTooSmallResultsAreRefused) {
  Unsup u;
  u.firstRow = u.firstColumn = 0;  // the origin's outlier is its own class
  EXPECT_EQ(u.GY(4), RC_MATRIX_NOT_INVERTIBLE);
  // A result that cannot hold every class is refused.
  Unsup signedResult(Regions, false, 0, GDT_Byte, ZTRS_Int8);
  EXPECT_EQ(signedResult.GY(128), RC_BAD_WINDOW);
  EXPECT_EQ(signedResult.GY(5), RC_OK);
}

}  // namespace
