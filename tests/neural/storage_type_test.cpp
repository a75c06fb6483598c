// A clustering network on one scene stored four ways: as Byte, as UInt16
// with the values x 100 (a 16-bit sensor's digital numbers), and as
// reflectance in Float32 (values / 256) and Float64 (values / 255). One
// sampled pixel reaches 255, so the scaling of the other types divides v x f
// by 255 x f, which rounds to v / 255 to the last bit for these factors: the
// class maps must agree pixel for pixel. The supervised networks' training
// samples take the same scaling (the command line's copies of one scene).
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "network_fixture.h"
#include "ztclass/neural.h"
#include "ztclass/result_codes.h"

using namespace zttest;

namespace {

// The patches, with one pixel of 255 where the sampler sees it.
double Bright(int band, int column, int row) {
  return column == 0 && row == 0 && band == 1 ? 255.0 : Patches(band, column, row);
}

std::vector<double> Classify(GDALDataType type, double factor) {
  Scene s(kArtColumns, kArtRows, kArtBands, [factor](int b, int c, int r) { return Bright(b, c, r) * factor; },
          false, 0, type);
  s.MakeResult(kArtColumns, kArtRows);
  long bands[] = {1, 2, 3};
  std::srand(1);  // the same initial weights for every copy
  EXPECT_EQ(ztKohonenNNClass(s.source, bands, 3, 6, 2, 0.3, 0.0, 20, s.result, kArtRows, kArtColumns, 0, 0), RC_OK);
  return s.Result();
}

TEST(NetworkStorageTypes, SixteenBitAndReflectanceCopiesGiveTheByteMap) {
  const std::vector<double> byte = Classify(GDT_Byte, 1.0);
  ASSERT_EQ(byte.size(), size_t(kArtColumns * kArtRows));
  for (auto [type, factor] : {std::pair{GDT_UInt16, 100.0}, {GDT_Float32, 1.0 / 256}, {GDT_Float64, 1.0 / 255}})
    EXPECT_EQ(Classify(type, factor), byte) << GDALGetDataTypeName(type);
}

}  // namespace
