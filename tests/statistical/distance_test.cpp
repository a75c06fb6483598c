// The supervised distance and box classifiers against brute-force loops
// that follow their formulas, on small real GeoTIFFs.
#include <limits>

#include "classifier_fixture.h"
#include "ztclass/model.h"
#include "ztclass/result_codes.h"
#include "ztclass/samples.h"
#include "ztclass/statistical.h"

using namespace zttest;

namespace {

// Three spectral regions by column, with texture.
double Texture(int b, int c, int r) {
  const double noise = ((c * 7 + r * 13 + b * 5) % 11) - 5;
  if (c < 10) return 40 + 10 * b + noise;
  if (c < 20) return 100 + 5 * b + noise;
  return 160 - 8 * b + noise;
}

const std::vector<std::vector<Rect>> kClassRects = {
    {{2, 3, 8, 9}}, {{12, 4, 18, 12}, {13, 18, 17, 22}}, {{24, 10, 32, 20}}};

// The class a pixel's centre gets: the last class with a rectangle holding it, 0 for none.
int MaskClass(int column, int row) {
  int k = 0;
  for (size_t a = 0; a < kClassRects.size(); ++a)
    for (const Rect& rect : kClassRects[a])
      if (rect.Holds(column, row)) k = static_cast<int>(a) + 1;
  return k;
}

struct Trained {
  Scene scene;
  std::vector<long> bands = {3, 1};
  int rows = 20, columns = 27, firstRow = 5, firstColumn = 4;
  explicit Trained(bool noData = false, double noDataValue = 0, double (*value)(int, int, int) = Texture,
                   GDALDataType type = GDT_Byte)
      : scene(36, 28, 3, value, noData, noDataValue, type) {
    const char* names[] = {"Low", "Mid", "High"};
    for (size_t k = 0; k < kClassRects.size(); ++k) scene.AddClass(names[k], kClassRects[k], 10 * int(k), 50, 90);
    scene.MakeResult(columns, rows);
  }
  std::vector<int> BandList() const { return {int(bands[0]), int(bands[1])}; }
  // The training pixels of the window: pixels whose mask class is k and whose
  // listed bands all hold a number.
  std::vector<std::pair<int, Vec>> Cells() const {
    std::vector<std::pair<int, Vec>> cells;
    for (int r = firstRow; r < firstRow + rows; ++r)
      for (int c = firstColumn; c < firstColumn + columns; ++c) {
        const Vec x = Pixel(r, c);
        const int k = MaskClass(c, r);
        if (k != 0 && std::all_of(x.begin(), x.end(), [](double v) { return std::isfinite(v); })) cells.push_back({k, x});
      }
    return cells;
  }
  BruteStats Stats() const { return StatisticsOf(Cells()); }
  Vec Pixel(int r, int c) const { return PixelOf(scene, BandList(), r, c); }
  // classify(source, bands, the window, rest...).
  template <typename Classify, typename... Rest>
  long Run(Classify classify, Rest... rest) {
    return classify(scene.source, bands.data(), 2, scene.result, rows, columns, firstRow, firstColumn, rest...);
  }
  // The window's map against expected(the pixel's listed bands).
  void ExpectMap(const std::function<double(const Vec&)>& expected) {
    zttest::ExpectMap(scene.Result(), rows, columns,
                      [&](int r, int c) { return expected(Pixel(r + firstRow, c + firstColumn)); });
  }
};

// Whether x lies more than factor deviations from class k's mean in some band.
bool BeyondDeviations(const BruteStats& s, int k, const Vec& x, float factor) {
  for (size_t b = 0; b < x.size(); ++b)
    if (std::fabs(s.mean.at({k, int(b)}) - x[b]) > s.deviation.at({k, int(b)}) * double(factor)) return true;
  return false;
}

// Minimum distance, as the formulas read.
int BruteMinDist(const BruteStats& s, const std::vector<double>& x, bool useDev, const float* factors, bool useMax,
                 const float* limits) {
  double best = std::numeric_limits<double>::infinity();
  int k = 0;
  for (int c : s.classes) {
    double d = 0;
    for (size_t b = 0; b < x.size(); ++b) d += std::pow(s.mean.at({c, int(b)}) - x[b], 2);
    if (d < best) best = d, k = c;
  }
  if (useDev && BeyondDeviations(s, k, x, factors[k - 1])) return 0;
  for (size_t b = 0; b < x.size(); ++b)
    if (useMax && std::fabs(s.mean.at({k, int(b)}) - x[b]) > double(limits[k - 1])) return 0;
  return k;
}

TEST(MinimumDistance, DecisionsAndRejectionFollowTheFormulas) {
  float factors[] = {0.5f, 0.8f, 0.5f};
  float limits[] = {1000, 3, 1000};
  for (auto [useDev, useMax] : {std::pair{true, true}, {false, false}, {true, false}, {false, true}}) {
    SCOPED_TRACE(std::to_string(useDev) + std::to_string(useMax));
    Trained s;
    ASSERT_EQ(useDev && useMax ? s.Run(ztMiniDistA, factors, limits)
                               : s.Run(ztMiniDistANew, useDev, factors, useMax, limits),
              RC_OK);
    const BruteStats stats = s.Stats();
    int rejected = 0;
    s.ExpectMap([&](const Vec& x) {
      const int k = BruteMinDist(stats, x, useDev, factors, useMax, limits);
      rejected += k == 0;
      return k;
    });
    EXPECT_EQ(rejected > 0, useDev || useMax);
  }
}

// Classes whose means are the same values in rotated band order lie at
// distances that are equal but for rounding from pixels whose bands are all
// alike, so the class such a pixel gets depends on the order in which the
// squared band differences are added. Maps must not change with the build:
// the order is two running sums, one over the even and one over the odd
// bands of the leading pairs, the last band of an odd count joining the
// even sum before the two are added.
double PairedDistance(const std::vector<double>& mean, const std::vector<double>& x) {
  const size_t n = x.size(), pairs = n - n % 2;
  double even = 0, odd = 0;
  for (size_t b = 0; b < pairs; b += 2) {
    even += (mean[b] - x[b]) * (mean[b] - x[b]);
    odd += (mean[b + 1] - x[b + 1]) * (mean[b + 1] - x[b + 1]);
  }
  if (n % 2) even = (mean[n - 1] - x[n - 1]) * (mean[n - 1] - x[n - 1]) + even;
  return even + odd;
}

TEST(MinimumDistance, NearlyEqualDistancesAreSummedInOneOrder) {
  // Means of eighths, exact whatever the order of summation of the
  // training pixels; background pixels of full precision, equal in every band.
  const std::vector<double> levels = {12.375, 30.5, 7.125, 41.25, 22.625};
  for (int n : {3, 4, 5}) {
    SCOPED_TRACE(n);
    const int columns = 64, rows = 48;
    auto value = [&](int b, int c, int r) {
      for (int k = 0; k < 3; ++k)
        if (c >= 4 + 20 * k && c < 12 + 20 * k && r < 6) return levels[(b - 1 + k) % n];
      return 5.0 + 40.0 * std::fabs(std::sin(c * 12.9898 + r * 78.233));
    };
    Scene scene(columns, rows, n, value, false, 0, GDT_Float64);
    for (int k = 0; k < 3; ++k) scene.AddClass("rotated" + std::to_string(k), {{4.0 + 20 * k, 0, 12.0 + 20 * k, 6}});
    std::vector<long> bands;
    for (int b = 1; b <= n; ++b) bands.push_back(b);
    ASSERT_EQ(ztMiniDistANew(scene.source, bands.data(), n, scene.result, rows, columns, 0, 0, 0, nullptr, 0, nullptr),
              RC_OK);
    std::vector<std::vector<double>> means(3, std::vector<double>(n));
    for (int k = 0; k < 3; ++k)
      for (int b = 0; b < n; ++b) means[k][b] = levels[(b + k) % n];
    int orderMatters = 0;
    ExpectMap(scene.Result(), rows, columns, [&](int r, int c) {
      Vec x(n);
      for (int b = 0; b < n; ++b) x[b] = value(b + 1, c, r);
      int paired = 0;
      for (int k = 1; k < 3; ++k)
        if (PairedDistance(means[k], x) < PairedDistance(means[paired], x)) paired = k;
      orderMatters += size_t(paired) != Nearest(means, x);
      return paired + 1;
    });
    EXPECT_GT(orderMatters, 0) << "the scene does not tell the orders apart";
  }
}

TEST(MinimumDistance, ColoursAndNamesLandOnTheClassNumbersUsed) {
  // Class 1's AOI lies outside the window (columns 20..35): only class 2 and
  // 3 have training pixels, and their records must carry their own names.
  Trained s;
  s.scene.MakeResult(24, 28);
  float factors[] = {2, 2, 2}, limits[] = {255, 255, 255};
  ASSERT_EQ(ztMiniDistANew(s.scene.source, s.bands.data(), 2, s.scene.result, 28, 24, 0, 12, 0, factors, 0, limits),
            RC_OK);
  const std::vector<CLASSATTINFO> records = Records(s.scene.result);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_STREQ(records[1].name, "Mid");
  EXPECT_STREQ(records[2].name, "High");
  EXPECT_EQ(records[2].red, 20);
  for (double v : s.scene.Result()) EXPECT_TRUE(v == 2 || v == 3) << v;
}

// The window and band checks are the shared pass's (its own test); here the
// limits argument and the class AOIs.
TEST(MinimumDistance, ArgumentChecksInOrder) {
  float f[] = {2, 2, 2};
  Scene bare(8, 8, 1, Texture);
  long band = 1;
  EXPECT_EQ(ztMiniDistA(bare.source, &band, 1, bare.result, 1, 1, 0, 0, f, nullptr), RC_NULL_ARGUMENT);
  EXPECT_EQ(ztMiniDistA(bare.source, &band, 1, bare.result, 8, 8, 0, 0, f, f), RC_NO_CLASS_AOI);
  bare.AddOtherAoi({1, 1, 3, 3});
  EXPECT_EQ(ztMiniDistA(bare.source, &band, 1, bare.result, 8, 8, 0, 0, f, f), RC_NO_CLASS_AOI);
  ztRSAddAOI(bare.source, "empty", 0, 0, 0, 3, "", 0, nullptr, nullptr);
  EXPECT_EQ(ztMiniDistA(bare.source, &band, 1, bare.result, 8, 8, 0, 0, f, f), RC_AOI_WITHOUT_POLYGON);
}

// Parallelepiped ---------------------------------------------------------

int BruteBox(const BruteStats& s, const std::vector<double>& x, const float* factors) {
  for (int k : s.classes)
    if (!BeyondDeviations(s, k, x, factors[k - 1])) return k;
  return 0;
}

TEST(Parallelepiped, FirstBoxHoldingThePixelWinsAndTheNewVariantsExtraArgumentChangesNothing) {
  // The last boxes are wide enough to overlap: the first class whose box
  // holds a pixel takes it, whichever lies nearer.
  float narrow[] = {1.0f, 1.5f, 3.0f}, wide[] = {20.0f, 20.0f, 20.0f};
  for (int extra : {-1, 0, 12345, -2}) {
    SCOPED_TRACE(extra);
    float* factors = extra == -2 ? wide : narrow;
    Trained s;
    ASSERT_EQ(extra < 0 ? s.Run(ztJDBoxA, factors) : s.Run(ztJDBoxANew, extra, factors), RC_OK);
    const BruteStats stats = s.Stats();
    std::map<int, int> seen;
    s.ExpectMap([&](const Vec& x) { const int k = BruteBox(stats, x, factors); ++seen[k]; return k; });
    for (int k : {0, 1, 3}) EXPECT_TRUE(seen[k] > 0 || factors == wide) << k;
  }
}

TEST(Parallelepiped, ZeroFactorHoldsOnlyTheMeanAndNoDataIsSeenWhenReached) {
  // Band 1: class trained on 10, 12 (mean 11, deviation 1); band 2 flat 50.
  // Pixels: (11, 50) in the box; (13, 50) outside; (11, 7) no-data in band 2.
  auto value = [](int b, int c, int) -> double {
    const double band1[] = {10, 12, 11, 13, 7, 40, 11};
    const double band2[] = {50, 50, 50, 50, 50, 7, 7};
    return b == 1 ? band1[c] : band2[c];
  };
  Scene scene(7, 1, 2, value, true, 7);
  scene.AddClass("c", {{0, 0, 2, 1}});
  long bands[] = {1, 2};
  float factor[] = {1.0f};
  ASSERT_EQ(ztJDBoxA(scene.source, bands, 2, scene.result, 1, 7, 0, 0, factor), RC_OK);
  // Pixel 4 holds no-data in the first band; pixel 5's first band lies outside
  // every box, so its no-data second band is never reached; pixel 6's first
  // band lies inside, so it is.
  EXPECT_EQ(scene.Result(), (std::vector<double>{1, 1, 1, 0, 255, 0, 255}));

  Scene flat(4, 1, 1, [](int, int c, int) { return c < 2 ? 10.0 : 10.5; });
  flat.AddClass("c", {{0, 0, 2, 1}});
  long band = 1;
  float zero[] = {0.0f};
  ASSERT_EQ(ztJDBoxA(flat.source, &band, 1, flat.result, 1, 4, 0, 0, zero), RC_OK);
  EXPECT_EQ(flat.Result(), (std::vector<double>{1, 1, 0, 0}));
}

// Generalized minimum distance ---------------------------------------------

// The texture with pixels that hold no number (NaN, or an infinity of the
// sign given): a diagonal line through every region, one pixel inside class
// 1's training rectangle, and band 1 of column 30.
template <int Sign>
double HolesInTexture(int b, int c, int r) {
  if (c == r || (c == 5 && r == 6) || (b == 1 && c == 30)) return Sign == 0 ? NAN : Sign * INFINITY;
  return Texture(b, c, r);
}

TEST(GeneralizedDistance, DecisionsAndRejectionFollowTheFormulas) {
  float factors[] = {2.0f, 2.5f, 1.5f};
  for (auto [useDev, holes] : {std::pair{1, false}, {0, false}, {0, true}}) {
    SCOPED_TRACE(holes ? "NaN pixels, some in training areas" : useDev ? "deviations" : "no deviations");
    Trained s(false, 0, holes ? HolesInTexture<0> : Texture, holes ? GDT_Float32 : GDT_Byte);
    ASSERT_EQ(useDev ? s.Run(ztGYMiniDistA, factors) : s.Run(ztGYMiniDistANew, 0, factors), RC_OK);
    const BruteStats stats = s.Stats();
    // Per class, the inverse of the mean product matrix of its training pixels.
    std::map<int, std::vector<Vec>> cells;
    for (const auto& [k, x] : s.Cells()) cells[k].push_back(x);
    std::map<int, Matrix> inverse;
    for (const auto& [k, xs] : cells) inverse[k] = MeanProductInverse(xs);
    int checked = 0, rejected = 0;
    s.ExpectMap([&](const Vec& x) {
      if (std::isnan(x[0]) || std::isnan(x[1])) return ++checked, 255.0;
      double best = INFINITY, second = INFINITY;
      int k = 0;
      for (int j : stats.classes) {
        const double d = GeneralizedDistance(inverse.at(j), {stats.mean.at({j, 0}), stats.mean.at({j, 1})}, x);
        if (d < best) second = best, best = d, k = j;
        else if (d < second) second = d;
      }
      // The library computes d in an algebraically equal form; leave out the
      // pixels whose decision a last-bit difference could turn.
      if (second - best <= 1e-9 * std::max(1.0, std::fabs(best))) return double(NAN);
      if (useDev && k && BeyondDeviations(stats, k, x, factors[k - 1])) k = 0;
      rejected += k == 0;
      ++checked;
      return double(k);
    });
    EXPECT_GT(checked, s.rows * s.columns - 5);
    EXPECT_EQ(rejected > 0, useDev == 1);
  }
}

TEST(GeneralizedDistance, ASingularScatterMatrixEndsTheCallBeforeThePass) {
  // Two bands, one training pixel: the scatter matrix has rank 1.
  Scene scene(6, 6, 2, Texture);
  scene.AddClass("one", {{1, 1, 2, 2}});
  long bands[] = {1, 2};
  float f[] = {2};
  EXPECT_EQ(ztGYMiniDistA(scene.source, bands, 2, scene.result, 6, 6, 0, 0, f), RC_SINGULAR_MATRIX);
  for (double v : scene.Result()) EXPECT_EQ(v, 0);
}

}  // namespace

