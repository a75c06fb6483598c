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
          for (double& v : xy) v = std::floor(v);
          for (long r = 0; r < kRows; ++r)
            for (long c = 0; c < kColumns; ++c)
              if (Inside(xy, c, r)) expected[r * kColumns + c] = static_cast<int>(k + 1);
        }
      for (long i = 0; i < kColumns * kRows; ++i)
        ASSERT_EQ(pixels[i], expected[i]) << "row " << i / kColumns << " column " << i % kColumns;
    }
  }
}

// Whether the centre of pixel (column, row) lies in the ring: a ray to the
// right crosses an odd number of edges, an edge counting when the centre's y
// lies from its lower end (included) to its upper end, and lies strictly
// left of the crossing (so a centre on a left edge is in, on a right one out).
bool CentreInRing(const Points& xy, long column, long row) {
  const double x = column + 0.5, y = row + 0.5;
  bool in = false;
  for (size_t i = 0, j = xy.size() - 2; i < xy.size(); j = i, i += 2) {
    const double xi = xy[i], yi = xy[i + 1], xj = xy[j], yj = xy[j + 1];
    if ((yi <= y) != (yj <= y) && x < xi + (y - yi) * (xj - xi) / (yj - yi)) in = !in;
  }
  return in;
}

// A polygon trains on the pixels whose centres lie in it once its vertices
// are rounded down to whole pixels, however its corners' fractions fall and
// wherever it leaves the image; a piece of the image cropped whole pixels
// away holds the same pixels as the same part of the image.
TEST(ScanlineFill, ClassMaskOfAPieceOfTheImageIsThatPartOfTheImagesMask) {
  constexpr long kWholeColumns = 24, kWholeRows = 20;
  constexpr long kLeft = 5, kTop = 4, kPieceColumns = 12, kPieceRows = 10;
  const double far = 3e7;
  const struct {
    const char* what;
    Points xy;
  } cases[] = {
      {"a square of fractional corners", {6.6, 5.6, 10.5, 5.6, 10.5, 9.5, 6.6, 9.5}},
      {"a rectangle past the piece's lower right corner", {12.5, 10.5, 17.5, 10.5, 17.5, 14.5, 12.5, 14.5}},
      {"a triangle past the piece's upper left corner", {2.7, 1.2, 11.3, 6.8, 3.9, 12.6}},
      {"a diagonal through pixel centres past the image", {-3.2, -3.9, 20.4, 20.1, -3.5, 25.5}},
      {"a right edge through pixel centres past the image", {-2.7, 3.2, 30.8, 3.6, -2.1, 30.4}},
      {"a strip reaching far left", {-far + 0.4, 6.5, 15.2, 6.5, 15.2, 8.3, -far + 0.4, 8.3}},
  };
  auto value = [](int b, int c, int r) { return b * 40 + (c * 5 + r * 11) % 37; };
  auto maskOf = [&](long columns, long rows, long left, long top, const Points& xy) {
    AoiImage image(RasterSpec{int(columns), int(rows), 1},
                   [&](int b, int c, int r) { return value(b, c + left, r + top); });
    Points shifted = xy;
    for (size_t i = 0; i < shifted.size(); i += 2) shifted[i] -= left, shifted[i + 1] -= top;
    AddAoi(image.ds.get(), {shifted});
    EXPECT_EQ(image.Load(), RC_OK);
    zt::ClassMask mask;
    EXPECT_EQ(mask.Build(image.ds.get(), image.aois), RC_OK);
    return MaskPixels(image.ds.get(), mask);
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.what);
    Points whole = test.xy;
    for (double& v : whole) v = std::floor(v);
    const std::vector<int> image = maskOf(kWholeColumns, kWholeRows, 0, 0, test.xy);
    const std::vector<int> piece = maskOf(kPieceColumns, kPieceRows, kLeft, kTop, test.xy);
    for (long r = 0; r < kWholeRows; ++r)
      for (long c = 0; c < kWholeColumns; ++c) {
        const int expected = CentreInRing(whole, c, r) ? 1 : 0;
        ASSERT_EQ(image[r * kWholeColumns + c], expected) << "image row " << r << " column " << c;
        if (r < kTop || r >= kTop + kPieceRows || c < kLeft || c >= kLeft + kPieceColumns) continue;
        ASSERT_EQ(piece[(r - kTop) * kPieceColumns + (c - kLeft)], expected) << "piece row " << r << " column " << c;
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
