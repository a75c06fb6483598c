// Which pixels an AOI polygon takes: cell gathering and the class mask must
// both take what GDAL's rasterisation takes (the pixels whose centres lie
// inside), for polygons drawn on pixel edges in map coordinates; polygons
// reaching far beyond the image keep the pixels they cover.
#include <gdal_alg.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <memory>
#include <set>

#include "samples/class_aois.h"
#include "samples/class_mask.h"
#include "mask_pixels.h"
#include "services/aoi_editor_handle.h"
#include "test_support.h"
#include "ztclass/result_codes.h"
#include "ztclass/samples.h"
#include "ztclass/statistical.h"
#include "ztservices/raster.h"

using namespace zttest;

namespace {

using PixelSet = std::set<std::pair<long, long>>;  // column, row

constexpr int kColumns = 30, kRows = 24;
const double kGeoTransform[6] = {500000, 30, 0, 4000000, 0, -30};  // as WriteGeoTiff writes it

// Map coordinates of the pixel corner (c, r).
OGRRawPoint Corner(double c, double r) { return {kGeoTransform[0] + c * 30, kGeoTransform[3] - r * 30}; }

OGRPolygon PolygonOnCorners(const std::vector<std::vector<std::pair<double, double>>>& rings) {
  OGRPolygon polygon;
  for (const auto& points : rings) {
    OGRLinearRing ring;
    for (auto [c, r] : points) ring.addPoint(Corner(c, r).x, Corner(c, r).y);
    ring.closeRings();
    polygon.addRing(&ring);
  }
  return polygon;
}

// GDAL's own answer: the polygon burnt into an in-memory grid of the image.
PixelSet Rasterised(const OGRPolygon& polygon) {
  GDALDriver* mem = GetGDALDriverManager()->GetDriverByName("MEM");
  std::unique_ptr<GDALDataset> grid(mem->Create("", kColumns, kRows, 1, GDT_Byte, nullptr));
  grid->SetGeoTransform(const_cast<double*>(kGeoTransform));
  int band = 1;
  double burn = 1;
  OGRGeometryH geometry = OGRGeometry::ToHandle(const_cast<OGRPolygon*>(&polygon));
  EXPECT_EQ(GDALRasterizeGeometries(GDALDataset::ToHandle(grid.get()), 1, &band, 1, &geometry, nullptr, nullptr,
                                    &burn, nullptr, nullptr, nullptr),
            CE_None);
  std::vector<unsigned char> pixels(kColumns * kRows);
  EXPECT_EQ(grid->GetRasterBand(1)->RasterIO(GF_Read, 0, 0, kColumns, kRows, pixels.data(), kColumns, kRows,
                                             GDT_Byte, 0, 0, nullptr),
            CE_None);
  PixelSet set;
  for (long r = 0; r < kRows; ++r)
    for (long c = 0; c < kColumns; ++c)
      if (pixels[r * kColumns + c]) set.emplace(c, r);
  return set;
}

struct TrainingFile {
  TempDir dir;
  std::string image = dir.File("scene.tif");
  Handle ds;

