// Maximum likelihood against a brute-force Gaussian discriminant, and the
// matrix routines behind it.
#include <numeric>

#include "classifier_fixture.h"
#include "statistical/matrix.h"
#include "ztclass/result_codes.h"
#include "ztclass/statistical.h"

using namespace zttest;

namespace {

double Texture(int b, int c, int r) {
  const double noise = ((c * 7 + r * 13 + b * 5) % 11) + ((c * r + b) % 5);
  if (c < 12) return 40 + 10 * b + noise;
  if (c < 24) return 90 + 5 * b + noise * 1.5;
  return 160 - 8 * b + noise * 0.7;
}

// Rectangles with half-integer corners: pixel centres lie on their edges,
// where the boundary rule keeps those on left and low-y edges.
const std::vector<std::vector<Rect>> kClasses = {
    {{1.5, 2.5, 9.5, 10.5}}, {{13.5, 3.5, 21.5, 9.5}, {14.5, 20.5, 19.5, 25.5}}, {{25.5, 12.5, 33.5, 22.5}}};

// Every cell of every polygon (cells in two polygons count twice).
Gaussian BruteGaussian(const Scene& scene, const std::vector<Rect>& rects, const std::vector<int>& bands) {
  std::vector<std::vector<double>> cells;
  for (const Rect& h : rects)
    for (int r = 0; r < scene.rows; ++r)
      for (int c = 0; c < scene.columns; ++c)
        if (h.Holds(c, r)) cells.push_back(PixelOf(scene, bands, r, c));
  return GaussianOf(cells);
}

void AddClasses(Scene& scene) {
  for (size_t k = 0; k < kClasses.size(); ++k) scene.AddClass("class" + std::to_string(k + 1), kClasses[k]);
}

// The texture as reflectances: Float32 values of 0..0.2, covariance
// determinants near 1e-14, far below 1e-12, though the classes are as well
// separated as on the Byte scene.
double Reflectance(int b, int c, int r) { return static_cast<float>(Texture(b, c, r) / 1000.0); }

// The first two classes share their mean and their bands' variances; only
// the sign of the bands' correlation tells them apart.
double Correlated(int b, int c, int r) {
  const unsigned h = unsigned(c) * 73856093u ^ unsigned(r) * 19349663u;
  const int u = int(h % 17) - 8, v = int(h / 17 % 5) - 2, w = int(h / 85 % 7) - 3;
  if (c >= 24) return 140 + (b == 1 ? u : b == 2 ? v : w);
  const int sign = c < 12 ? 1 : -1;
  return 100 + (b == 1 ? u + v : b == 2 ? sign * u - sign * v : w);
}

// More bands than the decision's vector form takes, so that pixels go one by
// one: the texture's three regions with a hashed noise per band, which keeps
// each class's 17 x 17 covariance of full rank.
double Hyperspectral(int b, int c, int r) {
  const unsigned h = (unsigned(c) * 73856093u) ^ (unsigned(r) * 19349663u) ^ (unsigned(b) * 83492791u);
  return Texture(b % 3 + 1, c, r) + 3.0 * b + (h * 2654435761u >> 24) % 17;
}

TEST(MaximumLikelihood, DecisionsFollowTheGaussianDiscriminant) {
  const struct {
    double (*value)(int, int, int);
    GDALDataType type;
    std::vector<long> bands;
    int rows, columns, firstRow, firstColumn;  // the Byte window starts and ends inside blocks
  } cases[] = {{Texture, GDT_Byte, {1, 3, 2}, 21, 27, 7, 5},
               {Reflectance, GDT_Float32, {1, 2, 3}, 30, 36, 0, 0},
               {Correlated, GDT_Byte, {1, 2, 3}, 30, 36, 0, 0},
               {Hyperspectral, GDT_Float32, {17, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}, 30, 36, 0, 0}};
  for (const auto& t : cases) {
    const long bandCount = long(t.bands.size());
    Scene scene(36, 30, int(bandCount), t.value, false, 0, t.type);
    AddClasses(scene);
    scene.MakeResult(t.columns, t.rows);
    std::vector<long> bands = t.bands;
    ASSERT_EQ(MaxLiklihoodClass(scene.source, bands.data(), bandCount, 0.5, scene.result, t.rows, t.columns, t.firstRow,
                                t.firstColumn),
              RC_OK);
    const std::vector<int> bandList(t.bands.begin(), t.bands.end());
    std::vector<Gaussian> models;
    for (const auto& rects : kClasses) models.push_back(BruteGaussian(scene, rects, bandList));
    if (t.value == Reflectance) {
      EXPECT_LT(models[0].logDet, std::log(1e-12)) << "a determinant the absolute test refuses";
    }
    std::map<int, int> seen;
    int checked = 0;
    ExpectMap(scene.Result(), t.rows, t.columns, [&](int r, int c) {
      const Vec x = PixelOf(scene, bandList, r + t.firstRow, c + t.firstColumn);
      double best = -INFINITY, second = -INFINITY;
      int k = 0;
      for (size_t j = 0; j < models.size(); ++j) {
        const double g = Discriminant(models[j], x);
        if (g > best) second = best, best = g, k = int(j) + 1;
        else if (g > second) second = g;
      }
      // Near ties a last-bit difference could turn are left out.
      if (best - second < 1e-9 * std::max(1.0, std::fabs(best))) return double(NAN);
      ++checked;
      ++seen[k];
      return double(k);
    });
    EXPECT_GT(checked, t.rows * t.columns - 5);
    EXPECT_EQ(seen.size(), 3u);
  }
}

// The no-data value lies 5e-7 from 55, a value band 1 takes in the low
// region. Some of those pixels lie in class 1's polygon with outlying values
// in the other bands, and the pixels of columns 10 and 11, outside every
// polygon, take those outlying values: trained on, the outliers would widen
// class 1 until it took them.
constexpr double kNearNoData = 55.0000005;
double NearNoDataOutliers(int b, int c, int r) {
  const bool outlier = r == 5 && c >= 3 && c <= 8;
  if (outlier) return b == 1 ? 55 : 250;
  if (c == 10 || c == 11) return b == 1 ? 60 : 250;
  return Texture(b, c, r);
}

TEST(MaximumLikelihood, NoDataWithinToleranceIsNeitherTrainedOnNorClassified) {
  Scene scene(36, 30, 3, NearNoDataOutliers, true, kNearNoData, GDT_Float64);
  AddClasses(scene);
  long bands[] = {1, 2, 3};
  ASSERT_EQ(MaxLiklihoodClass(scene.source, bands, 3, 0, scene.result, 30, 36, 0, 0), RC_OK);
  int flag = 0;
  EXPECT_EQ(ztRSGetRasterNoDataValue(ztRSGetRasterBand(scene.result, 1), &flag), 255);
  EXPECT_EQ(flag, 1);
  auto noData = [](double v) { return std::fabs(v - kNearNoData) <= 1e-6; };
  std::vector<Gaussian> models;
  for (const auto& rects : kClasses) {
    std::vector<std::vector<double>> cells;
    for (const Rect& h : rects)
      for (int r = 0; r < 30; ++r)
        for (int c = 0; c < 36; ++c)
          if (h.Holds(c, r) && !noData(NearNoDataOutliers(1, c, r)))
            cells.push_back(PixelOf(scene, {1, 2, 3}, r, c));
    models.push_back(GaussianOf(cells));
  }
  int noDataPixels = 0;
  ExpectMap(scene.Result(), 30, 36, [&](int r, int c) {
    if (noData(NearNoDataOutliers(1, c, r))) return ++noDataPixels, 255.0;
    const Vec x = PixelOf(scene, {1, 2, 3}, r, c);
    double best = -INFINITY;
    int k = 0;
    for (size_t j = 0; j < models.size(); ++j)
      if (const double g = Discriminant(models[j], x); g > best) best = g, k = int(j) + 1;
    return double(k);
  });
  EXPECT_GT(noDataPixels, 6);
}

// A singular class covariance ends the call before any pixel: a class of
// one cell, a band twice another at any scale, a band constant over a class.
TEST(MaximumLikelihood, ASingularCovarianceEndsTheCallBeforeAnyPixel) {
  auto collinear = [](double scale) {
    return [scale](int b, int c, int r) {
      return double(static_cast<float>(scale * (b == 3 ? 2 * Texture(1, c, r) : Texture(b, c, r))));
    };
  };
  const struct {
    std::function<double(int, int, int)> value;
    GDALDataType type;
    std::vector<long> bands;
    bool oneCell;
  } cases[] = {{Texture, GDT_Byte, {1, 3, 2}, true},
               {collinear(1.0), GDT_Float32, {1, 2, 3}, false},
               {collinear(1e-3), GDT_Float32, {1, 2, 3}, false},
               {[](int b, int c, int r) { return b == 2 ? 0.5 : Texture(1, c, r) / 1000.0; }, GDT_Float32, {1, 2},
                false}};
  for (const auto& t : cases) {
    std::vector<long> bands = t.bands;
    Scene scene(36, 30, int(bands.size()), t.value, false, 0, t.type);
    AddClasses(scene);
    if (t.oneCell) scene.AddClass("single", {{3.5, 20.5, 4.5, 21.5}});
    EXPECT_EQ(MaxLiklihoodClass(scene.source, bands.data(), long(bands.size()), 0, scene.result, 30, 36, 0, 0),
              RC_SINGULAR_COVARIANCE);
    EXPECT_EQ(ztRSGetDatasetColorTable(scene.result), nullptr);
    for (double v : scene.Result()) ASSERT_EQ(v, 0);
  }
}

TEST(MaximumLikelihood, EqualDiscriminantsGoToTheLowerClass) {
  // Two classes with the same training values: every pixel ties, in the
  // vector form (one band) and pixel by pixel (17 bands, trained on all 64
  // pixels for a covariance of full rank).
  for (long bandCount : {1L, 17L}) {
    SCOPED_TRACE(bandCount);
    Scene scene(8, 8, int(bandCount), bandCount == 1 ? +[](int, int c, int r) { return double((c + r) % 4); }
                                                     : Hyperspectral);
    const double edge = bandCount == 1 ? 3.5 : 7.5;
    scene.AddClass("a", {{-0.5, -0.5, edge, edge}});
    scene.AddClass("b", {{-0.5, -0.5, edge, edge}});
    std::vector<long> bands(bandCount);
    std::iota(bands.begin(), bands.end(), 1L);
    ASSERT_EQ(MaxLiklihoodClass(scene.source, bands.data(), bandCount, 0, scene.result, 8, 8, 0, 0), RC_OK);
    for (double v : scene.Result()) ASSERT_EQ(v, 1);
  }
}

// Matrix routines ---------------------------------------------------------

zt::SquareMatrix Make(long n, std::initializer_list<double> values) {
  zt::SquareMatrix m(n);
  std::copy(values.begin(), values.end(), m.a.begin());
  return m;
}

TEST(Matrices, DeterminantsAndInversesAndTheirFailures) {
  double det = 0, logAbs = 0;
  ASSERT_EQ(zt::MatrixDeterminant(Make(3, {0, 2, 1, 1, 1, 1, 2, 1, 0}), det, logAbs), RC_OK);
  EXPECT_DOUBLE_EQ(det, 3.0);  // 0(0-1) - 2(0-2) + 1(1-2), with a row swap for the zero pivot
  EXPECT_NEAR(logAbs, std::log(3.0), 1e-15);
  ASSERT_EQ(zt::MatrixDeterminant(Make(2, {0, 3, 2, 0}), det, logAbs), RC_OK);
  EXPECT_DOUBLE_EQ(det, -6.0);
  EXPECT_EQ(zt::MatrixDeterminant(Make(2, {1, 2, 0, 0}), det, logAbs), RC_OUT_OF_MEMORY);
  EXPECT_EQ(det, 0);
  EXPECT_EQ(zt::MatrixDeterminant(Make(2, {0, 2, 0, 3}), det, logAbs), RC_OUT_OF_MEMORY) << "zero column";
  EXPECT_EQ(zt::MatrixDeterminant(Make(3, {1, 2, 3, 2, 4, 5, 3, 6, 7}), det, logAbs), RC_SINGULAR_MATRIX);
  ASSERT_EQ(zt::MatrixDeterminant(zt::SquareMatrix(0), det, logAbs), RC_OK);
  EXPECT_EQ(det, 1);

  zt::SquareMatrix big(200);
  for (long i = 0; i < 200; ++i) big(i, i) = 100;
  ASSERT_EQ(zt::MatrixDeterminant(big, det, logAbs), RC_OK);
  EXPECT_NEAR(logAbs, 200 * std::log(100.0), 1e-9) << "finite where 1e400 is not";
  // The inverse checks the determinant.
  zt::SquareMatrix inverse;
  EXPECT_EQ(zt::MatrixInverse(Make(2, {1e-7, 0, 0, 1e-7}), inverse), RC_SINGULAR_MATRIX);
  EXPECT_EQ(zt::MatrixInverse(Make(2, {1, 2, 0, 0}), inverse), RC_OUT_OF_MEMORY);
  // A permutation: most minors have a zero row and count as 0.
  ASSERT_EQ(zt::MatrixInverse(Make(3, {1, 0, 0, 0, 0, 1, 0, 1, 0}), inverse), RC_OK);
  EXPECT_EQ(inverse.a, (std::vector<double>{1, 0, 0, 0, 0, 1, 0, 1, 0}));
}

}  // namespace
