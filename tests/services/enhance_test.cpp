// The raster adapter's reads against GDAL's own, and every display stretch
// against a table worked out by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"
#include "ztclass/result_codes.h"
#include "ztservices/adapter.h"
#include "ztservices/enhance.h"
#include "ztservices/raster.h"

using namespace zttest;

namespace {

TEST(RasterAdapter, ReadsEveryValueAsTheDatasetHoldsIt) {
  TempDir dir;
  const RasterSpec spec{.columns = 23, .rows = 17, .bands = 2, .type = GDT_Int16, .blockColumns = 16, .blockRows = 16};
  auto value = [](int b, int c, int r) { return double((c * 31 + r * 17 + b * 1000) % 2000 - 900); };
  WriteGeoTiff(dir.File("a.tif"), spec, value);
  void* ds = ztRSOpen(dir.File("a.tif").c_str(), 0);
  for (bool cached : {false, true}) {
    void* reader = ztRAOpenReader(ds, 0);
    ASSERT_NE(reader, nullptr);
    if (cached) {
      ASSERT_EQ(ztRASetReaderOption(reader, kZtRAOptionRowCache), 0);
    }
    // Down the columns and back, across block borders and between bands.
    for (int c = 0; c < spec.columns; ++c)
      for (int r = spec.rows - 1; r >= 0; --r)
        for (int b = 2; b >= 1; --b) {
          double v = -1;
          ASSERT_EQ(ztRAReadValue(reader, b, r, c, &v, 0), 0);
          ASSERT_EQ(v, value(b, c, r));
        }
    double v;
    EXPECT_EQ(ztRAReadValue(reader, 3, 0, 0, &v, 0), RC_BAD_WINDOW);
    EXPECT_EQ(ztRAReadValue(reader, 1, 17, 0, &v, 0), RC_BAD_WINDOW);
    EXPECT_EQ(ztRAReadValue(reader, 1, 0, -1, &v, 0), RC_BAD_WINDOW);
    EXPECT_EQ(ztRAReleaseCache(reader), 0);
    EXPECT_EQ(ztRACloseReader(reader), 0);
    EXPECT_EQ(ztRAReadValue(reader, 1, 0, 0, &v, 0), RC_NULL_ARGUMENT);
    EXPECT_EQ(ztRAFreeReader(reader), 0);
  }
  EXPECT_EQ(ztRAOpenReader(nullptr, 0), nullptr);
  EXPECT_EQ(ztRAOpenReader(ds, 1), nullptr);
  ztRSClose(ds);
}

// A stack of a Byte band, a UInt16 band holding values above a byte's and a
// Float32 band of fractions: each band reads as it holds its values.
TEST(RasterAdapter, BandsOfDifferentTypesKeepTheirValues) {
  TempDir dir;
  const std::vector<StackBand> bands = {
      {GDT_Byte, [](int, int c, int r) { return double((c * 7 + r * 3) % 50); }},
      {GDT_UInt16, [](int, int c, int r) { return 1000.0 + c * 40 + r; }},
      {GDT_Float32, [](int, int c, int r) { return (c - r) / 4.0; }}};
  WriteBandStack(dir.File("stack.vrt"), 9, 7, bands);
  Handle ds(ztRSOpen(dir.File("stack.vrt").c_str(), 0));
  ASSERT_TRUE(ds);
  for (bool cached : {false, true}) {
    std::unique_ptr<void, decltype(&ztRAFreeReader)> reader(ztRAOpenReader(ds.get(), 0), ztRAFreeReader);
    if (cached) {
      ASSERT_EQ(ztRASetReaderOption(reader.get(), kZtRAOptionRowCache), 0);
    }
    for (int b = 3; b >= 1; --b)
      for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 9; ++c) {
          double v = -1;
          ASSERT_EQ(ztRAReadValue(reader.get(), b, r, c, &v, 0), 0);
          ASSERT_EQ(v, bands[b - 1].value(b, c, r)) << b << ":" << r << "," << c;
        }
  }
}

