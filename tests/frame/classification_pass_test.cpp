// The shared classification pass, driven by a trivial decision:
// class = 1 + (first band value mod 3), 255 where any band is no-data.
#include <gtest/gtest.h>

#include <cmath>

#include "frame/arguments.h"
#include "frame/captions.h"
#include "frame/classification_pass.h"
#include "frame/entry.h"
#include "frame/string_table.h"
#include "test_support.h"
#include "ztclass/result_codes.h"

using namespace zttest;
using namespace zt;

namespace {

constexpr int kCaption = 64;

long TrivialClassifier(void* source, const long* bands, long bandCount, void* result, long rows,
                       long columns, long firstRow, long firstColumn) {
  return Framed([&] {
    ProgressSession progress;
    const Window w{rows, columns, firstRow, firstColumn};
    if (long rc = CheckCommonArguments(source, result, bandCount, w)) return rc;
    ClassificationPass pass(source, bands, bandCount, result, w);
    if (long rc = pass.LookUpBands()) return rc;
    progress.Start(kCaption);
    if (long rc = pass.Open()) return rc;
    const NoDataRule noData = pass.NoData();
    return pass.Run(kCaption, [&](const PixelValues& pixel) {
      if (noData.active && AnyBandEquals(pixel, bandCount, noData.value)) return kNoDataClass;
      return 1.0 + std::fmod(pixel[0], 3.0);
    });
  });
}

double Source(int band, int column, int row) { return (band * 7 + column * 3 + row * 5) % 11; }

struct Fixture : ::testing::Test {
  TempDir dir;
  std::string sourcePath = dir.File("source.tif");
  std::string resultPath = dir.File("result.tif");
  void* source = nullptr;
  void* result = nullptr;
  const long band = 1;

