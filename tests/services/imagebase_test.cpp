// Arrays, point-in-polygon and regions; the LU decomposition and the matrix
// inverse are held to brute-force solutions through the classifiers that use
// them (generalized minimum distance, supervised and unsupervised).
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "ztclass/result_codes.h"
#include "ztservices/geometry.h"
#include "ztservices/imagebase.h"
#include "ztservices/sysroot.h"

namespace {

TEST(Arrays, EveryIndexWithinTheBoundsIsUsable) {
  for (long nl : {-3L, 0L, 1L, 5L}) {
    double* v = ztDvector(nl, nl + 9);
    ASSERT_NE(v, nullptr);
    for (long i = nl; i <= nl + 9; ++i) EXPECT_EQ(v[i], 0.0) << "zero-filled";
    for (long i = nl; i <= nl + 9; ++i) v[i] = double(i);
    ztFree_dvector(v, nl, nl + 9);
  }
  EXPECT_EQ(ztDvector(3, 2), nullptr);

  double** m = ztDmatrix(1, 4, 0, 2);
  ASSERT_NE(m, nullptr);
  for (long r = 1; r <= 4; ++r)
    for (long c = 0; c <= 2; ++c) m[r][c] = r * 10 + c;
  EXPECT_EQ(m[4][2], 42);
  ztFree_dmatrix(m, 1, 4, 0, 2);

  double*** t = ztD3tensor(0, 1, 0, 255, 0, 3);
  ASSERT_NE(t, nullptr);
  t[1][255][3] = 7;
  EXPECT_EQ(t[1][255][3], 7);
  ztFree_d3tensor(t, 0, 1, 0, 255, 0, 3);

  long* l = ztLvector(0, 255);
  int* iv = ztIvector(1, 3);
  float* f = ztVector(0, 5);
  ASSERT_TRUE(l && iv && f);
  ztFree_lvector(l, 0, 255);
  ztFree_ivector(iv, 1, 3);
  ztFree_vector(f, 0, 5);
}

// Bounds whose element count, or its size in bytes, no long or size_t holds
// give no array: a count that wrapped around would give a small block that
// the bounds run far past.
TEST(Arrays, BoundsBeyondWhatMemoryCanAddressGiveNone) {
  const long most = std::numeric_limits<long>::max(), least = std::numeric_limits<long>::min();
  const struct {
    const char* what;
    long nl, nh;
  } vectors[] = {{"from the lowest long", least, 0},
                 {"from minus the highest long", -most, 0},
                 {"to the highest long", 0, most},
                 {"from -2^62 to 2^62", -(1L << 62), 1L << 62}};
  for (const auto& v : vectors) {
    EXPECT_EQ(ztDvector(v.nl, v.nh), nullptr) << v.what;
    EXPECT_EQ(ztIvector(v.nl, v.nh), nullptr) << v.what;
    EXPECT_EQ(ztDmatrix(0, 1, v.nl, v.nh), nullptr) << v.what;
  }
  // 4 rows of 2^62 columns: 2^64 cells, a count of 0 in size_t.
  EXPECT_EQ(ztDmatrix(0, 3, 0, (1L << 62) - 1), nullptr);
  EXPECT_EQ(ztMatrix(1, 16, 1, (1L << 60)), nullptr);
  EXPECT_EQ(ztD3tensor(0, 0, 0, 3, 0, (1L << 62) - 1), nullptr);
}

TEST(Geometry, PointInPolygonDecidesPixelsByTheirCentresWithOneBoundaryRule) {
  const double square[] = {10, 10, 12, 10, 12, 12, 10, 12};
  std::vector<std::pair<int, int>> inside;
  for (int y = 8; y <= 14; ++y)
    for (int x = 8; x <= 14; ++x)
      if (ztRSPtInPolygon(square, 4, x, y, 0)) inside.emplace_back(x, y);
  // The pixels whose centres lie inside: columns and rows 10 and 11, as GDAL
  // rasterises the square.
  const std::vector<std::pair<int, int>> expected = {{10, 10}, {11, 10}, {10, 11}, {11, 11}};
  EXPECT_EQ(inside, expected);
  // Centres exactly on an edge: left and low-y edges hold them, right and
  // high-y edges do not.
  EXPECT_EQ(ztRSPtInPolygon(square, 4, 9.5, 10.5, 0), 1);
  EXPECT_EQ(ztRSPtInPolygon(square, 4, 11.5, 10.5, 0), 0);
  EXPECT_EQ(ztRSPtInPolygon(square, 4, 10.5, 9.5, 0), 1);
  EXPECT_EQ(ztRSPtInPolygon(square, 4, 10.5, 11.5, 0), 0);
  EXPECT_EQ(ztRSPtInPolygon(square, 2, 11, 11, 0), 0) << "fewer than three vertices enclose nothing";
  EXPECT_EQ(ztRSPtInPolygon(nullptr, 4, 11, 11, 0), 0);

  // Outer ring 0..10, hole 4..6, joined through the outer ring's first point.
  const double holed[] = {0, 0, 10, 0, 10, 10, 0, 10, 0, 0, 4, 4, 6, 4, 6, 6, 4, 6, 4, 4, 0, 0};
  EXPECT_EQ(ztRSPtInPolygon(holed, 11, 5, 5, 0), 0);
  EXPECT_EQ(ztRSPtInPolygon(holed, 11, 2, 5, 0), 1);
  EXPECT_EQ(ztRSPtInPolygon(holed, 11, 8, 8, 0), 1);
}

TEST(Geometry, RegionsUsePixelCentres) {
  const ZTIPOINT square[] = {{10, 10}, {12, 10}, {12, 12}, {10, 12}};
  void* region = CreatePolygonRgn(square, 4, ZT_ALTERNATE);
  ASSERT_NE(region, nullptr);
  std::vector<std::pair<long, long>> inside;
  for (long y = 8; y <= 14; ++y)
    for (long x = 8; x <= 14; ++x)
      if (PtInRegion(region, x, y)) inside.emplace_back(x, y);
  const std::vector<std::pair<long, long>> expected = {{10, 10}, {11, 10}, {10, 11}, {11, 11}};
  EXPECT_EQ(inside, expected);
  DeleteObject(region);

  const ZTIPOINT triangle[] = {{0, 0}, {4, 0}, {0, 4}};
  region = CreatePolygonRgn(triangle, 3, ZT_ALTERNATE);
  int count = 0;
  for (long y = 0; y < 4; ++y)
    for (long x = 0; x < 4; ++x) count += PtInRegion(region, x, y);
  // Centres strictly below the hypotenuse: x + y < 3. Centres on it lie on
  // a right-hand edge, which does not count.
  EXPECT_EQ(count, 6);
  DeleteObject(region);
  EXPECT_EQ(CreatePolygonRgn(nullptr, 3, ZT_ALTERNATE), nullptr);
  EXPECT_EQ(CreatePolygonRgn(triangle, -1, ZT_ALTERNATE), nullptr);
}

TEST(SystemRoot, EnvironmentChoosesTheDirectories) {
  setenv("ZTCLASS_HOME", "/opt/zt/", 1);
  setenv("ZTCLASS_WORKDIR", "/var/tmp/zt", 1);
  ZTSYSROOT root;
  ASSERT_EQ(ztGetSystemRoot(&root), 0);
  EXPECT_STREQ(root.systemDir, "/opt/zt");
  EXPECT_STREQ(root.workDir, "/var/tmp/zt");
  unsetenv("ZTCLASS_HOME");
  unsetenv("ZTCLASS_WORKDIR");
  ASSERT_EQ(ztGetSystemRoot(&root), 0);
  EXPECT_NE(root.systemDir[0], '\0');
  EXPECT_NE(root.workDir[0], '\0');
}

}  // namespace
