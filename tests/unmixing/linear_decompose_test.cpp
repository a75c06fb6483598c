// Linear spectral decomposition against fractions known by construction and
// against least squares solved independently in the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <numeric>
#include <stdexcept>

#include "test_support.h"
#include "ztclass/result_codes.h"
#include "ztclass/samples.h"
#include "ztclass/unmixing.h"
#include "ztservices/raster.h"

using namespace zttest;

namespace {

// A rectangle with integer corners: by the pixel-centre rule it holds
// columns x0..x1-1 and rows y0..y1-1.
struct PixelRect {
  int x0, y0, x1, y1;
  bool Holds(int c, int r) const { return c >= x0 && c < x1 && r >= y0 && r < y1; }
};

// A real GeoTIFF whose class AOIs come from a GeoJSON file of rectangles in
// pixel coordinates (class k holds rects[k - 1]), and a multi-band result.
struct UnmixScene {
  TempDir dir;
  RasterSpec spec;
  std::string sourcePath = dir.File("scene.tif");
  std::string resultPath = dir.File("fractions.tif");
  void* source = nullptr;
  void* result = nullptr;
  CAOIEditor* editor = nullptr;
  std::vector<AOI> aois;

  UnmixScene(const RasterSpec& s, const std::function<double(int, int, int)>& value,
             const std::vector<std::vector<PixelRect>>& rects)
      : spec(s) {
    WriteGeoTiff(sourcePath, spec, value);
    source = ztRSOpen(sourcePath.c_str(), 0);
    const std::string path = dir.File("classes.geojson");
    std::ofstream out(path);
    out << "{\"type\":\"FeatureCollection\",\"features\":[";
    const char* separator = "";
    for (size_t k = 0; k < rects.size(); ++k)
      for (const PixelRect& r : rects[k]) {
        out << separator << "{\"type\":\"Feature\",\"properties\":{\"class\":" << k + 1 << ",\"name\":\"class"
            << k + 1 << "\"},\"geometry\":{\"type\":\"Polygon\",\"coordinates\":[[[" << r.x0 << "," << r.y0 << "],["
            << r.x1 << "," << r.y0 << "],[" << r.x1 << "," << r.y1 << "],[" << r.x0 << "," << r.y1 << "],[" << r.x0
            << "," << r.y0 << "]]]}}";
        separator = ",";
      }
    out << "]}\n";
    out.close();
    if (ztRSAttachAOIFile(source, path.c_str(), "class") != 0) throw std::runtime_error("attach failed");
    if (ztRSAllocAOIInfo(source, &editor) != 0) throw std::runtime_error("no AOI editor");
    long count = 0;
    ztGetClassAOINum(editor, count);
    aois.assign(count, AOI{});
    ztGetClassAOIInfo(editor, count, aois.data());
  }
  ~UnmixScene() {
    if (editor) ztRSFreeAOIInfo(editor);
    if (result) ztRSClose(result);
    if (source) ztRSClose(source);
  }

