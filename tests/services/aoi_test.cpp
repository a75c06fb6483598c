// AOIs from real vector files: reprojection, holes, names, bad files.
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <cstdio>
#include <cstring>

#include "test_support.h"
#include "ztservices/geometry.h"
#include "ztservices/raster.h"

using namespace zttest;

namespace {

// The AOIs of ds with their editor, which holds their polygons until it goes.
struct Aois {
  CAOIEditor* editor = nullptr;
  std::vector<AOI> aois;
  explicit Aois(void* ds) {
    EXPECT_EQ(ztRSAllocAOIInfo(ds, &editor), 0);
    long n = 0;
    ztRSGetAOINums(editor, &n);
    aois.resize(n);
    if (n) ztRSGetAOIInfo(editor, aois.data());
  }
  ~Aois() { ztRSFreeAOIInfo(editor); }
  // The first polygon of AOI k.
  void* Polygon(size_t k) {
    void* polygons = nullptr;
    ztGetPolygonPointerOfAoi(&aois[k], &polygons);
    return ztGetPolygonAt(polygons, 0);
  }
};

std::vector<AOI> LoadAois(void* ds) { return Aois(ds).aois; }  // the scalar fields only

// A plain image of the given shape, opened.
Handle Image(const TempDir& dir, const RasterSpec& spec = {}) {
  WriteGeoTiff(dir.File("i.tif"), spec, [](int, int, int) { return 0; });
  return Handle(ztRSOpen(dir.File("i.tif").c_str(), 0));
}

// An image of 100 x 100 pixels of 30 m from (500000, 4000000) in UTM 33N.
TEST(AoiFiles, GeoPackageInAnotherCrsIsReprojectedToPixelCentres) {
  TempDir dir;
  GDALAllRegister();
  GDALDriver* gpkg = GetGDALDriverManager()->GetDriverByName("GPKG");
  GDALDataset* out = gpkg->Create(dir.File("t.gpkg").c_str(), 0, 0, 0, GDT_Unknown, nullptr);
  OGRSpatialReference wgs84, utm;
  for (auto [srs, epsg] : {std::pair{&wgs84, 4326}, {&utm, 32633}}) {
    srs->importFromEPSG(epsg);
    srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  }
  OGRLayer* layer = out->CreateLayer("training", &wgs84, wkbPolygon, nullptr);
  OGRFieldDefn classField("class", OFTInteger);
  layer->CreateField(&classField);
  OGRFieldDefn nameField("name", OFTString);
  layer->CreateField(&nameField);
  auto toWgs = std::unique_ptr<OGRCoordinateTransformation>(OGRCreateCoordinateTransformation(&utm, &wgs84));
  // Two classes written in the order 7, 2: integer classes sort ascending.
  const std::pair<int, double> classes[] = {{7, 20.0}, {2, 50.0}};
  for (auto [number, pixel] : classes) {
    OGRLinearRing ring;
    for (auto [dc, dr] : {std::pair{0, 0}, {4, 0}, {4, 3}, {0, 3}, {0, 0}}) {
      // Map coordinates of the top-left corner of pixel (pixel + dc, pixel + dr).
      double x = 500000 + (pixel + dc) * 30, y = 4000000 - (pixel + dr) * 30;
      toWgs->Transform(1, &x, &y);
      ring.addPoint(x, y);
    }
    OGRPolygon polygon;
    polygon.addRing(&ring);
    OGRFeature feature(layer->GetLayerDefn());
    feature.SetField("class", number);
    feature.SetField("name", number == 7 ? "Seven" : "Two");
    feature.SetGeometry(&polygon);
    ASSERT_EQ(layer->CreateFeature(&feature), OGRERR_NONE);
  }
  GDALClose(out);

  // An image of 100 x 100 pixels of 30 m from (500000, 4000000) in UTM 33N.
  Handle ds = Image(dir, RasterSpec{.columns = 100, .rows = 100, .georeferenced = true});
  ASSERT_EQ(ztRSAttachAOIFile(ds.get(), dir.File("t.gpkg").c_str(), nullptr), 0);
  Aois loaded(ds.get());
  ASSERT_EQ(loaded.aois.size(), 2u);
  EXPECT_STREQ(loaded.aois[0].name, "Two");
  EXPECT_STREQ(loaded.aois[1].name, "Seven");
  double rect[4];
  ztComputeMaxRectOfPolygon(loaded.Polygon(0), rect);
  const double expected[] = {50, 50, 54, 53};
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(rect[i], expected[i], 1e-6) << i;
  long points = 0;
  ztGetPointNumsOfPolygon(loaded.Polygon(0), &points);
  EXPECT_EQ(points, 5);
}

TEST(AoiFiles, HolesAreLeftOutsideAndNamesAreCutAtCharacterBoundaries) {
  TempDir dir;
  WriteGeoTiff(dir.File("plain.tif"), RasterSpec{20, 20}, [](int, int, int) { return 0; });
  std::string longName;
  for (int i = 0; i < 60; ++i) longName += "水";  // 3 bytes each: 180 bytes
  WriteText(dir.File("plain.tif.aoi.geojson"), R"({"type":"FeatureCollection","features":[
    {"type":"Feature","properties":{"name":")" + longName + R"("},
     "geometry":{"type":"Polygon","coordinates":[[[0,0],[10,0],[10,10],[0,10],[0,0]],[[4,4],[6,4],[6,6],[4,6],[4,4]]]}}]})");
  Handle ds(ztRSOpen(dir.File("plain.tif").c_str(), 0));  // sidecar found by name
  Aois loaded(ds.get());
  ASSERT_EQ(loaded.aois.size(), 1u);
  EXPECT_EQ(std::strlen(loaded.aois[0].name), 126u) << "42 whole characters fit in 127 bytes";
  long n = 0;
  void* points = nullptr;
  ztGetPointNumsOfPolygon(loaded.Polygon(0), &n);
  ztGetPointPointerOfPolygon(loaded.Polygon(0), &points);
  std::vector<double> xy;
  for (const ZTPOINT* p = static_cast<ZTPOINT*>(points); p < static_cast<ZTPOINT*>(points) + n; ++p)
    xy.insert(xy.end(), {double(p->x), double(p->y)});
  // Without georeferencing the file's coordinates are pixel coordinates.
  EXPECT_EQ(ztRSPtInPolygon(xy.data(), n, 5, 5, 0), 0) << "inside the hole";
  EXPECT_EQ(ztRSPtInPolygon(xy.data(), n, 2, 2, 0), 1);
  EXPECT_EQ(ztRSPtInPolygon(xy.data(), n, 8, 5, 0), 1);
}

