// The image sampler against a grid walked in the test: which pixels are left
// out (the grid itself and the stops are the clustering networks' tests').
#include <gtest/gtest.h>

#include <cmath>

#include "../statistical/classifier_fixture.h"
#include "neural/image_sampler.h"
#include "ztclass/result_codes.h"

using namespace zttest;

namespace {

double Value(int band, int column, int row) { return band * 1000 + row * 37 + column; }

struct Sampled {
  std::vector<std::vector<double>> patterns;
  long rc = 0;
};

Sampled Sample(Scene& scene, const zt::Window& w, long interval, bool noDataFlag, double noData) {
  std::vector<void*> bands;
  for (int b = 1; b <= scene.bands; ++b) bands.push_back(ztRSGetRasterBand(scene.source, b));
  zt::PatternArray array;
  EXPECT_EQ(array.Allocate(w, interval, scene.bands), RC_OK);
  long count = -1;
  Sampled out;
  out.rc = zt::SampleImage(scene.source, bands.data(), scene.bands, interval, noDataFlag, noData, w.rows, w.columns,
                           w.firstRow, w.firstColumn, array.Patterns(), &count);
  EXPECT_LE(count, array.Capacity());
  for (long i = 0; i < count; ++i)
    out.patterns.emplace_back(array.Patterns()[i], array.Patterns()[i] + scene.bands);
  return out;
}

std::vector<std::vector<double>> Grid(const Scene& scene, const zt::Window& w, long interval,
                                      const std::function<bool(int, int)>& skip) {
  std::vector<std::vector<double>> expected;
  for (long i = 0; i < w.rows; i += interval)
    for (long j = 0; j < w.columns; j += interval) {
      const int row = static_cast<int>(w.firstRow + i), column = static_cast<int>(w.firstColumn + j);
      if (skip(column, row)) continue;
      std::vector<double> p;
      for (int b = 1; b <= scene.bands; ++b) p.push_back(scene.value(b, column, row));
      expected.push_back(p);
    }
  return expected;
}

TEST(ImageSampler, LeavesOutExactNoDataOfTheFirstBandAndNaNAnywhere) {
  // Band 1 holds the no-data value 7 on a diagonal and 7.00001 next to
  // it: only exact equality is left out. Band 2 holds NaN on one column.
  auto value = [](int b, int c, int r) {
    if (b == 1 && c == r) return 7.0;
    if (b == 1 && c == r + 1) return 7.00001;
    if (b == 2 && c == 5) return std::nan("");
    return Value(b, c, r);
  };
  Scene scene(12, 10, 2, value, true, 7.0, GDT_Float32);
  const zt::Window w{10, 12, 0, 0};
  const Sampled s = Sample(scene, w, 1, true, 7.0);
  ASSERT_EQ(s.rc, RC_OK);
  const auto expected = Grid(scene, w, 1, [](int c, int r) { return c == r || c == 5; });
  ASSERT_EQ(s.patterns.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i)
    for (size_t b = 0; b < 2; ++b)
      EXPECT_FLOAT_EQ(static_cast<float>(s.patterns[i][b]), static_cast<float>(expected[i][b]));

  // Without the flag the diagonal stays in; NaN is still left out.
  EXPECT_EQ(Sample(scene, w, 1, false, 7.0).patterns.size(), Grid(scene, w, 1, [](int c, int) { return c == 5; }).size());
}

}  // namespace