  // A result of the given bands and type, every pixel set to fill.
  void MakeResult(int bands, GDALDataType type, int columns, int rows, double fill = 0.0) {
    if (result) ztRSClose(result);
    WriteGeoTiff(resultPath, RasterSpec{columns, rows, bands, type}, [fill](int, int, int) { return fill; });
    result = ztRSOpen(resultPath.c_str(), 1);
  }
  // Band b (from 1) of the result, row-major; closes the result first.
  std::vector<double> ResultBand(int band) {
    if (result) ztRSClose(result);
    result = nullptr;
    return ReadBand(resultPath, band);
  }
  long Decompose(int rows, int columns, int firstRow, int firstColumn, std::vector<long> bands = {}) {
    if (bands.empty()) {
      bands.resize(spec.bands);
      std::iota(bands.begin(), bands.end(), 1L);
    }
    return ztLinearDecompose(source, bands.data(), static_cast<long>(bands.size()), aois.data(),
                             static_cast<long>(aois.size()), result, rows, columns, firstRow, firstColumn);
  }
};

using Spectrum = std::vector<double>;

// The band values of a mixture of spectra with the given fractions.
double Mix(const std::vector<Spectrum>& spectra, const std::vector<double>& f, int band) {
  double v = 0;
  for (size_t k = 0; k < spectra.size(); ++k) v += f[k] * spectra[k][band - 1];
  return v;
}

RasterSpec Float64Scene(int columns, int rows, int bands) { return {columns, rows, bands, GDT_Float64, 16, 16}; }

// Textured training areas: the endmembers are the means of the cells within
// one standard deviation of their class in every band, and the fractions the
// clamped and rescaled least-squares solution, both computed here.
double Texture(int b, int c, int r) {
  const double noise = ((c * 7 + r * 13 + b * 5) % 11) + ((c * r + b) % 5) * 3;
  if (c < 10) return 30 + 40 * b + noise;
  if (c < 20) return 200 - 50 * b + noise;
  return 90 + 10 * b + 2 * noise + (r % 7) * 9;
}

std::vector<double> PurifiedMean(const std::vector<PixelRect>& rects, int bands) {
  std::vector<std::vector<double>> cells;
  for (const PixelRect& rect : rects)
    for (int r = rect.y0; r < rect.y1; ++r)
      for (int c = rect.x0; c < rect.x1; ++c) {
        std::vector<double> v;
        for (int b = 1; b <= bands; ++b) v.push_back(Texture(b, c, r) / 255.0);
        cells.push_back(v);
      }
  std::vector<double> mean(bands, 0), deviation(bands, 0), kept(bands, 0);
  for (auto& v : cells)
    for (int b = 0; b < bands; ++b) mean[b] += v[b] / cells.size();
  for (auto& v : cells)
    for (int b = 0; b < bands; ++b) deviation[b] += (v[b] - mean[b]) * (v[b] - mean[b]) / cells.size();
  int count = 0;
  for (auto& v : cells) {
    bool keep = true;
    for (int b = 0; b < bands; ++b) keep = keep && std::fabs(v[b] - mean[b]) <= std::sqrt(deviation[b]);
    if (!keep) continue;
    ++count;
    for (int b = 0; b < bands; ++b) kept[b] += v[b];
  }
  for (double& v : kept) v /= count;
  return kept;
}

TEST(LinearDecompose, PurifiedEndmembersAndClampedLeastSquares) {
  const std::vector<std::vector<PixelRect>> classes = {{{1, 2, 8, 12}}, {{11, 3, 19, 9}, {12, 15, 18, 24}}};
  UnmixScene s(Float64Scene(32, 28, 3), Texture, classes);
  s.MakeResult(2, GDT_Float64, 32, 28);
  ASSERT_EQ(s.Decompose(28, 32, 0, 0), RC_OK);
  const std::vector<double> e1 = PurifiedMean(classes[0], 3), e2 = PurifiedMean(classes[1], 3);
  // Normal equations of two unknowns by Cramer's rule.
  double a11 = 0, a12 = 0, a22 = 0;
  for (int b = 0; b < 3; ++b) a11 += e1[b] * e1[b], a12 += e1[b] * e2[b], a22 += e2[b] * e2[b];
  const double det = a11 * a22 - a12 * a12;
  std::vector<double> f1 = s.ResultBand(1), f2 = s.ResultBand(2);
  int clamped = 0;
  for (int r = 0; r < 28; ++r)
    for (int c = 0; c < 32; ++c) {
      double b1 = 0, b2 = 0;
      for (int b = 0; b < 3; ++b) {
        const double y = Texture(b + 1, c, r) / 255.0;
        b1 += e1[b] * y;
        b2 += e2[b] * y;
      }
      double x1 = std::max(0.0, (b1 * a22 - a12 * b2) / det), x2 = std::max(0.0, (a11 * b2 - a12 * b1) / det);
      if (x1 == 0 || x2 == 0) ++clamped;
      const double sum = x1 + x2;
      ASSERT_NEAR(f1[r * 32 + c], sum > 0 ? x1 / sum : 0, 1e-9) << r << "," << c;
      ASSERT_NEAR(f2[r * 32 + c], sum > 0 ? x2 / sum : 0, 1e-9) << r << "," << c;
    }
  EXPECT_GT(clamped, 20);  // the third kind of texture lies outside the span
}

// Two bands, two classes: e1 = (0.4, 0.2) and e2 = (0.1, 0.5) after scaling
// by 1/255. Pixels in row 10, by column: e1 itself; 0.3 e1 + 0.9 e2
// (fractions 0.3, 0.9, rescaled to 0.25, 0.75); 1.5 e1 - 0.5 e2 (the
// negative one clamped: 1, 0); -0.2 e1 + 0.6 e2 (0, 1); -e1 - e2 (both
// negative: 0, 0).
const std::vector<Spectrum> kTwo = {{0.4 * 255, 0.2 * 255}, {0.1 * 255, 0.5 * 255}};
const std::vector<std::vector<double>> kRow10 = {{1, 0}, {0.3, 0.9}, {1.5, -0.5}, {-0.2, 0.6}, {-1, -1}};
const std::vector<std::vector<double>> kRow10Fractions = {{1, 0}, {0.25, 0.75}, {1, 0}, {0, 1}, {0, 0}};

const std::vector<std::vector<PixelRect>> kTwoClasses = {{{0, 0, 10, 8}}, {{10, 0, 20, 8}}};

double TwoBandScene(int b, int c, int r) {
  if (r == 10 && c < 5) return Mix(kTwo, kRow10[c], b);
  return Mix(kTwo, c < 10 ? std::vector<double>{1, 0} : std::vector<double>{0, 1}, b);
}

// The scene as reflectance in thousandths (Float32, / 1000): the normal
// matrix's determinant, near 3e-14, lies below the singular limit though the
// endmembers are far from dependent, and the fractions stay those of row 10.
TEST(LinearDecompose, ReflectanceInThousandthsRecoversTheFractions) {
  UnmixScene s(RasterSpec{20, 12, 2, GDT_Float32, 16, 16},
               [](int b, int c, int r) { return TwoBandScene(b, c, r) / 1000; }, kTwoClasses);
  s.MakeResult(2, GDT_Float64, 5, 1);
  ASSERT_EQ(s.Decompose(1, 5, 10, 0), RC_OK);
  for (int k = 1; k <= 2; ++k) {
    const std::vector<double> band = s.ResultBand(k);
    for (int c = 0; c < 5; ++c) EXPECT_NEAR(band[c], kRow10Fractions[c][k - 1], 1e-5) << k << " " << c;
  }
}

// Decomposition's own checks; the window and band numbers are the shared
// pass's, tested with it.
TEST(LinearDecompose, ArgumentsAreCheckedBeforeAnyWork) {
  UnmixScene s(Float64Scene(20, 12, 2), TwoBandScene, kTwoClasses);
  long bands[] = {1, 2};
  AOI* aois = s.aois.data();
  for (int resultBands : {1, 3}) {
    s.MakeResult(resultBands, GDT_Float32, 20, 12, -7);
    ProgressRecorder progress;
    EXPECT_EQ(s.Decompose(12, 20, 0, 0), RC_ENDMEMBER_BAND_MISMATCH);
    EXPECT_EQ(progress.Count("start"), 0);
    EXPECT_EQ(progress.Count("end"), 1);
    for (double v : s.ResultBand(1)) ASSERT_EQ(v, -7);
  }
  s.MakeResult(2, GDT_Float32, 20, 12);
  void *src = s.source, *res = s.result;
  EXPECT_EQ(ztLinearDecompose(nullptr, bands, 2, aois, 2, res, 12, 20, 0, 0), RC_NULL_ARGUMENT);
  EXPECT_EQ(ztLinearDecompose(src, bands, 2000, aois, 2, nullptr, 12, 20, 0, 0), RC_NULL_ARGUMENT);
  EXPECT_EQ(ztLinearDecompose(src, bands, 1025, aois, 2, res, 12, 20, 0, 0), RC_TOO_MANY_BANDS);
  EXPECT_EQ(ztLinearDecompose(src, bands, 0, aois, 2, res, 12, 20, 0, 0), RC_BAD_WINDOW);
  EXPECT_EQ(ztLinearDecompose(src, bands, 2, aois, 0, res, 12, 20, 0, 0), RC_BAD_WINDOW);
  EXPECT_EQ(ztLinearDecompose(src, bands, 2, nullptr, 2, res, 12, 20, 0, 0), RC_NULL_ARGUMENT);
}

TEST(LinearDecompose, NoDataPixelsTakeTheNoDataValue) {
  UnmixScene s(RasterSpec{20, 12, 2, GDT_Float64, 16, 16, true, -9999}, [](int b, int c, int r) {
    if (r == 10 && c == 0) return b == 1 ? -9999 + 5e-7 : 50.0;  // within 1e-6: no-data
    if (r == 10 && c == 1) return b == 1 ? -9999 + 2e-6 : 50.0;  // beyond it: decomposed
    if (r == 10 && c == 2 && b == 2) return -9999.0;             // only the first band counts
    if (r == 10 && c == 3 && b == 2) return double(NAN);         // no value: no-data
    if (r == 0 && c == 0) return -9999.0;                        // not a training pixel
    return TwoBandScene(b, c, r);
  }, kTwoClasses);
  s.MakeResult(2, GDT_Float64, 5, 1);
  ASSERT_EQ(s.Decompose(1, 5, 10, 0), RC_OK);
  std::vector<double> f1 = s.ResultBand(1), f2 = s.ResultBand(2);
  GDALDataset* ds = GDALDataset::Open(s.resultPath.c_str(), GDAL_OF_RASTER);
  for (int k = 1; k <= 2; ++k) {
    int has = 0;
    EXPECT_EQ(ds->GetRasterBand(k)->GetNoDataValue(&has), -9999);
    EXPECT_TRUE(has);
  }
  GDALClose(ds);
  // Columns 0 and 3 are no-data in both bands.
  EXPECT_EQ(std::vector<double>({f1[0], f2[0], f1[3], f2[3]}), std::vector<double>(4, -9999));
  // Endmembers are exact despite the no-data pixel in the first training area.
  EXPECT_TRUE(f1[1] != -9999 && f1[1] >= 0 && f1[1] <= 1);
  EXPECT_NEAR(f1[1] + f2[1], 1, 1e-12);
  // Column 2: band 2 holds -9999, so the least-squares fractions are far out
  // of range; clamped to e1 alone.
  EXPECT_NEAR(f1[2], 1, 1e-12);
}

TEST(LinearDecompose, ANoDataValueAFractionCanTakeIsNotDeclared) {
  UnmixScene s(RasterSpec{20, 12, 2, GDT_Float64, 16, 16, true, 0}, [](int b, int c, int r) {
    return r == 10 && c == 0 ? 0.0 : TwoBandScene(b, c, r);
  }, kTwoClasses);
  s.MakeResult(2, GDT_Float64, 5, 1);
  ASSERT_EQ(s.Decompose(1, 5, 10, 0), RC_OK);
  EXPECT_EQ(s.ResultBand(1)[0], 0);
  GDALDataset* ds = GDALDataset::Open(s.resultPath.c_str(), GDAL_OF_RASTER);
  for (int k = 1; k <= 2; ++k) {
    int has = 1;
    ds->GetRasterBand(k)->GetNoDataValue(&has);
    EXPECT_FALSE(has) << "band " << k;
  }
  GDALClose(ds);
}

// Three spectra of four bands, rows 0-1, 2-3 and 4-5 pure pixels of each
// (the training areas, whose means of 24 equal values come out a hair off
// the value), row 6 half of the first and half of the third.
const std::vector<Spectrum> kThree = {{200, 50, 30, 100}, {20, 180, 60, 40}, {90, 90, 200, 10}};
const std::vector<std::vector<PixelRect>> kThreeClasses = {{{0, 0, 12, 2}}, {{0, 2, 12, 4}}, {{0, 4, 12, 6}}};

double ThreeClassScene(int b, int, int r) {
  if (r == 6) return Mix(kThree, {0.5, 0, 0.5}, b);
  return kThree[std::min(r / 2, 2)][b - 1];
}

TEST(LinearDecompose, IntegerResultsGiveAPurePixelAWholeOne) {
  for (GDALDataType type : {GDT_Byte, GDT_UInt16, GDT_Int16, GDT_Int32}) {
    SCOPED_TRACE(GDALGetDataTypeName(type));
    UnmixScene s(RasterSpec{12, 7, 4}, ThreeClassScene, kThreeClasses);
    s.MakeResult(3, type, 12, 7, 9);
    ASSERT_EQ(s.Decompose(7, 12, 0, 0), RC_OK);
    for (int k = 1; k <= 3; ++k) {
      const std::vector<double> band = s.ResultBand(k);
      for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 12; ++c)
          ASSERT_EQ(band[r * 12 + c], r < 6 && r / 2 == k - 1 ? 1 : 0) << "class " << k << " " << r << "," << c;
    }
  }
}

