// The class-area report byte for byte on class images whose counts are known
// by construction, and the export's dialogs and messages.
#include <gtest/gtest.h>
#include <ogr_srs_api.h>

#include <cmath>
#include <filesystem>

#include "export/class_area_report.h"
#include "interaction_recorder.h"
#include "test_support.h"
#include "ztclass/class_export.h"
#include "ztclass/classinfo.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

using namespace zttest;

namespace {

// A report on class file `file` whose table holds the given lines.
std::string Report(const std::string& file, const std::string& lines) {
  return "\t地类面积统计报告\n\n---------------------------------------------------------------------\n\n分类信息文件：" +
         file + "\n\n  ID\t类名\t像元数\t面积(m*m)\n" + lines;
}

// 10 x 4 pixels of 30 m: columns 0-3 hold 1 (16 pixels), 4-6 hold 2 (12),
// 7 holds 0 (4), 8-9 hold 3 (8); nothing holds 4.
double KnownValue(int, int column, int) { return column < 4 ? 1 : column < 7 ? 2 : column == 7 ? 0 : 3; }

class ClassAreaReport : public ::testing::Test {
 protected:
  void SetUp() override {
    Reimage(RasterSpec{.columns = 10, .rows = 4}, KnownValue, {"水体", "林地", "城镇", "裸地"});
    ASSERT_NE(image, nullptr);
  }
  void TearDown() override { ztRSClose(image); }

  // Replaces the image by a georeferenced one of spec and value, with records names.
  void Reimage(RasterSpec spec, const std::function<double(int, int, int)>& value,
               const std::vector<std::string>& names) {
    if (image) ztRSClose(image);
    spec.georeferenced = true;
    WriteGeoTiff(imagePath, spec, value);
    image = ztRSOpen(imagePath.c_str(), 1);
    WriteRecords(names);
  }

  // Records of the given names, numbered 1, 2, ... unless numbers are given.
  void WriteRecords(const std::vector<std::string>& names, const std::vector<int>& numbers = {}) {
    std::vector<CLASSATTINFO> records(names.size(), CLASSATTINFO{});
    for (size_t i = 0; i < names.size(); ++i) {
      records[i].classNo = static_cast<unsigned char>(numbers.empty() ? int(i) + 1 : numbers[i]);
      std::snprintf(records[i].name, sizeof records[i].name, "%s", names[i].c_str());
    }
    ASSERT_EQ(ztRSWriteClassInfo(image, static_cast<long>(records.size()), records.data()), RC_OK);
  }

