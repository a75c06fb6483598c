// The legend export into real geodatabases, read back with OGR: a GeoPackage
// file always, and a PostGIS database when ZTCLASS_TEST_PG_SERVER (host or
// socket directory, ":port") and ZTCLASS_TEST_PG_DATABASE name one (the
// script legend_postgis_test.sh starts such a server).
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <tuple>

#include "interaction_recorder.h"
#include "test_support.h"
#include "ztclass/class_export.h"
#include "ztclass/classinfo.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

using namespace zttest;

namespace {

struct Box {
  long classNo;
  std::string name;
  int red, green, blue;
  long colorNo;
  double minX, minY, maxX, maxY;
};

struct Label {
  std::string text;
  double x, y, height, width;
};

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

void Put(char* field, size_t size, const std::string& text) { std::snprintf(field, size, "%s", text.c_str()); }

enum class Kind { GeoPackage, PostGIS };

class LegendExport : public ::testing::TestWithParam<Kind> {
 protected:
  void SetUp() override {
    GDALAllRegister();
    if (GetParam() == Kind::PostGIS && (Env("ZTCLASS_TEST_PG_SERVER").empty() || Env("ZTCLASS_TEST_PG_DATABASE").empty()))
      GTEST_SKIP() << "no PostGIS server given";
    WriteGeoTiff(imagePath, RasterSpec{.columns = 10, .rows = 4, .georeferenced = true},
                 [](int, int c, int) { return c % 4; });
    image = ztRSOpen(imagePath.c_str(), 1);
    ASSERT_NE(image, nullptr);
    CLASSATTINFO records[] = {{1, "水体", 10, 100, 250, ""}, {2, "林地", 20, 101, 249, ""}, {3, "城镇", 30, 102, 248, ""}};
    ASSERT_EQ(ztRSWriteClassInfo(image, 3, records), RC_OK);
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    prefix = std::string(test->name()).substr(0, std::string(test->name()).find('/')) +
             (GetParam() == Kind::PostGIS ? "_pg" : "_gpkg");
  }
  void TearDown() override {
    if (image) ztRSClose(image);
    ztGDBFreeClassIdList(&info.classIds);
  }

  // The chooser's answer for this kind of geodatabase.
  void Choose(tagGDBPathInfo& chosen) const {
    const bool gpkg = GetParam() == Kind::GeoPackage;
    Put(chosen.serverName, sizeof chosen.serverName, gpkg ? "" : Env("ZTCLASS_TEST_PG_SERVER"));
    Put(chosen.gdbName, sizeof chosen.gdbName, gpkg ? gpkgPath : Env("ZTCLASS_TEST_PG_DATABASE"));
    if (!gpkg) Put(chosen.user, sizeof chosen.user, Env("ZTCLASS_TEST_PG_USER"));
    chosen.kind = gpkg ? 0 : 1;
  }

  // Queues one accepted dialog with these values and one chooser answer.
  void Answer(InteractionRecorder& user, const std::string& name, double x, double y, double size,
              bool unclassified, bool addToMap = false) {
    user.legendAnswers.push_back([=](ZTLegendDialogFields& f) {
      Put(f.name, sizeof f.name, name);
      f.x = x;
      f.y = y;
      f.size = size;
      f.exportUnclassified = unclassified;
      f.addToMap = addToMap;
    });
    user.chooserAnswers.push_back([this](tagGDBPathInfo& chosen) { Choose(chosen); });
  }

  std::unique_ptr<GDALDataset> OpenGeodatabase(bool update = false) const {
    std::string name = gpkgPath;
    if (GetParam() == Kind::PostGIS) {
      std::string server = Env("ZTCLASS_TEST_PG_SERVER");
      const size_t colon = server.rfind(':');
      name = "PG:dbname='" + Env("ZTCLASS_TEST_PG_DATABASE") + "' user='" + Env("ZTCLASS_TEST_PG_USER") +
             "' host='" + server.substr(0, colon) + "'";
      if (colon != std::string::npos) name += " port='" + server.substr(colon + 1) + "'";
    }
    return std::unique_ptr<GDALDataset>(
        GDALDataset::Open(name.c_str(), GDAL_OF_VECTOR | (update ? GDAL_OF_UPDATE : 0)));
  }