// The no-data pixel at column 0 of row 6 takes the source's no-data value as
// the result's type holds it, and the bands declare what the pixels hold
// when no fraction can take it.
TEST(LinearDecompose, TheNoDataValueIsTheOneTheResultTypeHolds) {
  const double lowest = std::numeric_limits<double>::lowest();
  const double lowestFloat = std::numeric_limits<float>::lowest();
  const struct {
    GDALDataType source;
    double noData;
    GDALDataType result;
    double pixel;
    bool declared;
  } cases[] = {
      {GDT_Float64, lowest, GDT_Float32, lowestFloat, true},
      {GDT_Float64, lowest, GDT_Float64, lowest, true},
      {GDT_Int16, -9999, GDT_Int16, -9999, true},
      {GDT_Int16, -9999, GDT_Byte, 0, false},  // saturated into the fractions' range
      {GDT_Float64, 300.75, GDT_Byte, 255, true},
      {GDT_Float64, -9999.5, GDT_Int16, -9999, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(GDALGetDataTypeName(c.source)) + " " + std::to_string(c.noData) + " to " +
                 GDALGetDataTypeName(c.result));
    UnmixScene s(RasterSpec{12, 7, 4, c.source, 0, 0, true, c.noData}, [&c](int b, int col, int r) {
      return r == 6 && col == 0 ? c.noData : ThreeClassScene(b, col, r);
    }, kThreeClasses);
    s.MakeResult(3, c.result, 12, 1, 7);
    ASSERT_EQ(s.Decompose(1, 12, 6, 0), RC_OK);
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(s.ResultBand(k)[0], c.pixel) << "band " << k;
    GDALDataset* ds = GDALDataset::Open(s.resultPath.c_str(), GDAL_OF_RASTER);
    for (int k = 1; k <= 3; ++k) {
      int has = 0;
      const double declared = ds->GetRasterBand(k)->GetNoDataValue(&has);
      EXPECT_EQ(bool(has), c.declared) << "band " << k;
      if (c.declared) {
        EXPECT_EQ(declared, c.pixel) << "band " << k;
      }
    }
    GDALClose(ds);
  }
}