// A Byte band of 200 pixels: 100 of value 10, 60 of 20, 40 of 30. Its
// levels are its values.
struct Histogram200 {
  TempDir dir;
  void* ds = nullptr;
  Histogram200() {
    WriteGeoTiff(dir.File("h.tif"), RasterSpec{.columns = 20, .rows = 10}, [](int, int c, int r) {
      const int i = r * 20 + c;
      return i < 100 ? 10.0 : i < 160 ? 20.0 : 30.0;
    });
    ds = ztRSOpen(dir.File("h.tif").c_str(), 0);
  }
  ~Histogram200() { ztRSClose(ds); }
};

// Each level of the table that levels names holds its value.
void ExpectLevels(const unsigned short* t, std::initializer_list<std::pair<int, int>> levels) {
  for (auto [level, value] : levels) EXPECT_EQ(t[level], value) << "level " << level;
}

TEST(ImageEnhancement, ClippedStretchesFollowTheirCurves) {
  Histogram200 h;
  unsigned short t[256];
  // 0.5 % of 200 is 1 pixel: a = 10; 99.5 % is 199: b = 30. Level 11 is
  // 255 / 20 = 12.75, 20 is 127.5 rounded up, 29 is 242.25.
  ASSERT_EQ(ztComImgLinearALayer(h.ds, 1, t, -1, -1, 0.005f, 0.995f, nullptr), 0);
  ExpectLevels(t, {{0, 0}, {10, 0}, {11, 13}, {20, 128}, {29, 242}, {30, 255}, {200, 255}});
  ASSERT_EQ(ztComImgInvertALayer(h.ds, 1, t, -1, -1, 0.005f, 0.995f, nullptr), 0);
  ExpectLevels(t, {{10, 255}, {11, 242}, {20, 127}, {30, 0}});
  // u = 5 / 20 at level 15: 255 * sqrt(u) = 127.5; 255 * sqrt(0.05) = 57.02.
  ASSERT_EQ(ztComImgRootALayer(h.ds, 1, t, -1, -1, 0.005f, 0.995f, nullptr), 0);
  ExpectLevels(t, {{15, 128}, {11, 57}});
  // 255 * 0.0625 = 15.94; 255 * 0.25 = 63.75.
  ASSERT_EQ(ztComImgSquareALayer(h.ds, 1, t, -1, -1, 0.005f, 0.995f, nullptr), 0);
  ExpectLevels(t, {{15, 16}, {20, 64}});
  // Clip points given as levels.
  ASSERT_EQ(ztComImgLinearALayer(h.ds, 1, t, 0, 51, 0.005f, 0.995f, nullptr), 0);
  ExpectLevels(t, {{1, 5}, {51, 255}});
  // Clipping 60 % at the low end: a = 20 (C(10) = 100 < 120).
  ASSERT_EQ(ztComImgLinearALayer(h.ds, 1, t, -1, -1, 0.6f, 0.995f, nullptr), 0);
  ExpectLevels(t, {{20, 0}, {25, 128}});
}

TEST(ImageEnhancement, HistogramStretches) {
  Histogram200 h;
  unsigned short t[256];
  ASSERT_EQ(ztComImgNoneALayer(h.ds, 1, t), 0);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(t[i], i);
  // C = 100 / 160 / 200 of 200: 255 * 0.5 = 127.5 from level 10 on.
  ASSERT_EQ(ztComImgEqualizeALayer(h.ds, 1, t, nullptr), 0);
  ExpectLevels(t, {{9, 0}, {10, 128}, {19, 128}, {20, 204}, {30, 255}});
  // Mean 17; mean square (100 * 100 + 60 * 400 + 40 * 900) / 200 = 350,
  // variance 61, s = 7.8102: levels 1.3795 .. 32.6205 stretched; level 10
  // is 255 * 8.6205 / 31.241 = 70.36, 32 is 255 * 30.6205 / 31.241 = 249.93.
  ASSERT_EQ(ztComImgNormalizeALayer(h.ds, 1, t, 2.0, nullptr), 0);
  ExpectLevels(t, {{1, 0}, {10, 70}, {32, 250}, {33, 255}});
  // Limit 2 * 200 / 256 = 1.5625: each occupied level is cut to it; the
  // 195.3125 cut pixels spread 0.7629 over each level, so C'(t) =
  // (t + 1) * 0.7629 + 1.5625 * (levels 10, 20, 30 reached). Level 0 is
  // 255 * 0.7629 / 200 = 0.97, 9 is 255 * 7.629 / 200 = 9.73, 10 is
  // 255 * (8.392 + 1.5625) / 200 = 12.69.
  ASSERT_EQ(ztComImgAdaptiveALayer(h.ds, 1, t, nullptr), 0);
  ExpectLevels(t, {{0, 1}, {9, 10}, {10, 13}, {255, 255}});
  EXPECT_EQ(ztComImgNoneALayer(nullptr, 1, t), RC_NULL_ARGUMENT);
  EXPECT_EQ(ztComImgEqualizeALayer(h.ds, 2, t, nullptr), RC_NULL_ARGUMENT);
  EXPECT_EQ(ztComImgLinearALayer(h.ds, 1, nullptr, -1, -1, 0.005f, 0.995f, nullptr), RC_NULL_ARGUMENT);
  EXPECT_EQ(ztComImgAdaptiveALayer(h.ds, 1, nullptr, nullptr), RC_NULL_ARGUMENT);
}

