// The raster adapter's reads against GDAL's own, and every display stretch
// against a table worked out by hand.
#include <gtest/gtest.h>


#include "test_support.h"
#include "ztclass/result_codes.h"
#include "ztservices/adapter.h"
#include "ztservices/enhance.h"
#include "ztservices/raster.h"

using namespace zttest;

namespace {

TEST(RasterAdapter, ReadsEveryValueAsTheDatasetHoldsIt) {
  TempDir dir;
  RasterSpec spec;
  spec.columns = 23;
  spec.rows = 17;
  spec.bands = 2;
  spec.type = GDT_Int16;
  spec.blockColumns = spec.blockRows = 16;
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

// A Byte band of 200 pixels: 100 of value 10, 60 of 20, 40 of 30. Its
// levels are its values.
struct Histogram200 {
  TempDir dir;
  void* ds = nullptr;
  Histogram200() {
    RasterSpec spec;
    spec.columns = 20;
    spec.rows = 10;
    WriteGeoTiff(dir.File("h.tif"), spec, [](int, int c, int r) {
      const int i = r * 20 + c;
      return i < 100 ? 10.0 : i < 160 ? 20.0 : 30.0;
    });
    ds = ztRSOpen(dir.File("h.tif").c_str(), 0);
  }
  ~Histogram200() { ztRSClose(ds); }
};

TEST(ImageEnhancement, ClippedStretchesFollowTheirCurves) {
  Histogram200 h;
  unsigned short t[256];
  // 0.5 % of 200 is 1 pixel: a = 10; 99.5 % is 199: b = 30.
  ASSERT_EQ(ztComImgLinearALayer(h.ds, 1, t, -1, -1, 0.005f, 0.995f, nullptr), 0);
  EXPECT_EQ(t[0], 0);
  EXPECT_EQ(t[10], 0);
  EXPECT_EQ(t[11], 13);   // 255 / 20 = 12.75
  EXPECT_EQ(t[20], 128);  // 127.5 rounds up
  EXPECT_EQ(t[29], 242);  // 242.25
  EXPECT_EQ(t[30], 255);
  EXPECT_EQ(t[200], 255);
  ASSERT_EQ(ztComImgInvertALayer(h.ds, 1, t, -1, -1, 0.005f, 0.995f, nullptr), 0);
  EXPECT_EQ(t[10], 255);
  EXPECT_EQ(t[11], 242);
  EXPECT_EQ(t[20], 127);
  EXPECT_EQ(t[30], 0);
  ASSERT_EQ(ztComImgRootALayer(h.ds, 1, t, -1, -1, 0.005f, 0.995f, nullptr), 0);
  EXPECT_EQ(t[15], 128);  // u = 5 / 20, 255 * sqrt(u) = 127.5
  EXPECT_EQ(t[11], 57);   // 255 * sqrt(0.05) = 57.02
  ASSERT_EQ(ztComImgSquareALayer(h.ds, 1, t, -1, -1, 0.005f, 0.995f, nullptr), 0);
  EXPECT_EQ(t[15], 16);   // 255 * 0.0625 = 15.94
  EXPECT_EQ(t[20], 64);   // 63.75
  // Clip points given as levels.
  ASSERT_EQ(ztComImgLinearALayer(h.ds, 1, t, 0, 51, 0.005f, 0.995f, nullptr), 0);
  EXPECT_EQ(t[1], 5);
  EXPECT_EQ(t[51], 255);
  // Clipping 60 % at the low end: a = 20 (C(10) = 100 < 120).
  ASSERT_EQ(ztComImgLinearALayer(h.ds, 1, t, -1, -1, 0.6f, 0.995f, nullptr), 0);
  EXPECT_EQ(t[20], 0);
  EXPECT_EQ(t[25], 128);
}

TEST(ImageEnhancement, HistogramStretches) {
  Histogram200 h;
  unsigned short t[256];
  ASSERT_EQ(ztComImgNoneALayer(h.ds, 1, t), 0);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(t[i], i);
  // C = 100 / 160 / 200 of 200.
  ASSERT_EQ(ztComImgEqualizeALayer(h.ds, 1, t, nullptr), 0);
  EXPECT_EQ(t[9], 0);
  EXPECT_EQ(t[10], 128);  // 127.5
  EXPECT_EQ(t[19], 128);
  EXPECT_EQ(t[20], 204);
  EXPECT_EQ(t[30], 255);
  // Mean 17; mean square (100 * 100 + 60 * 400 + 40 * 900) / 200 = 350,
  // variance 61, s = 7.8102: levels 1.3795 .. 32.6205 stretched.
  ASSERT_EQ(ztComImgNormalizeALayer(h.ds, 1, t, 2.0, nullptr), 0);
  EXPECT_EQ(t[1], 0);
  EXPECT_EQ(t[10], 70);   // 255 * 8.6205 / 31.241 = 70.36
  EXPECT_EQ(t[32], 250);  // 255 * 30.6205 / 31.241 = 249.93
  EXPECT_EQ(t[33], 255);
  // Limit 2 * 200 / 256 = 1.5625: each occupied level is cut to it; the
  // 195.3125 cut pixels spread 0.7629 over each level, so C'(t) =
  // (t + 1) * 0.7629 + 1.5625 * (levels 10, 20, 30 reached).
  ASSERT_EQ(ztComImgAdaptiveALayer(h.ds, 1, t, nullptr), 0);
  EXPECT_EQ(t[0], 1);    // 255 * 0.7629 / 200 = 0.97
  EXPECT_EQ(t[9], 10);   // 255 * 7.629 / 200 = 9.73
  EXPECT_EQ(t[10], 13);  // 255 * (8.392 + 1.5625) / 200 = 12.69
  EXPECT_EQ(t[255], 255);
  EXPECT_EQ(ztComImgNoneALayer(nullptr, 1, t), RC_NULL_ARGUMENT);
  EXPECT_EQ(ztComImgEqualizeALayer(h.ds, 2, t, nullptr), RC_NULL_ARGUMENT);
  EXPECT_EQ(ztComImgLinearALayer(h.ds, 1, nullptr, -1, -1, 0.005f, 0.995f, nullptr), RC_NULL_ARGUMENT);
  EXPECT_EQ(ztComImgAdaptiveALayer(h.ds, 1, nullptr, nullptr), RC_NULL_ARGUMENT);
}

}  // namespace