  // A source of one band in 16 x 16 tiles and a Byte result, both columns x rows.
  void Make(int columns, int rows) {
    WriteGeoTiff(sourcePath, {.columns = columns, .rows = rows, .blockColumns = 16, .blockRows = 16}, Source);
    source = ztRSOpen(sourcePath.c_str(), 0);
    result = ztRSCreate(ztRSGetDriverByName("GTiff"), resultPath.c_str(), columns, rows, 1, ZTRS_Byte, nullptr);
    ASSERT_TRUE(source && result);
  }
  std::vector<double> CloseAndReadResult() {
    ztRSClose(result);
    result = nullptr;
    return ReadBand(resultPath);
  }
  ~Fixture() override { ztRSClose(source), ztRSClose(result); }  // closed handles are null, refused harmlessly
};

using ClassificationPassTest = Fixture;

TEST_F(ClassificationPassTest, WithoutNoDataTheResultKeepsItsOwn) {
  Make(16, 16);
  ztRSSetRasterNoDataValue(ztRSGetRasterBand(result, 1), 200);
  ASSERT_EQ(TrivialClassifier(source, &band, 1, result, 16, 16, 0, 0), RC_OK);
  int flag = 0;
  EXPECT_EQ(ztRSGetRasterNoDataValue(ztRSGetRasterBand(result, 1), &flag), 200);
  for (double v : CloseAndReadResult()) ASSERT_NE(v, 255);
}

// A stack of a Byte band and a UInt16 band holding values above a byte's,
// the UInt16 band first in the list.
TEST_F(ClassificationPassTest, BandsOfDifferentTypesAreReadWithTheirValuesWhole) {
  auto wide = [](int, int c, int r) { return 256.0 + c * 16 + r; };
  WriteBandStack(dir.File("stack.vrt"), 16, 16, {{GDT_Byte, Source}, {GDT_UInt16, wide}});
  source = ztRSOpen(dir.File("stack.vrt").c_str(), 0);
  result = ztRSCreate(ztRSGetDriverByName("GTiff"), resultPath.c_str(), 16, 16, 1, ZTRS_Byte, nullptr);
  ASSERT_TRUE(source && result);
  const long bands[] = {2, 1};
  ASSERT_EQ(TrivialClassifier(source, bands, 2, result, 16, 16, 0, 0), RC_OK);
  const std::vector<double> classes = CloseAndReadResult();
  for (int r = 0; r < 16; ++r)
    for (int c = 0; c < 16; ++c) ASSERT_EQ(classes[r * 16 + c], 1 + std::fmod(wide(2, c, r), 3.0)) << r << "," << c;
}

TEST_F(ClassificationPassTest, StopAfterTheFirstRowBlockKeepsItsRows) {
  Make(40, 40);
  ProgressRecorder progress;
  progress.stopAfterSteps = 1;
  EXPECT_EQ(TrivialClassifier(source, &band, 1, result, 40, 40, 0, 0), RC_CANCELLED);
  EXPECT_EQ(progress.Count("end"), 1);
  EXPECT_EQ(progress.steps, 2);
  int flag = 1;
  ztRSGetRasterNoDataValue(ztRSGetRasterBand(result, 1), &flag);
  EXPECT_EQ(flag, 0);
  std::vector<double> classes = CloseAndReadResult();
  for (long r = 0; r < 40; ++r)
    for (long c = 0; c < 40; ++c)
      ASSERT_EQ(classes[r * 40 + c], r < 16 ? 1 + std::fmod(Source(1, c, r), 3.0) : 0) << r << "," << c;
}

TEST_F(ClassificationPassTest, ArgumentChecksInOrderAndEndProgressOnEveryPath) {
  Make(20, 10);
  ProgressRecorder progress;
  EXPECT_EQ(TrivialClassifier(source, &band, 1025, nullptr, 10, 20, 0, 0), RC_NULL_ARGUMENT);
  EXPECT_EQ(TrivialClassifier(nullptr, &band, 1, result, 10, 20, 0, 0), RC_NULL_ARGUMENT);
  EXPECT_EQ(TrivialClassifier(source, &band, 1025, result, 10, 20, -1, 0), RC_TOO_MANY_BANDS);
  EXPECT_EQ(CheckCommonArguments(source, result, 1024, Window{10, 20, 0, 0}), RC_OK);
  EXPECT_EQ(TrivialClassifier(source, &band, 1, result, 10, 20, -1, 0), RC_BAD_WINDOW);
  EXPECT_EQ(TrivialClassifier(source, &band, 1, result, 10, 20, 0, -1), RC_BAD_WINDOW);
  EXPECT_EQ(TrivialClassifier(source, &band, 1, result, 10, 21, 0, 0), RC_BAD_WINDOW);
  EXPECT_EQ(TrivialClassifier(source, &band, 1, result, 11, 20, 0, 0), RC_BAD_WINDOW);
  EXPECT_EQ(TrivialClassifier(source, &band, 1, result, 1, 20, 10, 0), RC_BAD_WINDOW);
  EXPECT_EQ(TrivialClassifier(source, &band, 1, result, -1, 20, 0, 0), RC_BAD_WINDOW);
  EXPECT_EQ(TrivialClassifier(source, &band, 1, result, 4294967301, 20, 9223372032559808512, 0), RC_BAD_WINDOW)
      << "an end past the range of long";
  const long missingBand = 2;
  EXPECT_EQ(TrivialClassifier(source, &missingBand, 1, result, 10, 20, 0, 0), RC_BAD_WINDOW);
  EXPECT_EQ(progress.Count("start"), 0) << "argument errors come before the bar starts";
  EXPECT_EQ(progress.Count("end"), 11);
  EXPECT_EQ(TrivialClassifier(source, &band, 1, result, 10, 20, 0, 0), RC_OK) << "ends at the last row and column";
  EXPECT_EQ(TrivialClassifier(source, &band, 1, result, 0, 0, 3, 3), RC_OK) << "an empty window";
}

TEST(Captions, LongTextsAreCutAtCharacterBoundaries) {
  char buffer[8];
  ASSERT_TRUE(LoadString(15, buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "获取") << "7 bytes hold two 3-byte characters";
  EXPECT_FALSE(LoadString(68, buffer, sizeof buffer));
}

TEST(Entry, NoExceptionCrossesAnExport) {
  EXPECT_EQ(Framed([]() -> long { throw std::bad_alloc(); }), RC_OUT_OF_MEMORY);
  EXPECT_EQ(Framed([]() -> long { throw std::runtime_error("x"); }), RC_INTERNAL_ERROR);
  EXPECT_EQ(Guarded([]() -> long { return 42; }), 42);
}

}  // namespace