  static OGRLayer* Layer(GDALDataset& gdb, const std::string& name) {
    for (int i = 0; i < gdb.GetLayerCount(); ++i)
      if (name == gdb.GetLayer(i)->GetName()) return gdb.GetLayer(i);
    return nullptr;
  }

  std::vector<Box> Boxes(const std::string& legend) const {
    std::vector<Box> boxes;
    auto gdb = OpenGeodatabase();
    OGRLayer* layer = gdb ? Layer(*gdb, legend + "_R") : nullptr;
    if (!layer) return boxes;
    EXPECT_EQ(wkbFlatten(layer->GetGeomType()), wkbPolygon);
    for (auto& f : *layer) {
      OGREnvelope e;
      f->GetGeometryRef()->getEnvelope(&e);
      EXPECT_EQ(f->GetGeometryRef()->toPolygon()->getExteriorRing()->getNumPoints(), 5);
      boxes.push_back({f->GetFieldAsInteger("class_no"), f->GetFieldAsString("name"), f->GetFieldAsInteger("red"),
                       f->GetFieldAsInteger("green"), f->GetFieldAsInteger("blue"), f->GetFieldAsInteger("color_no"),
                       e.MinX, e.MinY, e.MaxX, e.MaxY});
    }
    std::sort(boxes.begin(), boxes.end(), [](const Box& a, const Box& b) { return a.minY > b.minY; });
    return boxes;
  }

  std::vector<Label> Labels(const std::string& legend) const {
    std::vector<Label> labels;
    auto gdb = OpenGeodatabase();
    OGRLayer* layer = gdb ? Layer(*gdb, legend + "_P") : nullptr;
    if (!layer) return labels;
    EXPECT_EQ(wkbFlatten(layer->GetGeomType()), wkbPoint);
    for (auto& f : *layer) {
      const OGRPoint* p = f->GetGeometryRef()->toPoint();
      labels.push_back({f->GetFieldAsString("txt"), p->getX(), p->getY(), f->GetFieldAsDouble("height"),
                        f->GetFieldAsDouble("width")});
    }
    std::sort(labels.begin(), labels.end(), [](const Label& a, const Label& b) { return a.y > b.y; });
    return labels;
  }

  // The styles recorded for a layer, in the table QGIS reads.
  std::vector<std::string> Styles(const std::string& layerName) const {
    std::vector<std::string> styles;
    auto gdb = OpenGeodatabase();
    OGRLayer* table = gdb ? gdb->GetLayerByName("layer_styles") : nullptr;
    if (!table) return styles;
    for (auto& f : *table)
      if (layerName == f->GetFieldAsString("f_table_name") && f->GetFieldAsInteger("useasdefault") == 1)
        styles.push_back(f->GetFieldAsString("styleqml"));
    return styles;
  }