TEST(InvalidValues, PixelsWithoutNumbersAreNoDataAndTrainNothing) {
  struct Case {
    const char* what;
    bool declared;
    double (*value)(int, int, int);
  };
  for (const Case& c : {Case{"NaN", false, HolesInTexture<0>}, Case{"NaN declared as no-data", true, HolesInTexture<0>},
                        Case{"+Inf", false, HolesInTexture<1>}, Case{"-Inf", false, HolesInTexture<-1>}}) {
    SCOPED_TRACE(c.what);
    Trained t(c.declared, NAN, c.value, GDT_Float32);
    t.rows = 28, t.columns = 36, t.firstRow = t.firstColumn = 0;
    t.scene.MakeResult(36, 28);
    float factors[] = {3, 3, 3}, limits[] = {255, 255, 255};
    ASSERT_EQ(t.Run(ztMiniDistA, factors, limits), RC_OK);
    int flag = 0;
    EXPECT_EQ(ztRSGetRasterNoDataValue(ztRSGetRasterBand(t.scene.result, 1), &flag), 255);
    EXPECT_EQ(flag, 1);
    const BruteStats stats = t.Stats();
    EXPECT_EQ(stats.classes.size(), 3u) << "one such pixel in a training area removes no class";
    t.ExpectMap([&](const Vec& x) {
      return !std::isfinite(x[0]) || !std::isfinite(x[1]) ? 255 : BruteMinDist(stats, x, true, factors, true, limits);
    });
  }
}

