// The pixels of a polygon found row by row from its edges must be, pixel for
// pixel, those that the point-in-polygon test of each pixel centre accepts:
// random polygons with horizontal edges, vertices on pixel centres and
// corners, collinear runs, holes and rings touching themselves, through cell
// gathering and the class mask of a real image.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <tuple>
#include <vector>

#include "samples/cell_set.h"
#include "samples_fixture.h"
#include "ztservices/geometry.h"

using namespace zttest;

namespace {

using Points = std::vector<double>;  // x, y pairs

// Random polygons over roughly 0..span in both directions, of the kinds
// that put pixel centres exactly on edges and vertices.
class PolygonMaker {
 public:
  PolygonMaker(unsigned seed, double span) : random_(seed), span_(span) {}

  Points Make() {
    const int kind = static_cast<int>(random_() % 6);
    Points xy;
    switch (kind) {
      case 0:  // integer corners: horizontal and vertical edges, corners on pixel corners
      case 1:  // half-integers: vertices on pixel centres, edges through them
      case 2:  // quarters
      case 3:  // any value
        xy = Ring(3 + random_() % 12, kind);
        break;
      case 4: {  // an outer ring, a hole inside it, then back to the outer ring's first point
        const double x0 = Coordinate(0) * 0.3, y0 = Coordinate(0) * 0.3;
        const double x1 = x0 + 6 + random_() % 10, y1 = y0 + 6 + random_() % 10;
        const double h = (random_() % 2) ? 0.5 : 0.0;
        xy = {x0, y0, x1, y0, x1, y1, x0, y1, x0, y0};
        const Points hole = {x0 + 2 + h, y0 + 2, x1 - 2, y0 + 3 + h, x1 - 3, y1 - 2, x0 + 2, y1 - 2 - h, x0 + 2 + h,
                             y0 + 2};
        xy.insert(xy.end(), hole.begin(), hole.end());
        xy.insert(xy.end(), {x0, y0});
        break;
      }
      default: {  // two loops through one shared vertex
        const double cx = 2 + random_() % static_cast<unsigned>(span_ - 4), cy = 2 + random_() % static_cast<unsigned>(span_ - 4);
        xy = {cx, cy, cx + 5, cy - 3, cx + 6, cy + 4, cx, cy, cx - 4, cy + 4, cx - 5, cy};
        break;
      }
    }
    if (random_() % 2) AddCollinearRuns(xy);
    return xy;
  }

 private:
  double Coordinate(int kind) {
    std::uniform_real_distribution<double> any(-3, span_ + 3);
    const double v = any(random_);
    switch (kind) {
      case 0: return std::round(v);
      case 1: return std::round(v) + 0.5;
      case 2: return std::round(v * 4) / 4;
      default: return v;
    }
  }

  Points Ring(size_t count, int kind) {
    Points xy;
    for (size_t i = 0; i < count; ++i) {
      xy.push_back(Coordinate(kind));
      // Repeating the last row now and then makes horizontal edges.
      xy.push_back(i > 0 && random_() % 3 == 0 ? xy[xy.size() - 2] : Coordinate(kind));
    }
    return xy;
  }

  // Midpoints on some edges: three or more vertices in a line.
  void AddCollinearRuns(Points& xy) {
    Points out;
    const size_t n = xy.size() / 2;
    for (size_t i = 0; i < n; ++i) {
      const size_t j = (i + 1) % n;
      out.insert(out.end(), {xy[2 * i], xy[2 * i + 1]});
      if (random_() % 2) out.insert(out.end(), {(xy[2 * i] + xy[2 * j]) / 2, (xy[2 * i + 1] + xy[2 * j + 1]) / 2});
    }
    xy = out;
  }