TEST(LinearDecompose, PixelsWithoutValuesGetZeroFractionsWithoutNoData) {
  UnmixScene s(Float64Scene(20, 12, 2), [](int b, int c, int r) {
    if (r == 10 && c == 0) return double(b == 1 ? NAN : INFINITY);
    if (r == 10 && c == 1 && b == 2) return double(-INFINITY);
    return TwoBandScene(b, c, r);
  }, kTwoClasses);
  s.MakeResult(2, GDT_Float32, 5, 1, -7);
  ASSERT_EQ(s.Decompose(1, 5, 10, 0), RC_OK);
  for (int k = 1; k <= 2; ++k) {
    std::vector<double> band = s.ResultBand(k);
    EXPECT_EQ(band[0], 0);
    EXPECT_EQ(band[1], 0);
    for (double v : band) EXPECT_FALSE(std::isnan(v));
  }
}

// Endmembers that no mixture tells apart, at the scale of 16-bit values
// (hundreds after division by 255), where rounding leaves the normal
// matrix an absolute determinant far above the singular limit: the second
// spectrum three times the first, and three spectra over two bands.
TEST(LinearDecompose, DependentEndmembersOfLargeValuesAreSingular) {
  const struct {
    const char* what;
    std::vector<Spectrum> spectra;
  } cases[] = {
      {"collinear", {{17230, 2712, 4588, 5736}, {51690, 8136, 13764, 17208}}},
      {"more classes than bands", {{33756, 49330}, {61829, 3230}, {10226, 53668}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const int classes = static_cast<int>(c.spectra.size()), bands = static_cast<int>(c.spectra[0].size());
    std::vector<std::vector<PixelRect>> rects;
    for (int k = 0; k < classes; ++k) rects.push_back({{4 * k, 0, 4 * k + 4, 4}});
    UnmixScene s(RasterSpec{4 * classes, 4, bands, GDT_UInt16},
                 [&c](int b, int col, int) { return c.spectra[col / 4][b - 1]; }, rects);
    s.MakeResult(classes, GDT_Float32, 4 * classes, 4, -7);
    EXPECT_EQ(s.Decompose(4, 4 * classes, 0, 0), RC_SINGULAR_MATRIX);
    for (int k = 1; k <= classes; ++k) {
      const std::vector<double> band = s.ResultBand(k);
      EXPECT_EQ(std::count(band.begin(), band.end(), -7.0), 16 * classes) << "band " << k;
    }
  }
}

TEST(LinearDecompose, AClassWithoutTrainingPixelsEndsTheCallBeforeWriting) {
  // The second class lies off the image.
  UnmixScene s(Float64Scene(20, 12, 2), TwoBandScene, {{{0, 0, 10, 8}}, {{40, 0, 50, 8}}});
  s.MakeResult(2, GDT_Float32, 20, 12, -7);
  EXPECT_EQ(s.Decompose(12, 20, 0, 0), RC_TOO_FEW_SAMPLES);
  for (int k = 1; k <= 2; ++k)
    for (double v : s.ResultBand(k)) ASSERT_EQ(v, -7);
}

}  // namespace