namespace {

// Values that rise steadily across the columns, so that any change of a
// class's statistics moves the borders between the classes over pixels;
// the noise keeps every class's covariance of full rank.
double Gradient(int b, int c, int r) { return 20 + 5 * c + 8 * b + (c * 7 + r * 13 + b * 5) % 11 + (c * r + b) % 5; }

// The first two rows of class 1's training rectangle.
bool InHole(int c, int r) { return r >= 3 && r < 5 && c >= 2 && c < 8; }

// The class of the lowest score(k) over classes, NaN where the runner-up
// lies so close that a last-bit difference could turn the decision.
template <typename Score>
double Lowest(const std::vector<int>& classes, Score&& score) {
  double best = INFINITY, second = INFINITY;
  int winner = 0;
  for (int k : classes) {
    const double d = score(k);
    if (d < best) second = best, best = d, winner = k;
    else if (d < second) second = d;
  }
  return second - best <= 1e-9 * std::max(1.0, std::fabs(best)) ? NAN : winner;
}

}  // namespace

TEST(InvalidValues, ANoDataValueTeachesNoMoreThanNaNOrLeavingThePixelOut) {
  constexpr int kColumns = 36, kRows = 28;
  // The training pixels outside the hole, row by row as the classifiers sum
  // them, and what each method's decision makes of them.
  std::vector<std::pair<int, Vec>> labelled;
  std::map<int, std::vector<Vec>> cells;
  for (int r = 0; r < kRows; ++r)
    for (int c = 0; c < kColumns; ++c)
      if (MaskClass(c, r) && !InHole(c, r)) {
        const Vec x{Gradient(1, c, r), Gradient(2, c, r), Gradient(3, c, r)};
        labelled.push_back({MaskClass(c, r), x});
        cells[MaskClass(c, r)].push_back(x);
      }
  const BruteStats stats = StatisticsOf(labelled);
  auto mean = [&](int k) { return Vec{stats.mean.at({k, 0}), stats.mean.at({k, 1}), stats.mean.at({k, 2})}; };
  std::map<int, Matrix> inverse;
  std::map<int, Gaussian> gaussian;
  for (const auto& [k, xs] : cells) inverse[k] = MeanProductInverse(xs), gaussian[k] = GaussianOf(xs);
  float factors[] = {2, 2, 2};

  const struct {
    const char* method;
    const char* parameters;
    std::function<double(const Vec&)> brute;  // null: the maps are only compared
  } methods[] = {
      {"mindist", R"({"dev-test": false, "max-test": false})",
       [&](const Vec& x) { return Lowest(stats.classes, [&](int k) { return Distance2(mean(k), x); }); }},
      {"box", R"({"dev-factor": [2, 2, 2]})", [&](const Vec& x) { return BruteBox(stats, x, factors); }},
      {"gmindist", R"({"dev-test": false})",
       [&](const Vec& x) {
         return Lowest(stats.classes, [&](int k) { return GeneralizedDistance(inverse.at(k), mean(k), x); });
       }},
      {"maxlike", "",
       [&](const Vec& x) { return Lowest(stats.classes, [&](int k) { return -Discriminant(gaussian.at(k), x); }); }},
      {"lvq2", R"({"lvq-epochs": 20})", nullptr},
  };
  // The hole holds the declared no-data value in one band, or NaN there, or
  // its pixels keep their values and class 1's rectangle leaves them out.
  const struct {
    const char* what;
    bool declared;
    double hole;
    bool leftOut;
  } variants[] = {{"left out", false, 0, true}, {"no-data value", true, -9999, false}, {"NaN", false, NAN, false}};

  long bands[] = {1, 2, 3};
  for (const auto& m : methods)
    for (int holeBand : {1, 3}) {
      std::vector<double> leftOut;
      for (const auto& v : variants) {
        SCOPED_TRACE(std::string(m.method) + ", band " + std::to_string(holeBand) + ", " + v.what);
        auto value = [&](int b, int c, int r) {
          return b == holeBand && InHole(c, r) && !v.leftOut ? v.hole : Gradient(b, c, r);
        };
        Scene scene(kColumns, kRows, 3, value, v.declared, -9999, GDT_Float32);
        std::vector<std::vector<Rect>> rects = kClassRects;
        if (v.leftOut) rects[0] = {{2, 5, 8, 9}};
        for (size_t k = 0; k < rects.size(); ++k) scene.AddClass("class" + std::to_string(k + 1), rects[k]);
        ZTModel* model = nullptr;
        ASSERT_EQ(ztModelTrain(m.method, m.parameters, scene.source, bands, 3, kRows, kColumns, 0, 0, nullptr, &model),
                  RC_OK)
            << ztModelLastError();
        const long rc =
            ztModelApply(model, scene.source, bands, 3, scene.result, nullptr, kRows, kColumns, 0, 0, nullptr);
        ztModelFree(model);
        ASSERT_EQ(rc, RC_OK) << ztModelLastError();
        const std::vector<double> classes = scene.Result();
        // Each method's decision judges the hole itself by its own rule.
        if (v.leftOut) {
          leftOut = classes;
          if (!m.brute) continue;
          int checked = 0;
          ExpectMap(classes, kRows, kColumns, [&](int r, int c) {
            const double k = InHole(c, r) ? NAN : m.brute({Gradient(1, c, r), Gradient(2, c, r), Gradient(3, c, r)});
            checked += !std::isnan(k);
            return k;
          });
          EXPECT_GT(checked, kRows * kColumns - 20);
        } else {
          ExpectMap(classes, kRows, kColumns,
                    [&](int r, int c) { return InHole(c, r) ? NAN : leftOut[size_t(r) * kColumns + c]; });
        }
      }
    }
}
