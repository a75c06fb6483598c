// Class AOIs, training cells, the class mask and purification, checked
// against brute-force computations in the test. Which pixels polygons take is
// checked against the point test in scanline_test.cpp, and the point test's
// boundary rule against GDAL's rasterisation in imagebase_test.cpp.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <random>
#include <set>
#include <tuple>

#include "samples_fixture.h"
#include "ztclass/statistical.h"

using namespace zttest;

namespace {

double Pixel(int band, int column, int row) { return band * 20 + (column * 7 + row * 3) % 50; }

struct SampleImage : AoiImage {
  SampleImage() : AoiImage(RasterSpec{40, 30, 3, GDT_Byte, 0, 8}, Pixel) {}
};

struct ClassAois {
  CAOIEditor* editor = nullptr;
  std::vector<AOI> aois;
  explicit ClassAois(void* ds) {
    EXPECT_EQ(ztRSAllocAOIInfo(ds, &editor), 0);
    long n = 0;
    EXPECT_EQ(ztGetClassAOINum(editor, n), 0);
    aois.resize(n);
    EXPECT_EQ(ztGetClassAOIInfo(editor, n, aois.data()), 0);
  }
  ~ClassAois() { ztRSFreeAOIInfo(editor); }
};

// Non-integer vertices keep every pixel centre off the edges.
const std::vector<double> kTriangle = {3.3, 2.2, 20.6, 5.1, 8.4, 17.7};

TEST(ClassAoiListing, EditorsWithoutClassAois) {
  SampleImage image;
  auto hasClassAoi = [](CAOIEditor* editor) {
    bool has = true;
    EXPECT_EQ(ztHasClassAOI(editor, has), 0);
    return has;
  };
  EXPECT_FALSE(hasClassAoi(nullptr));
  EXPECT_FALSE(hasClassAoi(ClassAois(image.ds.get()).editor));
  EXPECT_EQ(image.Load(), RC_NO_CLASS_AOI);
}

TEST(ClassAoiListing, ClassNumbersStayBelowTheNoDataClass) {
  SampleImage image;
  for (int k = 1; k <= 254; ++k) AddAoi(image.ds.get(), {kTriangle}, std::to_string(k).c_str());
  {
    zt::AoiEditorHandle editor;
    std::vector<AOI> aois;
    EXPECT_EQ(zt::LoadClassAois(image.ds.get(), editor, aois), RC_OK);
    EXPECT_EQ(aois.size(), 254u);
  }
  AddAoi(image.ds.get(), {kTriangle}, "c255");
  EXPECT_EQ(image.Load(), RC_BAD_WINDOW) << "class 255 would be no-data";
}

TEST(CellGathering, ArgumentChecksInOrderAndAStoppedMask) {
  SampleImage image;
  AddAoi(image.ds.get(), {kTriangle}, "a");
  ClassAois list(image.ds.get());
  long bands[2] = {1, 2};
  Cells cells;
  AOI* aois = list.aois.data();
  EXPECT_EQ(ztGetAOICellSet(nullptr, bands, 1, aois, 1, &cells.cells, cells.count), RC_NULL_ARGUMENT);
  EXPECT_EQ(ztGetAOICellSet(image.ds.get(), nullptr, 1, aois, 1, &cells.cells, cells.count), RC_NULL_ARGUMENT);
  EXPECT_EQ(ztGetAOICellSet(image.ds.get(), bands, 1, nullptr, 1, &cells.cells, cells.count), RC_NULL_ARGUMENT);
  EXPECT_EQ(ztGetAOICellSet(image.ds.get(), bands, 1025, aois, 0, &cells.cells, cells.count), RC_TOO_MANY_BANDS);
  EXPECT_EQ(ztGetAOICellSet(image.ds.get(), bands, 0, aois, 1, &cells.cells, cells.count), RC_BAD_WINDOW);
  EXPECT_EQ(ztGetAOICellSet(image.ds.get(), bands, 1, aois, 0, &cells.cells, cells.count), RC_BAD_WINDOW);
  long missing = 9;
  EXPECT_EQ(ztGetAOICellSet(image.ds.get(), &missing, 1, aois, 1, &cells.cells, cells.count), RC_BAD_WINDOW);
  AOICELL sentinel{};
  AOICELL* notNull = &sentinel;
  long count = 5;
  EXPECT_EQ(ztGetAOICellSet(image.ds.get(), bands, 1, aois, 1, &notNull, count), RC_BAD_WINDOW);
  EXPECT_EQ(notNull, &sentinel);
  ztFreeAOICellSet(nullptr, 3);  // ignored
  // The class mask of the same AOI, stopped while it is built.
  ProgressRecorder progress;
  progress.stopAfterSteps = 3;
  zt::ClassMask mask;
  EXPECT_EQ(mask.Build(image.ds.get(), list.aois), RC_CANCELLED);
}

// A stack of a Byte band and a UInt16 band holding values above a byte's:
// training pixels keep the UInt16 values whole, listed alone or first.
TEST(CellGathering, BandsOfDifferentTypesKeepTheirValues) {
  TempDir dir;
  auto narrow = [](int, int c, int r) { return double((c * 7 + r * 3) % 50); };
  auto wide = [](int, int c, int r) { return 1000.0 + c * 40 + r; };
  WriteBandStack(dir.File("stack.vrt"), 24, 20, {{GDT_Byte, narrow}, {GDT_UInt16, wide}});
  Handle ds(ztRSOpen(dir.File("stack.vrt").c_str(), 0));
  ASSERT_TRUE(ds);
  AddAoi(ds.get(), {kTriangle}, "a");
  ClassAois list(ds.get());
  for (std::vector<long> bands : {std::vector<long>{2}, std::vector<long>{2, 1}}) {
    SCOPED_TRACE(bands.size());
    Cells cells;
    ASSERT_EQ(ztGetAOICellSet(ds.get(), bands.data(), long(bands.size()), list.aois.data(), 1, &cells.cells,
                              cells.count),
              0);
    ASSERT_GT(cells.count, 0);
    for (long i = 0; i < cells.count; ++i) {
      const AOICELL& cell = cells.cells[i];
      const int c = int(cell.column), r = int(cell.row);
      ASSERT_EQ(cell.values[0], wide(2, c, r)) << r << "," << c;
      if (bands.size() == 2) {
        ASSERT_EQ(cell.values[1], narrow(1, c, r)) << r << "," << c;
      }
    }
  }
}

// Purification ----------------------------------------------------------

struct OwnedCells {
  std::vector<std::vector<double>> values;
  std::vector<AOICELL> cells;
};

OwnedCells RandomCells(long count, long bands, long classes, unsigned seed) {
  std::mt19937 random(seed);
  std::normal_distribution<double> noise(0, 5);
  OwnedCells out;
  out.values.resize(count);
  for (long i = 0; i < count; ++i) {
    long classNo = 1 + static_cast<long>(random() % classes);
    for (long b = 0; b < bands; ++b) out.values[i].push_back(std::round(classNo * 30 + b * 3 + noise(random)));
    out.cells.push_back(AOICELL{classNo, i, i * 2, nullptr});
  }
  for (long i = 0; i < count; ++i) out.cells[i].values = out.values[i].data();
  return out;
}

std::vector<long> BruteForcePurify(const OwnedCells& in, long bands, long classes, double k) {
  std::vector<long> kept;
  std::map<std::pair<long, long>, std::vector<double>> byClassBand;
  for (const AOICELL& cell : in.cells)
    for (long b = 0; b < bands; ++b) byClassBand[{cell.classNo, b}].push_back(cell.values[b]);
  for (size_t i = 0; i < in.cells.size(); ++i) {
    bool keep = true;
    for (long b = 0; b < bands; ++b) {
      const auto& v = byClassBand[{in.cells[i].classNo, b}];
      double mean = 0, var = 0;
      for (double x : v) mean += x;
      mean /= v.size();
      for (double x : v) var += (x - mean) * (x - mean);
      const double sd = std::sqrt(var / v.size());
      const double x = in.cells[i].values[b];
      if (x < mean - k * sd - 1e-9 || x > mean + k * sd + 1e-9) keep = false;
    }
    if (keep) kept.push_back(static_cast<long>(i));
  }
  return kept;
}

TEST(Purification, KeepsTheCellsWithinKDeviationsInEveryBand) {
  for (double k : {0.5, 1.0, 2.0}) {
    SCOPED_TRACE(k);
    OwnedCells in = RandomCells(750, 3, 4, 11);
    Cells out;
    ASSERT_EQ(ztPurifyAOICellSet(in.cells.data(), 750, 3, 4, &out.cells, out.count, k), 0);
    std::vector<long> expected = BruteForcePurify(in, 3, 4, k);
    ASSERT_EQ(out.count, static_cast<long>(expected.size()));
    for (long i = 0; i < out.count; ++i) {
      const AOICELL& src = in.cells[expected[i]];
      const AOICELL& got = out.cells[i];
      EXPECT_EQ(std::tie(got.classNo, got.row, got.column), std::tie(src.classNo, src.row, src.column));
      EXPECT_NE(got.values, src.values) << "a copy";
      EXPECT_EQ(std::vector<double>(got.values, got.values + 3), std::vector<double>(src.values, src.values + 3));
    }
  }
}

// Two values a and b, taken equally often, lie exactly one deviation,
// |a - b| / 2, from their mean (a + b) / 2: at k = 1 every cell stays.
TEST(Purification, CellsExactlyOnABoundAreKept) {
  const std::pair<double, double> values[] = {
      {11.0 / 255, 245.0 / 255}, {0.1, 0.7}, {0.3, 0.9}, {1.0 / 3, 2.0 / 3}, {-2.6, 1e4 / 3}};
  for (auto [a, b] : values) {
    SCOPED_TRACE(std::to_string(a) + " " + std::to_string(b));
    OwnedCells in;
    in.values = {{a, b}, {b, a}, {a, a}, {b, b}, {a, b}, {b, a}};
    for (long i = 0; i < 6; ++i) in.cells.push_back(AOICELL{i < 2 ? 1 : 2, i, 0, in.values[i].data()});
    Cells out;
    ASSERT_EQ(ztPurifyAOICellSet(in.cells.data(), 6, 2, 2, &out.cells, out.count, 1.0), 0);
    EXPECT_EQ(out.count, 6);
  }
}

TEST(Purification, BadInputAndCancellation) {
  OwnedCells in = RandomCells(250, 2, 3, 5);
  Cells out;
  in.cells[7].classNo = 4;
  EXPECT_EQ(ztPurifyAOICellSet(in.cells.data(), 250, 2, 3, &out.cells, out.count, 1), RC_BAD_WINDOW);
  in.cells[7].classNo = 0;
  EXPECT_EQ(ztPurifyAOICellSet(in.cells.data(), 250, 2, 3, &out.cells, out.count, 1), RC_BAD_WINDOW);
  in.cells[7].classNo = 1;
  EXPECT_EQ(ztPurifyAOICellSet(nullptr, 250, 2, 3, &out.cells, out.count, 1), RC_NULL_ARGUMENT);
  EXPECT_EQ(ztPurifyAOICellSet(in.cells.data(), 250, 2000, 3, &out.cells, out.count, 1), RC_TOO_MANY_BANDS);
  ProgressRecorder progress;
  progress.stopAfterSteps = 100;
  EXPECT_EQ(ztPurifyAOICellSet(in.cells.data(), 250, 2, 3, &out.cells, out.count, 1), RC_CANCELLED);
  EXPECT_EQ(out.cells, nullptr);
  EXPECT_EQ(ztPurifyAOICellSet(in.cells.data(), 0, 2, 3, &out.cells, out.count, 1), 0);
  EXPECT_EQ(out.count, 0);
}

// Polygons reaching far beyond the image keep the pixels they cover ---------

using PixelSet = std::set<std::pair<long, long>>;  // column, row

constexpr int kColumns = 30, kRows = 24;

std::vector<PixelSet> GatheredPerClass(void* ds, const std::vector<AOI>& aois) {
  long band = 1;
  Cells gathered;
  EXPECT_EQ(ztGetAOICellSet(ds, &band, 1, const_cast<AOI*>(aois.data()), long(aois.size()), &gathered.cells,
                            gathered.count),
            0);
  std::vector<PixelSet> sets(aois.size());
  for (const AOICELL* cell = gathered.cells; cell < gathered.cells + gathered.count; ++cell)
    sets[cell->classNo - 1].emplace(cell->column, cell->row);
  return sets;
}

std::vector<PixelSet> MaskedPerClass(void* ds, const std::vector<AOI>& aois) {
  zt::ClassMask mask;
  EXPECT_EQ(mask.Build(ds, aois), RC_OK);
  const std::vector<int> pixels = MaskPixels(ds, mask);
  const long columns = ztRSGetRasterXSize(ds), rows = ztRSGetRasterYSize(ds);
  std::vector<PixelSet> sets(aois.size());
  for (long r = 0; r < rows; ++r)
    for (long c = 0; c < columns; ++c)
      if (int k = pixels[r * columns + c]) sets[k - 1].emplace(c, r);
  return sets;
}

TEST(PixelConvention, PolygonsReachingFarBeyondTheImageKeepTheirPixels) {
  for (double far : {1e20, 1e25, 1e300}) {
    SCOPED_TRACE(far);
    AoiImage image(RasterSpec{kColumns, kRows, 2},
                   [](int b, int c, int r) { return (c * 7 + r * 3 + b * b * 11) % 23; });
    void* ds = image.ds.get();
    // columns 2.., rows 3..; the two vertices of no number are left out.
    AddAoi(ds, {{2, 3, far, 3, NAN, 5, far, far, 5, INFINITY, 2, far}});
    AddAoi(ds, {{-far, -far, 5, -far, 5, 4, -far, 4}});    // columns ..4, rows ..3
    AddAoi(ds, {{-far, 10, far, 10, far, 12, -far, 12}});  // rows 10 and 11
    ASSERT_EQ(image.Load(), RC_OK);
    // Gathering takes a pixel once per polygon holding it; in the mask the
    // later class wins.
    std::vector<PixelSet> gathered(3), masked(3);
    for (long r = 0; r < kRows; ++r)
      for (long c = 0; c < kColumns; ++c) {
        const bool holds[] = {c >= 2 && r >= 3, c <= 4 && r <= 3, r == 10 || r == 11};
        int last = -1;
        for (int k = 0; k < 3; ++k)
          if (holds[k]) gathered[k].emplace(c, r), last = k;
        if (last >= 0) masked[last].emplace(c, r);
      }
    EXPECT_EQ(GatheredPerClass(ds, image.aois), gathered);
    EXPECT_EQ(MaskedPerClass(ds, image.aois), masked);
    // Maximum likelihood gathers its statistics from the same polygons.
    Handle result(ztRSCreate(ztRSGetDriverByName("GTiff"), image.dir.File("ml.tif").c_str(), kColumns, kRows, 1,
                             ZTRS_Byte, nullptr));
    long bands[] = {1, 2};
    EXPECT_EQ(MaxLiklihoodClass(ds, bands, 2, 0, result.get(), kRows, kColumns, 0, 0), RC_OK);
  }
}

// Holes of a polygon that reaches beyond the image, read from a file (the
// holes joined to the outer ring there and back): the pixels whose centres
// lie in the outer ring and in none of its holes, counted here.
TEST(PixelConvention, HolesOfAPolygonReachingBeyondTheImageStayHoles) {
  using Ring = std::array<int, 4>;  // x0, y0, x1, y1
  const struct {
    Ring outer;
    std::vector<Ring> holes;
  } cases[] = {
      {{-5, -5, 12, 12}, {{5, 5, 9, 9}, {1, 1, 3, 3}}},
      {{-5, -5, 12, 12}, {{1, 1, 3, 3}, {5, 5, 9, 9}}},
      {{-3, 2, 40, 9}, {{0, 3, 4, 6}, {20, 4, 25, 8}, {6, 5, 7, 7}}},
      {{2, -7, 9, 30}, {{3, 0, 5, 2}, {4, 10, 8, 23}}},
  };
  for (const auto& c : cases) {
    AoiImage image(RasterSpec{kColumns, kRows}, [](int, int, int) { return 1; });
    auto ring = [](const Ring& r) {
      return "[[" + std::to_string(r[0]) + "," + std::to_string(r[1]) + "],[" + std::to_string(r[2]) + "," +
             std::to_string(r[1]) + "],[" + std::to_string(r[2]) + "," + std::to_string(r[3]) + "],[" +
             std::to_string(r[0]) + "," + std::to_string(r[3]) + "],[" + std::to_string(r[0]) + "," +
             std::to_string(r[1]) + "]]";
    };
    std::string rings = ring(c.outer);
    for (const Ring& hole : c.holes) rings += "," + ring(hole);
    SCOPED_TRACE(rings);
    WriteText(image.dir.File("holes.geojson"), R"({"type":"FeatureCollection","features":[{"type":"Feature",
      "properties":{"class":"a"},"geometry":{"type":"Polygon","coordinates":[)" + rings + "]}}]}");
    ASSERT_EQ(ztRSAttachAOIFile(image.ds.get(), image.dir.File("holes.geojson").c_str(), nullptr), 0);
    ASSERT_EQ(image.Load(), RC_OK);
    auto holds = [](const Ring& r, double x, double y) { return x > r[0] && x < r[2] && y > r[1] && y < r[3]; };
    PixelSet expected;
    for (long r = 0; r < kRows; ++r)
      for (long col = 0; col < kColumns; ++col) {
        bool inside = holds(c.outer, col + 0.5, r + 0.5);
        for (const Ring& hole : c.holes) inside = inside != holds(hole, col + 0.5, r + 0.5);
        if (inside) expected.emplace(col, r);
      }
    EXPECT_EQ(GatheredPerClass(image.ds.get(), image.aois), std::vector<PixelSet>{expected});
  }
}

}  // namespace