// Each colour field in turn the file's first (index 0).
TEST(AoiFiles, ColoursComeFromRedGreenAndBlueFieldsClampedToBytes) {
  TempDir dir;
  Handle ds = Image(dir);
  for (const char* fields : {R"("red":300,"green":20,"blue":-5)", R"("green":20,"blue":-5,"red":300)",
                             R"("blue":-5,"red":300,"green":20)"}) {
    SCOPED_TRACE(fields);
    WriteText(dir.File("rgb.geojson"), std::string(R"({"type":"FeatureCollection","features":[{"type":"Feature",
      "properties":{)") + fields + R"(,"class":"a"},"geometry":{"type":"Polygon","coordinates":[[[1,1],[5,1],[5,5],[1,1]]]}}]})");
    ASSERT_EQ(ztRSAttachAOIFile(ds.get(), dir.File("rgb.geojson").c_str(), nullptr), 0);
    const std::vector<AOI> aois = LoadAois(ds.get());
    ASSERT_EQ(aois.size(), 1u);
    EXPECT_EQ(aois[0].red, 255);
    EXPECT_EQ(aois[0].green, 20);
    EXPECT_EQ(aois[0].blue, 0);
  }
}

TEST(AoiFiles, BadFilesAreReportedWhenAttached) {
  TempDir dir;
  Handle ds = Image(dir);
  EXPECT_NE(ztRSAttachAOIFile(ds.get(), dir.File("missing.gpkg").c_str(), nullptr), 0);
  WriteText(dir.File("empty.geojson"), R"({"type":"FeatureCollection","features":[]})");
  ASSERT_EQ(ztRSAttachAOIFile(ds.get(), dir.File("empty.geojson").c_str(), nullptr), 0);
  EXPECT_TRUE(LoadAois(ds.get()).empty());
  EXPECT_EQ(ztRSAttachAOIFile(ds.get(), dir.File("empty.geojson").c_str(), "nosuchfield"), ZTRS_ERR_AOI_FIELD);
  WriteText(dir.File("junk.geojson"), "this is not json");
  EXPECT_NE(ztRSAttachAOIFile(ds.get(), dir.File("junk.geojson").c_str(), nullptr), 0);
}