  TempDir dir;
  std::string imagePath = dir.File("classes.tif");
  std::string reportPath = dir.File("area.txt");
  void* image = nullptr;
};

TEST_F(ClassAreaReport, ClassNumbersOfRecordsPickTheirCounts) {
  WriteRecords({"urban", "beyond"}, {3, 200});
  ASSERT_EQ(zt::ExportClassAreaReport(image, "c", reportPath), RC_OK);
  EXPECT_EQ(ReadText(reportPath), Report("c", "  1\turban\t8\t7200.00\n  2\tbeyond\t0\t0.00\n"));
  // An image of a single value.
  Reimage(RasterSpec{.columns = 3, .rows = 2}, [](int, int, int) { return 2.0; }, {"a", "b"});
  ASSERT_EQ(zt::ExportClassAreaReport(image, "c", reportPath), RC_OK);
  EXPECT_EQ(ReadText(reportPath), Report("c", "  1\ta\t0\t0.00\n  2\tb\t6\t5400.00\n"));
}

// Statistics left in the file by a program that rewrote its pixels (values
// 0..3): the counts are those of the pixels, 16, 12 and 8 of 900 m2 each.
TEST_F(ClassAreaReport, StaleStatisticsInTheFileAreNotTrusted) {
  const struct {
    double minimum, maximum;
  } stale[] = {{0, 1}, {2, 3}, {1, 200}};
  for (const auto& s : stale) {
    SCOPED_TRACE(std::to_string(s.minimum) + ".." + std::to_string(s.maximum));
    ztRSClose(image);
    GDALDatasetH gdal = GDALOpen(imagePath.c_str(), GA_Update);
    ASSERT_NE(gdal, nullptr);
    ASSERT_EQ(GDALSetRasterStatistics(GDALGetRasterBand(gdal, 1), s.minimum, s.maximum, 1, 1), CE_None);
    GDALClose(gdal);
    image = ztRSOpen(imagePath.c_str(), 1);
    ASSERT_EQ(zt::ExportClassAreaReport(image, "c", reportPath), RC_OK);
    EXPECT_EQ(ReadText(reportPath),
              Report("c", "  1\t水体\t16\t14400.00\n  2\t林地\t12\t10800.00\n  3\t城镇\t8\t7200.00\n  4\t裸地\t0\t0.00\n"));
  }
}

// Pixels of 16, 12 and 8 of KnownValue's classes, each the parallelogram of
// the geotransform's column and row steps.
TEST_F(ClassAreaReport, RotatedAndShearedGridsMeasureTheirParallelograms) {
  const double turn = std::acos(-1.0) / 6;  // 30 degrees
  const struct {
    const char* grid;
    double transform[6];
    const char* lines;
  } cases[] = {
      {"10 m, turned 30 degrees", {500000, 10 * std::cos(turn), -10 * std::sin(turn), 4000000, 10 * std::sin(turn),
                                   10 * std::cos(turn)},
       "  1\t水体\t16\t1600.00\n  2\t林地\t12\t1200.00\n  3\t城镇\t8\t800.00\n"},
      // 10 x 10 m, the rows shifted 5 m each: 100 m2 a pixel.
      {"10 m, sheared", {500000, 10, 5, 4000000, 0, -10},
       "  1\t水体\t16\t1600.00\n  2\t林地\t12\t1200.00\n  3\t城镇\t8\t800.00\n"},
      // columns (3, 2), rows (1, -4): |3 x -4 - 1 x 2| = 14 m2.
      {"turned and sheared", {500000, 3, 1, 4000000, 2, -4},
       "  1\t水体\t16\t224.00\n  2\t林地\t12\t168.00\n  3\t城镇\t8\t112.00\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.grid);
    ztRSClose(image);
    GDALDatasetH gdal = GDALOpen(imagePath.c_str(), GA_Update);
    ASSERT_NE(gdal, nullptr);
    ASSERT_EQ(GDALSetGeoTransform(gdal, const_cast<double*>(c.transform)), CE_None);
    GDALClose(gdal);
    image = ztRSOpen(imagePath.c_str(), 1);
    ASSERT_EQ(zt::ExportClassAreaReport(image, "c", reportPath), RC_OK);
    EXPECT_EQ(ReadText(reportPath), Report("c", std::string(c.lines) + "  4\t裸地\t0\t0.00\n"));
  }
}

// KnownValue's 16, 12 and 8 pixels, 30 units a side, in square metres
// whatever the unit of the coordinate system: (30 x 0.3048)^2 m2 a pixel in
// international feet, (30 x 1200 / 3937)^2 in US survey feet.
TEST_F(ClassAreaReport, MapUnitsOtherThanMetresGiveSquareMetres) {
  const struct {
    int epsg;
    const char* lines;
  } cases[] = {
      {2222, "  1\t水体\t16\t1337.80\n  2\t林地\t12\t1003.35\n  3\t城镇\t8\t668.90\n"},
      {2229, "  1\t水体\t16\t1337.81\n  2\t林地\t12\t1003.36\n  3\t城镇\t8\t668.90\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("EPSG:" + std::to_string(c.epsg));
    ztRSClose(image);
    GDALDatasetH gdal = GDALOpen(imagePath.c_str(), GA_Update);
    ASSERT_NE(gdal, nullptr);
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    ASSERT_EQ(OSRImportFromEPSG(srs, c.epsg), OGRERR_NONE);
    ASSERT_EQ(GDALSetSpatialRef(gdal, srs), CE_None);
    OSRDestroySpatialReference(srs);
    GDALClose(gdal);
    image = ztRSOpen(imagePath.c_str(), 1);
    ASSERT_EQ(zt::ExportClassAreaReport(image, "c", reportPath), RC_OK);
    EXPECT_EQ(ReadText(reportPath), Report("c", std::string(c.lines) + "  4\t裸地\t0\t0.00\n"));
  }
}

TEST(ClassAreaReportText, NegativeCellSizeGivesNegativeAreas) {
  zt::ClassAreas areas{{{"a", 3}, {"b", 0}}};
  zt::AreasFromCellSize(areas.classes, 2.5, -4.0);
  const std::string text = zt::FormatClassAreaReport("x.cls", areas, zt::AreaUnit::kSquareMetres);
  EXPECT_EQ(text, Report("x.cls", "  1\ta\t3\t-30.00\n  2\tb\t0\t0.00\n"));
}

TEST(ClassAreaReportText, AreasKeepTheirPointUnderAHostsLocale) {
  const CommaLocale host;
  if (!host.Active()) GTEST_SKIP() << "no locale with a decimal comma can be made here";
  zt::ClassAreas areas{{{"a", 3}}};
  zt::AreasFromCellSize(areas.classes, 0.5, 0.5);
  EXPECT_EQ(zt::FormatClassAreaReport("x.cls", areas, zt::AreaUnit::kSquareMetres),
            Report("x.cls", "  1\ta\t3\t0.75\n"));
}

TEST_F(ClassAreaReport, FailuresGiveCodesAndNoReport) {
  EXPECT_EQ(zt::ExportClassAreaReport(nullptr, "c", reportPath), RC_WORK_FILE_FAILED);
  EXPECT_EQ(zt::ExportClassAreaReport(image, "c", dir.File("missing/area.txt")), RC_REPORT_OPEN_FAILED);
  std::filesystem::remove(dir.File("classes.cls"));
  EXPECT_EQ(zt::ExportClassAreaReport(image, "c", reportPath), RC_CLS_FILE_MISSING);
  // A value range wider than 256.
  Reimage(RasterSpec{.type = GDT_UInt16}, [](int, int c, int) { return c == 0 ? 300.0 : 1.0; }, {"a"});
  EXPECT_EQ(zt::ExportClassAreaReport(image, "c", reportPath), RC_CLASS_VALUE_RANGE_TOO_WIDE);
  EXPECT_FALSE(std::filesystem::exists(reportPath));
}

TEST_F(ClassAreaReport, ExportAsksForTheFileAndTellsTheOutcome) {
  InteractionRecorder user;
  ztExportClsSizeInfo(image);  // the save dialog cancelled
  ztExportClsSizeInfo(nullptr);
  EXPECT_TRUE(user.messages.empty());
  EXPECT_FALSE(std::filesystem::exists(reportPath));
  user.savePath = reportPath;
  ztExportClsSizeInfo(image);
  EXPECT_EQ(user.messages, std::vector<std::string>{"|成功导出报告到文件\n" + reportPath + "！|48"});
  EXPECT_NE(ReadText(reportPath).find("分类信息文件：" + imagePath + "\n"), std::string::npos);
  user.savePath = dir.File("missing/area.txt");
  ztExportClsSizeInfo(image);
  ASSERT_EQ(user.messages.size(), 2u);
  EXPECT_EQ(user.messages[1], "|统计地类面积失败！|0");
}

TEST(ClassInfoFileName, ZtiBecomesCls) {
  TempDir dir;
  const std::string path = dir.File("scene.zti");
  WriteGeoTiff(path, RasterSpec{}, [](int, int, int) { return 1.0; });
  Handle image(ztRSOpen(path.c_str(), 0));
  ASSERT_TRUE(image);
  EXPECT_EQ(zt::ClassInfoFileName(image.get()), dir.File("scene.cls"));
}

}  // namespace
