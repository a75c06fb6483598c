// A supervised and a clustering network on one scene stored four ways: as
// Byte, as UInt16 with the values x 100 (a 16-bit sensor's digital numbers),
// and as reflectance in Float32 (values / 256) and Float64 (values / 255).
// One training pixel reaches 255, so the scaling of the other types divides
// v x f by 255 x f, which rounds to v / 255 to the last bit for these
// factors: the class maps must agree pixel for pixel, and the supervised one
// must give every training rectangle its class. Every network shares the
// scaling of the training samples, of the sampled patterns and of the pass.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <vector>

#include "art_fixture.h"
#include "ztclass/neural.h"
#include "ztclass/result_codes.h"

using namespace zttest;

namespace {

// The patches, with one pixel of 255 where the sampler and the first
// training rectangle both see it.
double Bright(int band, int column, int row) {
  return column == 0 && row == 0 && band == 1 ? 255.0 : Patches(band, column, row);
}

// The three patches of different spectra.
const std::vector<Rect> kTraining = {{0, 0, 8, 10}, {8, 0, 16, 10}, {16, 0, 24, 10}};

using Run = std::function<long(Scene&, long* bands)>;

struct Method {
  const char* name;
  bool supervised;
  Run run;
};

const Method kMethods[] = {
    {"bp", true,
     [](Scene& s, long* b) {
       long hidden[] = {6};
       return ztBPNNClass(s.source, b, 3, hidden, 1, 0.8, 0.3, 0.001, 300, s.result, kArtRows, kArtColumns, 0, 0);
     }},
    {"kohonen", false,
     [](Scene& s, long* b) {
       return ztKohonenNNClass(s.source, b, 3, 6, 2, 0.3, 0.0, 20, s.result, kArtRows, kArtColumns, 0, 0);
     }},
};

std::vector<double> Classify(const Method& m, GDALDataType type, double factor) {
  Scene s(kArtColumns, kArtRows, kArtBands, [factor](int b, int c, int r) { return Bright(b, c, r) * factor; },
          false, 0, type);
  if (m.supervised)
    for (size_t k = 0; k < kTraining.size(); ++k) s.AddClass("class " + std::to_string(k + 1), {kTraining[k]});
  s.MakeResult(kArtColumns, kArtRows);
  long bands[] = {1, 2, 3};
  std::srand(1);  // the same initial weights for every copy
  EXPECT_EQ(m.run(s, bands), RC_OK) << m.name;
  return s.Result();
}

TEST(NetworkStorageTypes, SixteenBitAndReflectanceCopiesGiveTheByteMap) {
  for (const Method& m : kMethods) {
    const std::vector<double> byte = Classify(m, GDT_Byte, 1.0);
    ASSERT_EQ(byte.size(), size_t(kArtColumns * kArtRows));
    if (m.supervised)
      for (size_t k = 0; k < kTraining.size(); ++k)
        for (int r = kTraining[k].y0; r < kTraining[k].y1; ++r)
          for (int c = kTraining[k].x0; c < kTraining[k].x1; ++c)
            if (r + c > 0) {
              EXPECT_EQ(byte[r * kArtColumns + c], double(k + 1)) << m.name << " at " << c << "," << r;
            }
    for (auto [type, factor] : {std::pair{GDT_UInt16, 100.0}, {GDT_Float32, 1.0 / 256}, {GDT_Float64, 1.0 / 255}})
      EXPECT_EQ(Classify(m, type, factor), byte) << m.name << " on " << GDALGetDataTypeName(type);
  }
}

}  // namespace