TEST(AoiFiles, VerticesThatAreOrMapToNoNumberMakeTheFileUnusable) {
  TempDir dir;
  Handle ds = Image(dir);
  auto polygon = [](const std::string& x) {
    return R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{"class":"a"},
      "geometry":{"type":"Polygon","coordinates":[[[1,1],[)" + x + R"(,1],[5,5],[1,1]]]}}]})";
  };
  WriteText(dir.File("ok.geojson"), polygon("1e300"));
  EXPECT_EQ(ztRSAttachAOIFile(ds.get(), dir.File("ok.geojson").c_str(), nullptr), 0) << "far, but a number";
  WriteText(dir.File("inf.geojson"), polygon("1e400"));
  EXPECT_EQ(ztRSAttachAOIFile(ds.get(), dir.File("inf.geojson").c_str(), nullptr), ZTRS_ERR_AOI_FILE);
  WriteText(dir.File("hole.geojson"), R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{},
      "geometry":{"type":"Polygon","coordinates":[[[1,1],[9,1],[5,5],[1,1]],[[2,2],[1e400,2],[3,3],[2,2]]]}}]})");
  EXPECT_EQ(ztRSAttachAOIFile(ds.get(), dir.File("hole.geojson").c_str(), nullptr), ZTRS_ERR_AOI_FILE) << "in a hole";

  // Metres of 1e-300 m pixels: 1e300 m maps beyond any double.
  GDALAllRegister();
  GDALDataset* tiny = GetGDALDriverManager()->GetDriverByName("GTiff")->Create(
      dir.File("tiny.tif").c_str(), 10, 10, 1, GDT_Byte, nullptr);
  double gt[6] = {0, 1e-300, 0, 0, 0, -1e-300};
  tiny->SetGeoTransform(gt);
  GDALClose(tiny);
  Handle geo(ztRSOpen(dir.File("tiny.tif").c_str(), 0));
  EXPECT_EQ(ztRSAttachAOIFile(geo.get(), dir.File("ok.geojson").c_str(), nullptr), ZTRS_ERR_AOI_FILE);
}

// A GeoPackage of no coordinate system (GDAL writes srs_id 0, the format's
// undefined geographic one; -1 is its undefined Cartesian one), one feature
// a class named by its position ("1", "2", ...) unless names are given.
void WriteWktPackage(const std::string& path, const std::vector<const char*>& wkts,
                     const std::vector<const char*>& names = {}, int srsId = 0) {
  GDALAllRegister();
  GDALDataset* out =
      GetGDALDriverManager()->GetDriverByName("GPKG")->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
  OGRLayer* layer = out->CreateLayer("training", nullptr, wkbUnknown, nullptr);
  OGRFieldDefn classField("class", OFTString);
  layer->CreateField(&classField);
  for (size_t i = 0; i < wkts.size(); ++i) {
    OGRGeometry* geometry = nullptr;
    ASSERT_EQ(OGRGeometryFactory::createFromWkt(wkts[i], nullptr, &geometry), OGRERR_NONE) << wkts[i];
    OGRFeature feature(layer->GetLayerDefn());
    feature.SetField("class", i < names.size() ? names[i] : std::to_string(i + 1).c_str());
    feature.SetGeometryDirectly(geometry);
    ASSERT_EQ(layer->CreateFeature(&feature), OGRERR_NONE);
  }
  for (const char* table : {"gpkg_geometry_columns", "gpkg_contents"}) {
    const std::string sql = "UPDATE " + std::string(table) + " SET srs_id = " + std::to_string(srsId);
    out->ReleaseResultSet(out->ExecuteSQL(sql.c_str(), nullptr, nullptr));
  }
  GDALClose(out);
}