  TempDir dir;
  std::string imagePath = dir.File("landuse.tif");
  std::string gpkgPath = dir.File("legend.gpkg");
  void* image = nullptr;
  tagGDBPathInfo info{};
  int addToMap = -1;
  std::string prefix;
};

TEST_P(LegendExport, ThreeClassesStackUpwardFromTheCorner) {
  InteractionRecorder user;
  Answer(user, prefix, 0, 0, 10, false);
  ASSERT_EQ(ztExportClsLegend(image, addToMap, &info), RC_OK);
  EXPECT_EQ(addToMap, 0);
  EXPECT_EQ(long{info.classIds.count}, 0);
  // Top down: class 3 to class 1, 1.5 S apart, each box S high from X + 0.2 S
  // to X + 2 S, its name at (X + 2.5 S, bottom + 0.2 S) 0.6 S high.
  const std::vector<Box> boxes = Boxes(prefix);
  const std::vector<Label> labels = Labels(prefix);
  ASSERT_EQ(boxes.size(), 3u);
  ASSERT_EQ(labels.size(), 3u);
  const char* names[] = {"城镇", "林地", "水体"};
  for (int i = 0; i < 3; ++i) {
    const long k = 3 - i;
    const double bottom = 15.0 * (2 - i);
    const int red = int(10 * k), green = int(99 + k), blue = int(251 - k);
    EXPECT_EQ(std::make_tuple(boxes[i].classNo, boxes[i].name, boxes[i].red, boxes[i].green, boxes[i].blue,
                              boxes[i].colorNo),
              std::make_tuple(k, std::string(names[i]), red, green, blue, long(red * 65536 + green * 256 + blue)));
    EXPECT_EQ(std::vector<double>({boxes[i].minX, boxes[i].minY, boxes[i].maxX, boxes[i].maxY}),
              std::vector<double>({2, bottom, 20, bottom + 10}));
    EXPECT_EQ(labels[i].text, names[i]);
    EXPECT_EQ(std::vector<double>({labels[i].x, labels[i].y}), std::vector<double>({25, bottom + 2}));
    EXPECT_EQ(std::vector<float>({float(labels[i].height), float(labels[i].width)}), std::vector<float>({6, 6}));
  }
  const std::vector<std::string> boxStyles = Styles(prefix + "_R"), labelStyles = Styles(prefix + "_P");
  ASSERT_EQ(boxStyles.size(), 1u);
  EXPECT_NE(boxStyles[0].find("color_rgb(&quot;red&quot;,&quot;green&quot;,&quot;blue&quot;)"), std::string::npos);
  ASSERT_EQ(labelStyles.size(), 1u);
  EXPECT_NE(labelStyles[0].find("fieldName=\"txt\""), std::string::npos);
  EXPECT_NE(labelStyles[0].find("fontSizeUnit=\"MapUnit\""), std::string::npos);
}

TEST_P(LegendExport, AddToMapFillsThePathInformation) {
  InteractionRecorder user;
  Answer(user, prefix, 0, 0, 10, false, true);
  ASSERT_EQ(ztExportClsLegend(image, addToMap, &info), RC_OK);
  EXPECT_EQ(addToMap, 1);
  tagGDBPathInfo expected{};
  Choose(expected);
  EXPECT_EQ(std::tuple(std::string(info.serverName), std::string(info.gdbName), info.kind),
            std::tuple(std::string(expected.serverName), std::string(expected.gdbName), expected.kind));
  ASSERT_EQ(long{info.classIds.count}, 2);
  auto gdb = OpenGeodatabase();
  ASSERT_TRUE(gdb);
  std::vector<std::string> names;
  for (int i = 0; i < gdb->GetLayerCount(); ++i) names.push_back(gdb->GetLayer(i)->GetName());
  std::sort(names.begin(), names.end());
  std::map<long, std::string> byId;
  for (size_t i = 0; i < names.size(); ++i) byId[static_cast<long>(2 + i)] = names[i];
  EXPECT_EQ(byId[info.classIds.ids[0]], prefix + "_R");
  EXPECT_EQ(byId[info.classIds.ids[1]], prefix + "_P");
  ztGDBFreeClassIdList(&info.classIds);
  EXPECT_EQ(static_cast<long*>(info.classIds.ids), nullptr);
  EXPECT_EQ(long{info.classIds.count}, 0);
}

TEST_P(LegendExport, HostileNamesAreNamesOnly) {
  const std::string names[] = {prefix + "\"; DROP TABLE layer_styles; --", prefix + " it's a \"legend\"",
                               prefix + "schema.table"};
  for (const std::string& name : names) {
    InteractionRecorder user;
    Answer(user, name, 0, 0, 10, false);
    ASSERT_EQ(ztExportClsLegend(image, addToMap, &info), RC_OK) << name;
    EXPECT_EQ(Boxes(name).size(), 3u) << name;
    EXPECT_EQ(Labels(name).size(), 3u) << name;
    EXPECT_EQ(Styles(name + "_R").size(), 1u) << name;
  }
}

// The geodatabase itself refuses the text class (a trigger, as a database
// administrator might set one up): the box class created just before stays,
// as it was when the failure came, and no text class appears.
TEST_P(LegendExport, RefusedTextClassLeavesTheBoxClass) {
  const std::string refused = prefix + "_P";
  if (GetParam() == Kind::GeoPackage) {
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GPKG");
    ASSERT_NE(driver, nullptr);
    GDALDatasetUniquePtr created(driver->Create(gpkgPath.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    ASSERT_TRUE(created);
  }
  const std::vector<std::string> setUp =
      GetParam() == Kind::GeoPackage
          ? std::vector<std::string>{"CREATE TRIGGER refuse_texts BEFORE INSERT ON gpkg_contents WHEN NEW.table_name "
                                     "= '" + refused + "' BEGIN SELECT RAISE(ABORT, 'refused'); END"}
          : std::vector<std::string>{
                "CREATE FUNCTION refuse_texts() RETURNS event_trigger LANGUAGE plpgsql AS $$ DECLARE r record; "
                "BEGIN FOR r IN SELECT objid FROM pg_event_trigger_ddl_commands() WHERE object_type = 'table' LOOP "
                "IF (SELECT relname FROM pg_class WHERE oid = r.objid) = '" + refused + "' THEN "
                "RAISE EXCEPTION 'refused'; END IF; END LOOP; END $$",
                "CREATE EVENT TRIGGER refuse_texts ON ddl_command_end WHEN TAG IN ('CREATE TABLE') "
                "EXECUTE FUNCTION refuse_texts()"};
  const std::vector<std::string> tearDown =
      GetParam() == Kind::GeoPackage
          ? std::vector<std::string>{"DROP TRIGGER refuse_texts"}
          : std::vector<std::string>{"DROP EVENT TRIGGER refuse_texts", "DROP FUNCTION refuse_texts()"};
  auto run = [this](const std::vector<std::string>& statements) {
    auto gdb = OpenGeodatabase(true);
    ASSERT_TRUE(gdb);
    for (const std::string& sql : statements) {
      CPLErrorReset();
      gdb->ReleaseResultSet(gdb->ExecuteSQL(sql.c_str(), nullptr, nullptr));
      ASSERT_NE(CPLGetLastErrorType(), CE_Failure) << sql << ": " << CPLGetLastErrorMsg();
    }
  };
  run(setUp);
  InteractionRecorder user;
  Answer(user, prefix, 0, 0, 10, false, true);
  const long rc = ztExportClsLegend(image, addToMap, &info);
  run(tearDown);
  EXPECT_EQ(rc, RC_LEGEND_ANNOTATION_CLASS_FAILED);
  EXPECT_EQ(addToMap, -1);
  EXPECT_EQ(long{info.classIds.count}, 0);
  auto gdb = OpenGeodatabase();
  ASSERT_TRUE(gdb);
  OGRLayer* boxes = Layer(*gdb, prefix + "_R");
  ASSERT_NE(boxes, nullptr);
  EXPECT_EQ(boxes->GetFeatureCount(), 0);
  EXPECT_EQ(Layer(*gdb, refused), nullptr);
  EXPECT_EQ(Styles(prefix + "_R").size(), 1u);
  EXPECT_TRUE(Styles(refused).empty());
}

// PostgreSQL cuts names at 63 bytes: there the tables of a legend name of
// more than 60 bytes would meet each other's, or their indexes', names, and
// the name is refused before anything is created. A GeoPackage takes it.
TEST_P(LegendExport, LongNamesAreWholeOrRefused) {
  const std::string longest = prefix + std::string(60 - prefix.size(), 'n'), tooLong = longest + "n";
  {
    InteractionRecorder user;
    Answer(user, longest, 0, 0, 10, false);
    ASSERT_EQ(ztExportClsLegend(image, addToMap, &info), RC_OK);
  }
  EXPECT_EQ(Boxes(longest).size(), 3u);
  EXPECT_EQ(Labels(longest).size(), 3u);
  InteractionRecorder user;
  Answer(user, tooLong, 0, 0, 10, false);
  const bool postgis = GetParam() == Kind::PostGIS;
  EXPECT_EQ(ztExportClsLegend(image, addToMap, &info), postgis ? RC_LEGEND_POLYGON_CLASS_FAILED : RC_OK);
  auto gdb = OpenGeodatabase();
  ASSERT_TRUE(gdb);
  std::vector<std::string> made;
  for (int i = 0; i < gdb->GetLayerCount(); ++i) {
    const std::string name = gdb->GetLayer(i)->GetName();
    if (name.rfind(longest, 0) == 0 && name != longest + "_R" && name != longest + "_P") made.push_back(name);
  }
  std::sort(made.begin(), made.end());
  const std::vector<std::string> expected = {tooLong + "_P", tooLong + "_R"};
  EXPECT_EQ(made, postgis ? std::vector<std::string>() : expected);
}

// SQLite tells table names apart regardless of ASCII case, and OGR will not
// create a layer so named beside another: a legend whose name differs only
// so is one that exists.
TEST_P(LegendExport, NamesDifferingInCaseOnlyExist) {
  const std::string name = prefix + "Legend";
  {
    InteractionRecorder user;
    Answer(user, name, 0, 0, 10, false);
    ASSERT_EQ(ztExportClsLegend(image, addToMap, &info), RC_OK);
  }
  InteractionRecorder user;
  Answer(user, prefix + "LEGEND", 0, 0, 10, false);
  EXPECT_EQ(ztExportClsLegend(image, addToMap, &info), RC_LEGEND_CLASS_EXISTS);
  EXPECT_EQ(Boxes(name).size(), 3u);
}

TEST_P(LegendExport, CancellingWritesNothing) {
  {
    InteractionRecorder user;  // the dialog is cancelled
    EXPECT_EQ(ztExportClsLegend(image, addToMap, &info), RC_OK);
    EXPECT_EQ(user.legendShown.size(), 1u);
    EXPECT_TRUE(user.chooserTitles.empty());
  }
  {
    InteractionRecorder user;  // the chooser is cancelled, then the dialog
    user.legendAnswers.push_back([&](ZTLegendDialogFields& f) { Put(f.name, sizeof f.name, prefix); });
    EXPECT_EQ(ztExportClsLegend(image, addToMap, &info), RC_OK);
    EXPECT_EQ(user.legendShown.size(), 2u);
    EXPECT_EQ(user.chooserTitles, std::vector<std::string>{"选择结果GDB..."});
  }
  EXPECT_EQ(addToMap, -1);
  EXPECT_FALSE(GetParam() == Kind::GeoPackage && std::filesystem::exists(gpkgPath));
  EXPECT_TRUE(Boxes(prefix).empty());
}

TEST_P(LegendExport, DialogDefaultsAndChecks) {
  EXPECT_EQ(ztExportClsLegend(nullptr, addToMap, &info), RC_LEGEND_BAD_ARGUMENT);
  EXPECT_EQ(ztExportClsLegend(image, addToMap, nullptr), RC_LEGEND_BAD_ARGUMENT);
  InteractionRecorder user;
  user.legendAnswers.push_back([](ZTLegendDialogFields& f) { f.name[0] = '\0'; });
  user.legendAnswers.push_back([&](ZTLegendDialogFields& f) {
    Put(f.name, sizeof f.name, prefix);
    f.size = 0;
  });
  EXPECT_EQ(ztExportClsLegend(image, addToMap, &info), RC_OK);
  ASSERT_EQ(user.legendShown.size(), 3u);
  const ZTLegendDialogFields& first = user.legendShown[0];
  EXPECT_STREQ(first.name, "landuse_图例");
  // Map coordinates of column 10, row 4 of a 30 m grid from (500000, 4000000).
  EXPECT_EQ(std::vector<double>({first.x, first.y, first.size}), std::vector<double>({500300, 3999880, 10}));
  EXPECT_EQ(std::vector<int>({first.exportUnclassified, first.addToMap}), std::vector<int>({0, 0}));
  EXPECT_EQ(user.messages, (std::vector<std::string>{"提示|请先设置文件名！|48", "提示|图例的大小因子必须大于0！|48"}));
  EXPECT_TRUE(user.chooserTitles.empty());
}

INSTANTIATE_TEST_SUITE_P(Geodatabases, LegendExport, ::testing::Values(Kind::GeoPackage, Kind::PostGIS),
                         [](const auto& info) { return info.param == Kind::GeoPackage ? "GeoPackage" : "PostGIS"; });

TEST(GDBPathInfo, ClassIdListGrows) {
  ZTGDBClassIdList list{};
  for (long id = 0; id < 100; ++id) ASSERT_EQ(ztGDBAppendClassId(&list, id * 3), 0);
  ASSERT_EQ(long{list.count}, 100);
  for (long i = 0; i < 100; ++i) EXPECT_EQ(list.ids[i], i * 3);
  ztGDBFreeClassIdList(&list);
  EXPECT_EQ(long{list.count}, 0);
  ztGDBFreeClassIdList(&list);
}

}  // namespace