  explicit TrainingFile(const std::vector<OGRPolygon>& polygons) {
    WriteGeoTiff(image, RasterSpec{kColumns, kRows, 1, GDT_Byte, 0, 0, false, 0, true},
                 [](int, int c, int r) { return (c * 5 + r * 3) % 17; });
    GDALDriver* gpkg = GetGDALDriverManager()->GetDriverByName("GPKG");
    GDALDataset* out = gpkg->Create(dir.File("aoi.gpkg").c_str(), 0, 0, 0, GDT_Unknown, nullptr);
    OGRSpatialReference utm;
    utm.importFromEPSG(32633);
    OGRLayer* layer = out->CreateLayer("training", &utm, wkbPolygon, nullptr);
    OGRFieldDefn classField("class", OFTInteger);
    layer->CreateField(&classField);
    for (size_t i = 0; i < polygons.size(); ++i) {
      OGRFeature feature(layer->GetLayerDefn());
      feature.SetField("class", static_cast<int>(i + 1));
      feature.SetGeometry(&polygons[i]);
      EXPECT_EQ(layer->CreateFeature(&feature), OGRERR_NONE);
    }
    GDALClose(out);
    ds.reset(ztRSOpen(image.c_str(), 0));
    EXPECT_EQ(ztRSAttachAOIFile(ds.get(), dir.File("aoi.gpkg").c_str(), "class"), 0);
  }
};

std::vector<PixelSet> GatheredPerClass(void* ds, const std::vector<AOI>& aois) {
  long band = 1;
  AOICELL* cells = nullptr;
  long count = 0;
  EXPECT_EQ(ztGetAOICellSet(ds, &band, 1, const_cast<AOI*>(aois.data()), long(aois.size()), &cells, count), 0);
  std::vector<PixelSet> sets(aois.size());
  for (long i = 0; i < count; ++i) sets[cells[i].classNo - 1].emplace(cells[i].column, cells[i].row);
  ztFreeAOICellSet(cells, count);
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

TEST(PixelConvention, EdgeAlignedPolygonsTakeWhatGdalRasterises) {
  GDALAllRegister();
  const std::vector<OGRPolygon> polygons = {
      PolygonOnCorners({{{3, 2}, {7, 2}, {7, 10}, {3, 10}}}),                     // 4 x 8 on pixel edges
      PolygonOnCorners({{{10, 10}, {12, 10}, {12, 12}, {10, 12}}}),               // the 2 x 2 square
      PolygonOnCorners({{{15, 1}, {27, 1}, {27, 4}, {19, 4}, {19, 12}, {15, 12}}}),  // an L
      PolygonOnCorners({{{2, 14}, {12, 14}, {12, 23}, {2, 23}}, {{5, 17}, {8, 17}, {8, 20}, {5, 20}}}),  // a hole
      PolygonOnCorners({{{26, 18}, {34, 18}, {34, 30}, {26, 30}}}),  // over the image's corner
  };
  TrainingFile file(polygons);
  zt::AoiEditorHandle editor;
  std::vector<AOI> aois;
  ASSERT_EQ(zt::LoadClassAois(file.ds.get(), editor, aois), RC_OK);
  ASSERT_EQ(aois.size(), polygons.size());
  const std::vector<PixelSet> gathered = GatheredPerClass(file.ds.get(), aois);
  const std::vector<PixelSet> masked = MaskedPerClass(file.ds.get(), aois);
  for (size_t k = 0; k < polygons.size(); ++k) {
    SCOPED_TRACE(k);
    const PixelSet expected = Rasterised(polygons[k]);
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(gathered[k], expected);
    EXPECT_EQ(masked[k], expected);
  }
  EXPECT_EQ(gathered[0].size(), 32u);
  EXPECT_EQ(gathered[1], (PixelSet{{10, 10}, {11, 10}, {10, 11}, {11, 11}}));
  EXPECT_EQ(gathered[4].size(), 4u * 6u);
}

TEST(PixelConvention, PolygonsReachingFarBeyondTheImageKeepTheirPixels) {
  for (double far : {1e20, 1e25, 1e300}) {
    SCOPED_TRACE(far);
    TempDir dir;
    WriteGeoTiff(dir.File("s.tif"), RasterSpec{kColumns, kRows, 2},
                 [](int b, int c, int r) { return (c * 7 + r * 3 + b * b * 11) % 23; });
    Handle ds(ztRSOpen(dir.File("s.tif").c_str(), 0));
    AddAoi(ds.get(), {{2, 3, far, 3, far, far, 2, far}});             // columns 2.., rows 3..
    AddAoi(ds.get(), {{-far, -far, 5, -far, 5, 4, -far, 4}});         // columns ..4, rows ..3
    AddAoi(ds.get(), {{-far, 10, far, 10, far, 12, -far, 12}});       // rows 10 and 11
    zt::AoiEditorHandle editor;
    std::vector<AOI> aois;
    ASSERT_EQ(zt::LoadClassAois(ds.get(), editor, aois), RC_OK);
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
    EXPECT_EQ(GatheredPerClass(ds.get(), aois), gathered);
    EXPECT_EQ(MaskedPerClass(ds.get(), aois), masked);
    // Maximum likelihood gathers its statistics from the same polygons.
    void* result =
        ztRSCreate(ztRSGetDriverByName("GTiff"), dir.File("ml.tif").c_str(), kColumns, kRows, 1, ZTRS_Byte, nullptr);
    long bands[] = {1, 2};
    EXPECT_EQ(MaxLiklihoodClass(ds.get(), bands, 2, 0, result, kRows, kColumns, 0, 0), RC_OK);
    ztRSClose(result);
  }
}

}  // namespace