TEST(AoiFiles, CurvedPolygonsAndOtherSurfacesAreTrainingPolygons) {
  struct Case {
    const char* wkt;
    unsigned polygons;
    double rect[4];  // of the first polygon
    double tolerance = 1e-9;
  };
  const Case cases[] = {
      {"CURVEPOLYGON((10 10,14 10,14 14,10 14,10 10))", 1, {10, 10, 14, 14}},
      // A circle about (4, 4), its arcs cut into chords.
      {"CURVEPOLYGON(CIRCULARSTRING(2 4,6 4,2 4))", 1, {2, 2, 6, 6}, 0.01},
      {"MULTISURFACE(((15 15,18 15,18 18,15 18,15 15)),CURVEPOLYGON((1 1,2 1,2 2,1 1)))", 2, {15, 15, 18, 18}},
      {"TRIANGLE((0 10,4 10,4 14,0 10))", 1, {0, 10, 4, 14}},
      {"POLYHEDRALSURFACE Z (((5 5 0,8 5 0,8 8 0,5 8 0,5 5 0)))", 1, {5, 5, 8, 8}},
      {"TIN (((0 0,0 3,3 0,0 0)),((0 3,3 3,3 0,0 3)))", 2, {0, 0, 3, 3}},
      {"GEOMETRYCOLLECTION(POLYGON((1 1,3 1,3 3,1 1)),TRIANGLE((5 5,6 5,6 6,5 5)))", 2, {1, 1, 3, 3}},
  };
  TempDir dir;
  Handle ds = Image(dir, RasterSpec{.columns = 20, .rows = 20});
  std::vector<const char*> wkts;
  for (const Case& c : cases) wkts.push_back(c.wkt);
  WriteWktPackage(dir.File("surfaces.gpkg"), wkts);
  ztRSSetAOIPixelCoordinates(ds.get(), 1);
  ASSERT_EQ(ztRSAttachAOIFile(ds.get(), dir.File("surfaces.gpkg").c_str(), nullptr), 0) << ztRSLastAOIError();
  Aois loaded(ds.get());
  ASSERT_EQ(loaded.aois.size(), std::size(cases));
  for (size_t k = 0; k < std::size(cases); ++k) {
    SCOPED_TRACE(cases[k].wkt);
    // A copy: the record is packed, and a reference to its field would be
    // misaligned.
    const unsigned polygons = loaded.aois[k].polygonCount;
    EXPECT_EQ(polygons, cases[k].polygons);
    if (polygons == 0) continue;
    double rect[4];
    ztComputeMaxRectOfPolygon(loaded.Polygon(k), rect);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(rect[i], cases[k].rect[i], cases[k].tolerance) << i;
  }
}

TEST(AoiFiles, PointsAndLinesAreRefusedNamingTheirFeatureAndClass) {
  TempDir dir;
  Handle ds = Image(dir);
  ztRSSetAOIPixelCoordinates(ds.get(), 1);
  for (const char* wkt : {"POINT (2 2)", "LINESTRING (1 1,5 5)", "MULTIPOINT ((1 1),(2 2))", "CIRCULARSTRING (1 1,2 2,3 1)",
                          "GEOMETRYCOLLECTION (POLYGON ((1 1,3 1,3 3,1 1)),POINT (2 2))"}) {
    SCOPED_TRACE(wkt);
    WriteWktPackage(dir.File("lines.gpkg"), {"POLYGON ((1 1,5 1,5 5,1 1))", wkt}, {"water", "forest"});
    EXPECT_EQ(ztRSAttachAOIFile(ds.get(), dir.File("lines.gpkg").c_str(), nullptr), ZTRS_ERR_AOI_FILE);
    EXPECT_NE(std::string(ztRSLastAOIError()).find("feature 2 of class 'forest'"), std::string::npos)
        << ztRSLastAOIError();
    std::remove(dir.File("lines.gpkg").c_str());
  }
}