  std::mt19937 random_;
  double span_;
};

bool Inside(const Points& xy, long column, long row) {
  return ztRSPtInPolygon(xy.data(), long(xy.size() / 2), double(column), double(row), 0) == 1;
}

// Cell gathering and the class mask of a real image ------------------------

constexpr int kColumns = 36, kRows = 28;

// Vertices within a pixel of the image, where reading leaves them as they are.
bool NearImage(const Points& xy) {
  for (size_t i = 0; i < xy.size(); i += 2)
    if (xy[i] < -1 || xy[i] > kColumns + 1 || xy[i + 1] < -1 || xy[i + 1] > kRows + 1) return false;
  return true;
}

std::vector<std::vector<Points>> RandomAois(unsigned seed, bool integers) {
  PolygonMaker maker(seed, kRows - 4);
  std::vector<std::vector<Points>> aois(4);
  for (auto& polygons : aois)
    while (polygons.size() < 3) {
      Points xy = maker.Make();
      if (integers)
        for (double& v : xy) v = std::trunc(v);
      if (NearImage(xy)) polygons.push_back(xy);
    }
  return aois;
}

// Cells class by class, polygon by polygon, in row-major order, with their
// values, across row blocks (the band order: RowsOfAWideImageAreGatheredWhole).
TEST(ScanlineFill, GatheredCellsAreThePixelsThePointTestAcceptsWithoutGapsOrValuelessPixels) {
  constexpr double kNoData = 7;
  // Band 1 holds the no-data value and band 2 NaN here and there.
  auto value = [](int band, int column, int row) {
    if (band == 1) return (column + row) % 9 == 0 ? kNoData : column * 0.5 + row;
    return (column * 3 + row) % 7 == 0 ? std::nan("") : column - row * 0.25;
  };
  const double nan = std::nan(""), inf = HUGE_VAL;
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE(seed);
    AoiImage image(RasterSpec{kColumns, kRows, 2, GDT_Float32, 0, 8, true, kNoData}, value);
    std::mt19937 random(seed);
    auto polygons = RandomAois(seed, false);
    std::vector<std::vector<Points>> withGaps = polygons;
    for (auto& aoi : withGaps)
      for (Points& xy : aoi) {
        // Not as the first vertex: that one also starts the polygon's
        // rectangle.
        const size_t at = 2 * (1 + random() % (xy.size() / 2 - 1));
        const double gap[] = {nan, inf, -inf};
        xy.insert(xy.begin() + at, {gap[random() % 3], gap[random() % 3]});
      }
    for (const auto& p : withGaps) AddAoi(image.ds.get(), p);
    ASSERT_EQ(image.Load(), RC_OK);
    std::vector<std::tuple<long, long, long>> expected;
    for (size_t k = 0; k < polygons.size(); ++k)
      for (const Points& xy : polygons[k])
        for (long r = 0; r < kRows; ++r)
          for (long c = 0; c < kColumns; ++c)
            if (Inside(xy, c, r) && value(1, c, r) != kNoData && !std::isnan(value(2, c, r)))
              expected.emplace_back(k + 1, r, c);
    long bands[] = {1, 2};
    Cells gathered;
    ASSERT_EQ(ztGetAOICellSet(image.ds.get(), bands, 2, image.aois.data(), long(image.aois.size()), &gathered.cells,
                              gathered.count),
              0);
    std::vector<std::tuple<long, long, long>> got;
    for (const AOICELL* cell = gathered.cells; cell < gathered.cells + gathered.count; ++cell) {
      got.emplace_back(cell->classNo, cell->row, cell->column);
      for (int b = 0; b < 2; ++b) EXPECT_EQ(cell->values[b], value(b + 1, cell->column, cell->row));
    }
    EXPECT_EQ(got, expected);
  }
}