// The same pixels in one strip, in 16 x 16 tiles, in one-row strips and with
// an overview: each table is the equalisation of every pixel's level,
// counted here one by one. The UInt16 band's levels run from its minimum
// 1003 to its maximum 9163, 32 values a level, so that GDAL's bucket edges
// are whole numbers.
TEST(ImageEnhancement, TablesCountEveryPixelWhateverTheLayout) {
  const struct {
    const char* name;
    int blockColumns, blockRows;
    bool overview;
  } layouts[] = {{"one strip", 0, 0, false},
                 {"16 x 16 tiles", 16, 16, false},
                 {"one-row strips", 0, 1, false},
                 {"an overview", 0, 0, true}};
  auto byte = [](int, int c, int r) { return double((c * 3 + r * 5) % 50 + (c < 16 ? 20 : 120)); };
  auto uint16 = [](int, int c, int r) { return 1003.0 + 40 * ((c * 3 + r * 5) % 50) + (c < 16 ? 0 : 6200); };
  for (GDALDataType type : {GDT_Byte, GDT_UInt16})
    for (const auto& layout : layouts) {
      SCOPED_TRACE(std::string(layout.name) + (type == GDT_Byte ? ", Byte" : ", UInt16"));
      auto value = [&](int b, int c, int r) { return type == GDT_Byte ? byte(b, c, r) : uint16(b, c, r); };
      TempDir dir;
      const std::string path = dir.File("e.tif");
      WriteGeoTiff(path, RasterSpec{.columns = 64, .rows = 48, .type = type, .blockColumns = layout.blockColumns,
                                    .blockRows = layout.blockRows},
                   value);
      if (layout.overview) {
        GDALDatasetH ds = GDALOpen(path.c_str(), GA_Update);
        int factor = 4;
        ASSERT_EQ(GDALBuildOverviews(ds, "NEAREST", 1, &factor, 0, nullptr, nullptr, nullptr), CE_None);
        GDALClose(ds);
      }
      double lo = 1e300, hi = -1e300;
      for (int r = 0; r < 48; ++r)
        for (int c = 0; c < 64; ++c) lo = std::min(lo, value(1, c, r)), hi = std::max(hi, value(1, c, r));
      std::vector<double> h(256, 0.0);
      for (int r = 0; r < 48; ++r)
        for (int c = 0; c < 64; ++c) {
          const double v = value(1, c, r);
          ++h[type == GDT_Byte ? int(v) : int((v - lo) * 255 / (hi - lo))];
        }
      Handle ds(ztRSOpen(path.c_str(), 0));
      unsigned short t[256];
      ASSERT_EQ(ztComImgEqualizeALayer(ds.get(), 1, t, nullptr), 0);
      double cumulative = 0;
      for (int level = 0; level < 256; ++level) {
        cumulative += h[level];
        ASSERT_EQ(t[level], std::lround(255 * cumulative / (64 * 48))) << "level " << level;
      }
    }
}

}  // namespace
