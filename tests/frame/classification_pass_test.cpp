// The shared classification pass, driven by a trivial decision:
// class = 1 + (first band value mod 3), 255 where any band is no-data.
#include <gtest/gtest.h>

#include <cmath>

#include "frame/arguments.h"
#include "frame/captions.h"
#include "frame/classification_pass.h"
#include "frame/entry.h"
#include "frame/string_table.h"
#include "../statistical/classifier_fixture.h"
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

const long band = 1;

TEST(ClassificationPass, WithoutNoDataTheResultKeepsItsOwn) {
  Scene s(16, 16, 1, Source);
  ztRSSetRasterNoDataValue(ztRSGetRasterBand(s.result, 1), 200);
  ASSERT_EQ(TrivialClassifier(s.source, &band, 1, s.result, 16, 16, 0, 0), RC_OK);
  int flag = 0;
  EXPECT_EQ(ztRSGetRasterNoDataValue(ztRSGetRasterBand(s.result, 1), &flag), 200);
  for (double v : s.Result()) ASSERT_NE(v, 255);
}

// A stack of a Byte band and a UInt16 band holding values above a byte's,
// the UInt16 band first in the list.
TEST(ClassificationPass, BandsOfDifferentTypesAreReadWithTheirValuesWhole) {
  auto wide = [](int, int c, int r) { return 256.0 + c * 16 + r; };
  Scene s(16, 16, 1, Source);
  WriteBandStack(s.dir.File("stack.vrt"), 16, 16, {{GDT_Byte, Source}, {GDT_UInt16, wide}});
  ztRSClose(s.source);
  s.source = ztRSOpen(s.dir.File("stack.vrt").c_str(), 0);
  const long bands[] = {2, 1};
  ASSERT_EQ(TrivialClassifier(s.source, bands, 2, s.result, 16, 16, 0, 0), RC_OK);
  const std::vector<double> classes = s.Result();
  for (int r = 0; r < 16; ++r)
    for (int c = 0; c < 16; ++c) ASSERT_EQ(classes[r * 16 + c], 1 + std::fmod(wide(2, c, r), 3.0)) << r << "," << c;
}

TEST(ClassificationPass, StopAfterTheFirstRowBlockKeepsItsRows) {
  Scene s(40, 40, 1, Source);
  ProgressRecorder progress;
  progress.stopAfterSteps = 1;
  EXPECT_EQ(TrivialClassifier(s.source, &band, 1, s.result, 40, 40, 0, 0), RC_CANCELLED);
  EXPECT_EQ(progress.Count("end"), 1);
  EXPECT_EQ(progress.steps, 2);
  int flag = 1;
  ztRSGetRasterNoDataValue(ztRSGetRasterBand(s.result, 1), &flag);
  EXPECT_EQ(flag, 0);
  std::vector<double> classes = s.Result();
  for (long r = 0; r < 40; ++r)
    for (long c = 0; c < 40; ++c)
      ASSERT_EQ(classes[r * 40 + c], r < 16 ? 1 + std::fmod(Source(1, c, r), 3.0) : 0) << r << "," << c;
}

TEST(ClassificationPass, ArgumentChecksInOrderAndEndProgressOnEveryPath) {
  Scene s(20, 10, 1, Source);
  void *source = s.source, *result = s.result;
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
}

}  // namespace