TEST(ScanlineFill, RowsOfAWideImageAreGatheredWhole) {
  constexpr int kWide = 9000;
  auto value = [](int band, int column, int row) { return (column * 7 + row * 3 + band) % 251; };
  AoiImage image(RasterSpec{kWide, 3, 2}, value);
  // Rows 0 and 1 whole, row 2 from column 3 on.
  AddAoi(image.ds.get(), {{-1, -1, kWide + 1.0, -1, kWide + 1.0, 3, 3, 3, 3, 2, -1, 2}});
  ASSERT_EQ(image.Load(), RC_OK);
  long bands[] = {2, 1};
  Cells gathered;
  ASSERT_EQ(ztGetAOICellSet(image.ds.get(), bands, 2, image.aois.data(), 1, &gathered.cells, gathered.count), 0);
  ASSERT_EQ(gathered.count, 3L * kWide - 3);
  const AOICELL* cell = gathered.cells;
  for (int r = 0; r < 3; ++r)
    for (int c = r == 2 ? 3 : 0; c < kWide; ++c, ++cell) {
      ASSERT_EQ(cell->row, r);
      ASSERT_EQ(cell->column, c);
      ASSERT_EQ(cell->values[0], value(2, c, r));
      ASSERT_EQ(cell->values[1], value(1, c, r));
    }
}

TEST(ScanlineFill, ClassMaskHoldsThePixelsThePointTestAccepts) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    for (bool integers : {true, false}) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << (integers ? " integer" : " fractional"));
      AoiImage image(RasterSpec{kColumns, kRows, 2, GDT_Byte, 0, 8},
                     [](int b, int c, int r) { return b * 40 + (c * 5 + r * 11) % 37; });
      const auto polygons = RandomAois(seed, integers);
      for (const auto& p : polygons) AddAoi(image.ds.get(), p);
      ASSERT_EQ(image.Load(), RC_OK);
      zt::ClassMask mask;
      ASSERT_EQ(mask.Build(image.ds.get(), image.aois), RC_OK);
      const std::vector<int> pixels = MaskPixels(image.ds.get(), mask);
      std::vector<int> expected(kColumns * kRows, 0);
      for (size_t k = 0; k < polygons.size(); ++k)
        for (Points xy : polygons[k]) {
          double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
          for (size_t i = 0; i < xy.size(); i += 2) {
            x0 = std::min(x0, xy[i]), x1 = std::max(x1, xy[i]);
            y0 = std::min(y0, xy[i + 1]), y1 = std::max(y1, xy[i + 1]);
          }
          // The mask truncates the vertices and visits width x height pixels
          // from the truncated minimum of the rectangle within the image.
          for (double& v : xy) v = std::trunc(v);
          x0 = std::max(x0, 0.0), y0 = std::max(y0, 0.0);
          const long c0 = long(x0), r0 = long(y0);
          const long width = long(std::min(x1, double(kColumns)) - x0), height = long(std::min(y1, double(kRows)) - y0);
          for (long r = r0; r < r0 + height; ++r)
            for (long c = c0; c < c0 + width; ++c)
              if (Inside(xy, c, r)) expected[r * kColumns + c] = static_cast<int>(k + 1);
        }
      for (long i = 0; i < kColumns * kRows; ++i)
        ASSERT_EQ(pixels[i], expected[i]) << "row " << i / kColumns << " column " << i % kColumns;
    }
  }
}

TEST(ScanlineFill, ATrainingGatheringStopsWithinALargePolygon) {
  AoiImage image(RasterSpec{640, 480}, [](int, int c, int r) { return (c + r) % 200; });
  AddAoi(image.ds.get(), {{-1, -1, 641, -1, 641, 481, -1, 481}});
  ASSERT_EQ(image.Load(), RC_OK);
  std::vector<void*> bands = {ztRSGetRasterBand(image.ds.get(), 1)};
  // The first look, for the AOI, finds no stop; the next comes while the
  // one polygon is gathered.
  ProgressRecorder progress;
  progress.stopAfterSteps = 1;
  AOICELL* cells = nullptr;
  long count = 0;
  EXPECT_EQ(zt::GatherTrainingSamples(image.ds.get(), bands, image.aois.data(), 1, zt::NoDataRule{}, &cells, count),
            RC_CANCELLED);
  EXPECT_EQ(cells, nullptr);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(progress.steps, 2);
}

}  // namespace