// The pixels (2..6, 3..5) of a plain image, and of a georeferenced one (30 m
// from (500000, 4000000)) in its map coordinates.
TEST(AoiFiles, GeoPackageLayersOfNoCoordinateSystemDeclareNone) {
  TempDir dir;
  Handle plain = Image(dir);
  WriteGeoTiff(dir.File("utm.tif"), RasterSpec{.columns = 10, .rows = 10, .georeferenced = true},
               [](int, int, int) { return 0; });
  Handle utm(ztRSOpen(dir.File("utm.tif").c_str(), 0));
  const struct {
    void* image;
    const char* wkt;
  } uses[] = {{plain.get(), "POLYGON ((2 3,6 3,6 5,2 5,2 3))"},
              {utm.get(), "POLYGON ((500060 3999910,500180 3999910,500180 3999850,500060 3999850,500060 3999910))"}};
  for (int srsId : {0, -1})
    for (const auto& use : uses) {
      SCOPED_TRACE(std::to_string(srsId) + " " + use.wkt);
      const std::string path = dir.File("undefined" + std::to_string(srsId) + ".gpkg");
      std::remove(path.c_str());
      WriteWktPackage(path, {use.wkt}, {}, srsId);
      ASSERT_EQ(ztRSAttachAOIFile(use.image, path.c_str(), nullptr), 0) << ztRSLastAOIError();
      Aois loaded(use.image);
      ASSERT_EQ(loaded.aois.size(), 1u);
      double rect[4];
      ztComputeMaxRectOfPolygon(loaded.Polygon(0), rect);
      const double expected[] = {2, 3, 6, 5};
      for (int i = 0; i < 4; ++i) EXPECT_NEAR(rect[i], expected[i], 1e-9) << i;
    }
}

// Layers of one GeoPackage, each of one square class of its own name: a
// table without geometries (as QGIS keeps styles in) comes first.
TEST(AoiFiles, TheLayerReadIsTheOnlyOneOfGeometriesOrTheNamedOne) {
  TempDir dir;
  Handle ds = Image(dir);
  ztRSSetAOIPixelCoordinates(ds.get(), 1);
  GDALAllRegister();
  GDALDriver* gpkg = GetGDALDriverManager()->GetDriverByName("GPKG");
  auto write = [&](const std::string& path, std::vector<std::pair<const char*, int>> layers) {
    GDALDataset* out = gpkg->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
    out->CreateLayer("a_notes", nullptr, wkbNone, nullptr);
    for (auto [name, corner] : layers) {
      OGRLayer* layer = out->CreateLayer(name, nullptr, wkbPolygon, nullptr);
      OGRFieldDefn field("class", OFTString);
      layer->CreateField(&field);
      const std::string wkt = "POLYGON ((" + std::to_string(corner) + " 1,8 1,8 8," + std::to_string(corner) + " 1))";
      OGRGeometry* geometry = nullptr;
      OGRGeometryFactory::createFromWkt(wkt.c_str(), nullptr, &geometry);
      OGRFeature feature(layer->GetLayerDefn());
      feature.SetField("class", name);
      feature.SetGeometryDirectly(geometry);
      ASSERT_EQ(layer->CreateFeature(&feature), OGRERR_NONE);
    }
    GDALClose(out);
  };
  write(dir.File("one.gpkg"), {{"water", 2}});
  write(dir.File("two.gpkg"), {{"water", 2}, {"forest", 3}});
  const struct {
    std::string path;
    const char* name;  // of the class read; null: refused
    double left;
    const char* reason;
  } cases[] = {
      {dir.File("one.gpkg"), "water", 2, ""},
      {dir.File("two.gpkg|layername=forest"), "forest", 3, ""},
      {dir.File("two.gpkg|layername=water"), "water", 2, ""},
      {dir.File("two.gpkg"), nullptr, 0, "it holds 2 layers ('water', 'forest'): name the one to read as PATH|layername=NAME"},
      {dir.File("two.gpkg|layername=fields"), nullptr, 0, "it has no layer 'fields' (its layers: 'water', 'forest')"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const long rc = ztRSAttachAOIFile(ds.get(), c.path.c_str(), nullptr);
    if (!c.name) {
      EXPECT_EQ(rc, ZTRS_ERR_AOI_FILE);
      EXPECT_STREQ(ztRSLastAOIError(), c.reason);
      continue;
    }
    ASSERT_EQ(rc, 0) << ztRSLastAOIError();
    Aois loaded(ds.get());
    ASSERT_EQ(loaded.aois.size(), 1u);
    EXPECT_STREQ(loaded.aois[0].name, c.name);
    double rect[4];
    ztComputeMaxRectOfPolygon(loaded.Polygon(0), rect);
    EXPECT_EQ(rect[0], c.left);
  }
}

// Features of the given class values and geometries, the polygon a square.
TEST(AoiFiles, ClassesOfNoPolygonAndFeaturesOfNoClassAreRefusedByName) {
  TempDir dir;
  Handle ds = Image(dir);
  const std::string square = R"({"type":"Polygon","coordinates":[[[1,1],[5,1],[5,5],[1,5],[1,1]]]})";
  const std::string empty = R"({"type":"Polygon","coordinates":[]})";
  const struct {
    std::vector<std::pair<std::string, std::string>> features;  // class value, geometry
    unsigned polygons;  // of the first class; 0: refused
    const char* reason;
  } cases[] = {
      {{{"\"water\"", square}, {"\"water\"", empty}, {"\"water\"", "null"}}, 1, ""},
      {{{"\"water\"", square}, {"\"sand\"", empty}, {"\"sand\"", "null"}}, 0,
       "class 'sand' has no polygon: the geometries of its features are all empty or missing"},
      {{{"\"water\"", square}, {"null", square}}, 0, "feature 2 has no class: its field 'class' is null"},
      {{{"1", square}, {"null", square}}, 0, "feature 2 has no class: its field 'class' is null"},
      {{{"\"water\"", square}, {"\"\"", square}}, 0, "feature 2 has no class: its field 'class' is empty"},
      {{{"\"water\"", square}, {"\" \\t \"", square}}, 0, "feature 2 has no class: its field 'class' is blank"},
      {{{"\"water\"", square}, {"\" water \"", square}}, 2, ""},
      {{{"1", square}, {"2", "null"}}, 0,
       "class '2' has no polygon: the geometries of its features are all empty or missing"},
  };
  for (const auto& c : cases) {
    std::string text = R"({"type":"FeatureCollection","features":[)";
    for (const auto& [value, geometry] : c.features)
      text += (text.back() == '[' ? "" : ",") + std::string(R"({"type":"Feature","properties":{"class":)") + value +
              R"(},"geometry":)" + geometry + "}";
    text += "]}";
    SCOPED_TRACE(text);
    WriteText(dir.File("classes.geojson"), text);
    const long rc = ztRSAttachAOIFile(ds.get(), dir.File("classes.geojson").c_str(), nullptr);
    if (c.polygons == 0) {
      EXPECT_EQ(rc, ZTRS_ERR_AOI_FILE);
      EXPECT_STREQ(ztRSLastAOIError(), c.reason);
      continue;
    }
    ASSERT_EQ(rc, 0) << ztRSLastAOIError();
    const std::vector<AOI> aois = LoadAois(ds.get());
    ASSERT_EQ(aois.size(), 1u);
    EXPECT_EQ(unsigned{aois[0].polygonCount}, c.polygons);
  }
}

// A name field left empty or blank names no class: the class value does,
// as where the name is null; spaces around either are no part of the name.
TEST(AoiFiles, AnEmptyNameGivesWayToTheClassValue) {
  TempDir dir;
  Handle ds = Image(dir);
  const struct {
    const char *value, *name, *expected;
  } cases[] = {
      {"\"sand\"", "\"\"", "sand"},
      {"\"sand\"", "\"  \"", "sand"},
      {"\"\\tsand \"", "null", "sand"},
      {"\"sand\"", "\" dune\"", "dune"},
  };
  for (const auto& c : cases) {
    const std::string text = std::string(R"({"type":"FeatureCollection","features":[
      {"type":"Feature","properties":{"class":)") + c.value + R"(,"name":)" + c.name + R"(},
       "geometry":{"type":"Polygon","coordinates":[[[1,1],[5,1],[5,5],[1,5],[1,1]]]}}]})";
    SCOPED_TRACE(text);
    WriteText(dir.File("classes.geojson"), text);
    ASSERT_EQ(ztRSAttachAOIFile(ds.get(), dir.File("classes.geojson").c_str(), nullptr), 0) << ztRSLastAOIError();
    const std::vector<AOI> aois = LoadAois(ds.get());
    ASSERT_EQ(aois.size(), 1u);
    EXPECT_STREQ(aois[0].name, c.expected);
  }
}

}  // namespace
