// Accuracy assessment: the error matrix and its statistics against a
// hand-worked example and a brute-force count, the report byte for byte, and
// both reference modes on real GeoTIFFs, GeoJSON polygons and check-point
// files.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <tuple>

#include "accuracy/check_points.h"
#include "test_support.h"
#include "ztclass/accuracy.h"
#include "ztclass/classinfo.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

using namespace zttest;

namespace {

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

void WriteClassRecords(void* image, const std::vector<std::string>& names) {
  std::vector<CLASSATTINFO> records(names.size(), CLASSATTINFO{});
  for (size_t i = 0; i < names.size(); ++i) {
    records[i].classNo = static_cast<unsigned char>(i + 1);
    std::snprintf(records[i].name, sizeof records[i].name, "%s", names[i].c_str());
  }
  ASSERT_EQ(ztRSWriteClassInfo(image, static_cast<long>(records.size()), records.data()), RC_OK);
}

struct Rect {
  double x0, y0, x1, y1;
};

// A GeoJSON file of rectangles, feature "class" k holding rects[k - 1];
// crs names the coordinate system ("" for pixel coordinates).
std::string WriteRects(const std::string& path, const std::vector<std::vector<Rect>>& rects, const std::string& crs) {
  std::ostringstream out;
  out.precision(17);
  out << "{\"type\":\"FeatureCollection\",";
  if (!crs.empty()) out << "\"crs\":{\"type\":\"name\",\"properties\":{\"name\":\"" << crs << "\"}},";
  out << "\"features\":[";
  const char* separator = "";
  for (size_t k = 0; k < rects.size(); ++k)
    for (const Rect& r : rects[k]) {
      out << separator << "{\"type\":\"Feature\",\"properties\":{\"class\":" << k + 1
          << "},\"geometry\":{\"type\":\"Polygon\",\"coordinates\":[[[" << r.x0 << "," << r.y0 << "],[" << r.x1
          << "," << r.y0 << "],[" << r.x1 << "," << r.y1 << "],[" << r.x0 << "," << r.y1 << "],[" << r.x0 << ","
          << r.y0 << "]]]}}";
      separator = ",";
    }
  out << "]}\n";
  WriteText(path, out.str());
  return path;
}

// The hand-worked example: a 12 x 6 class image of three classes and
// reference rectangles (pixel coordinates) over it. Water (columns 0-3, rows
// 0-2, 12 pixels) is classified 9 times as Water, twice as Forest and once
// not at all; Forest (columns 6-9, rows 0-2, 12 pixels) 7 times as Forest,
// 3 times as Water, twice as Urban; Urban's reference polygon lies off the
// image and has no sample.
//
//              Water  Forest  Urban  total
//   unclass.       1       0      0      1
//   Water          9       3      0     12
//   Forest         2       7      0      9
//   Urban          0       2      0      2
//   total         12      12      0     24
//
// Class accuracy 9/12 = 0.75, 7/12 = 0.58, 1.00 (no sample); overall
// 16/24 = 0.67; chance agreement (12*12 + 9*12 + 2*0) / 24^2 = 0.4375,
// Kappa (2/3 - 0.4375) / (1 - 0.4375) = 0.41.
const char* kHandImage[] = {
    "111200222233",  //
    "111100221300",  //
    "102100112300",  //
    "000000000000",  //
    "000000000000",  //
    "000000000000",
};

struct HandWorked {
  TempDir dir;
  std::string imagePath = dir.File("classes.tif");
  std::string reportPath = dir.File("report.txt");
  void* image = nullptr;

  HandWorked() {
    WriteGeoTiff(imagePath, RasterSpec{.columns = 12, .rows = 6},
                 [](int, int c, int r) { return kHandImage[r][c] - '0'; });
    image = ztRSOpen(imagePath.c_str(), 0);
    WriteClassRecords(image, {"Water", "Forest", "Urban"});
    const std::string aoi =
        WriteRects(dir.File("reference.geojson"), {{{0, 0, 4, 3}}, {{6, 0, 10, 3}}, {{20, 0, 23, 3}}}, "");
    EXPECT_EQ(ztRSAttachAOIFile(image, aoi.c_str(), nullptr), 0);
  }
  ~HandWorked() { ztRSClose(image); }

  long Appraise(bool m, bool c, bool o, bool k) {
    return ztAccuracyAppraise(image, reportPath.c_str(), nullptr, nullptr, image, m, c, o, k);
  }
};

std::string Pad(const std::string& s) { return s.size() >= 10 ? s : std::string(10 - s.size(), ' ') + s; }
std::string Row(const std::vector<std::string>& cells) {
  std::string line;
  for (const std::string& c : cells) line += Pad(c);
  return line;
}

// The report of the hand-worked example, composed from its tables for the
// given flags.
std::string ExpectedReport(const std::string& reference, const std::string& classes, bool m, bool c, bool o, bool k) {
  const std::string indent(15, ' '), rule(50, '=');
  std::string text = "遥感影像分类精度评价报告:\n\n";
  text += "原始影像文件:   " + reference + "\n";
  text += "分类影像文件:  " + classes + "\n";
  int table = 1;
  if (m) {
    text += "\n" + indent + "表" + std::to_string(table++) + "：误差矩阵\n" + rule + "\n";
    text += Row({"已分\\参考", "Water", "Forest", "Urban", "总计"}) + "\n\n";
    text += Row({"未分类", "1", "0", "0", "1"}) + "\n\n";
    text += Row({"Water", "9", "3", "0", "12"}) + "\n\n";
    text += Row({"Forest", "2", "7", "0", "9"}) + "\n\n";
    text += Row({"Urban", "0", "2", "0", "2"}) + "\n\n";
    text += Row({"总计", "12", "12", "0", "24"}) + "\n" + rule + "\n\n\n";
  }
  if (c) {
    if (table == 1) text += "\n\n";
    text += indent + "表" + std::to_string(table++) + "：各类精度\n" + rule + "\n";
    text += Row({" ", "Water", "Forest", "Urban"}) + "\n\n";
    text += Row({" ", "0.75", "0.58", "1.00"}) + "\n" + rule + "\n\n\n";
  }
  if (o || k) {
    if (table == 1) text += "\n\n";
    text += indent + "表" + std::to_string(table++) + "：总体精度\n" + rule + "\n";
    if (o) text += indent + Row({"总精度=", "0.67"}) + "\n";
    if (k) text += indent + Row({"Kappa系数=", "0.41"}) + "\n";
    text += rule + "\n";
  }
  return text;
}

TEST(AccuracyAppraise, ReportOfTheHandWorkedExampleForEveryChoiceOfTables) {
  HandWorked h;
  for (int flags = 0; flags < 16; ++flags) {
    const bool m = flags & 1, c = flags & 2, o = flags & 4, k = flags & 8;
    ProgressRecorder progress;
    ASSERT_EQ(h.Appraise(m, c, o, k), RC_OK) << flags;
    EXPECT_EQ(ReadText(h.reportPath), ExpectedReport(h.imagePath, h.imagePath, m, c, o, k)) << "flags " << flags;
    EXPECT_EQ(progress.Count("main:分类精度评价..."), 1);
    EXPECT_EQ(progress.Count("end"), 1);
  }
}

TEST(AccuracyAppraise, ReportNumbersKeepTheirPointUnderAHostsLocale) {
  HandWorked h;
  const CommaLocale host;
  if (!host.Active()) GTEST_SKIP() << "no locale with a decimal comma can be made here";
  ASSERT_EQ(h.Appraise(true, true, true, true), RC_OK);
  EXPECT_EQ(ReadText(h.reportPath), ExpectedReport(h.imagePath, h.imagePath, true, true, true, true));
}

// One class, its reference polygon over the four pixels of a 4 x 1 image.
// All four classified right: chance agreement 4*4 / 4^2 = 1 and Kappa
// 0 / 0, undefined. One left unclassified: overall 3/4, chance 3*4 / 4^2 =
// 0.75, Kappa 0 / 0.25 = 0.
TEST(AccuracyAppraise, KappaOfFullChanceAgreementIsPrintedAsNotANumber) {
  const struct {
    const char* pixels;
    const char* kappa;
  } cases[] = {{"1111", "nan"}, {"1110", "0.00"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pixels);
    TempDir dir;
    const std::string path = dir.File("one.tif");
    WriteGeoTiff(path, RasterSpec{.columns = 4, .rows = 1}, [&](int, int col, int) { return c.pixels[col] - '0'; });
    Handle image(ztRSOpen(path.c_str(), 0));
    WriteClassRecords(image.get(), {"Water"});
    ASSERT_EQ(ztRSAttachAOIFile(image.get(), WriteRects(dir.File("r.geojson"), {{{0, 0, 4, 1}}}, "").c_str(), nullptr),
              0);
    ASSERT_EQ(ztAccuracyAppraise(image.get(), dir.File("r.txt").c_str(), nullptr, nullptr, image.get(), 0, 0, 0, 1),
              RC_OK);
    const std::string report = ReadText(dir.File("r.txt"));
    EXPECT_NE(report.find("\n     " + Row({"Kappa系数=", c.kappa}) + "\n"), std::string::npos) << report;
  }
}

TEST(AccuracyAppraise, AoiModeFailuresWriteNoReport) {
  HandWorked h;
  const char* report = h.reportPath.c_str();
  EXPECT_EQ(ztAccuracyAppraise(h.image, h.dir.File("missing/r.txt").c_str(), nullptr, nullptr, h.image, 1, 1, 1, 1),
            RC_REPORT_OPEN_FAILED);
  EXPECT_EQ(ztAccuracyAppraise(nullptr, report, nullptr, nullptr, h.image, 1, 1, 1, 1), RC_NULL_ARGUMENT);
  EXPECT_EQ(ztAccuracyAppraise(h.image, nullptr, nullptr, nullptr, h.image, 1, 1, 1, 1), RC_NULL_ARGUMENT);
  // No reference dataset and not both files: AOI mode without a reference.
  EXPECT_EQ(ztAccuracyAppraise(h.image, report, "points.txt", nullptr, nullptr, 1, 1, 1, 1), RC_NULL_ARGUMENT);
  EXPECT_EQ(ztAccuracyAppraise(h.image, report, nullptr, nullptr, nullptr, 1, 1, 1, 1), RC_NULL_ARGUMENT);
  EXPECT_FALSE(Exists(h.reportPath));
  // Four class records against three class AOIs.
  WriteClassRecords(h.image, {"Water", "Forest", "Urban", "Sand"});
  EXPECT_EQ(h.Appraise(1, 1, 1, 1), RC_AOI_WITHOUT_POLYGON);
  // None against three: a class file of no records is still a class file.
  WriteClassRecords(h.image, {});
  EXPECT_EQ(h.Appraise(1, 1, 1, 1), RC_AOI_WITHOUT_POLYGON);
  // A class value above the class count under a reference polygon.
  WriteClassRecords(h.image, {"Water", "Forest"});
  const std::string two = WriteRects(h.dir.File("two.geojson"), {{{0, 0, 4, 3}}, {{6, 0, 10, 3}}}, "");
  ASSERT_EQ(ztRSAttachAOIFile(h.image, two.c_str(), nullptr), 0);
  EXPECT_EQ(h.Appraise(1, 1, 1, 1), RC_AOI_WITHOUT_POLYGON);
  EXPECT_FALSE(Exists(h.reportPath));
  // No class AOI at all.
  TempDir other;
  WriteGeoTiff(other.File("plain.tif"), RasterSpec{}, [](int, int, int) { return 1; });
  Handle plain(ztRSOpen(other.File("plain.tif").c_str(), 0));
  WriteClassRecords(plain.get(), {"Water"});
  EXPECT_EQ(ztAccuracyAppraise(plain.get(), report, nullptr, nullptr, plain.get(), 1, 1, 1, 1), RC_NO_CLASS_AOI);
  // A class image without class records: the class-information code.
  std::filesystem::remove(other.File("plain.cls"));
  EXPECT_EQ(ztAccuracyAppraise(plain.get(), report, nullptr, nullptr, h.image, 1, 1, 1, 1), RC_CLS_FILE_MISSING);
  EXPECT_FALSE(Exists(h.reportPath));
}

// A georeferenced scene of 40 x 30 pixels of 30 m (UTM 33N, origin 500000,
// 4000000), and class images of windows of it.
constexpr double kX0 = 500000, kY0 = 4000000, kCell = 30;
const char* kUtm = "urn:ogc:def:crs:EPSG::32633";

int SceneClass(int c, int r) { return (c * 3 + r * 5) % 7 < 3 ? 1 : ((c + r) % 4 == 0 ? 0 : 2); }

// Map coordinates of rectangles given in scene pixels.
Rect MapRect(double c0, double r0, double c1, double r1) {
  return {kX0 + c0 * kCell, kY0 - r0 * kCell, kX0 + c1 * kCell, kY0 - r1 * kCell};
}

struct WindowedClasses {
  TempDir dir;
  std::string scenePath = dir.File("scene.tif"), imagePath = dir.File("window.tif");
  std::string reportPath = dir.File("report.txt");
  void* image = nullptr;
  static constexpr int rows = 12, columns = 16, firstRow = 10, firstColumn = 5;

  WindowedClasses() {
    WriteGeoTiff(scenePath, RasterSpec{.columns = 40, .rows = 30, .georeferenced = true},
                 [](int, int, int) { return 0; });
    void* scene = ztRSOpen(scenePath.c_str(), 0);
    WriteGeoTiff(imagePath, RasterSpec{.columns = columns, .rows = rows},
                 [](int, int c, int r) { return SceneClass(c + firstColumn, r + firstRow); });
    image = ztRSOpen(imagePath.c_str(), 1);
    ztRSCopyGeoreference(scene, image, firstRow, firstColumn);
    ztRSClose(scene);
    WriteClassRecords(image, {"Crop", "Bare"});
  }
  ~WindowedClasses() { ztRSClose(image); }
};

// Table 1 of a report on the windowed class image, from a count of
// samples by (class found, reference class 1 or 2) and the total of samples.
std::string CropBareMatrix(std::map<std::pair<int, int>, long> matrix, long total) {
  std::string text = "\n          表1：误差矩阵\n" + std::string(40, '=') + "\n" +
                     Row({"已分\\参考", "Crop", "Bare", "总计"}) + "\n\n";
  const char* labels[] = {"未分类", "Crop", "Bare"};
  long columnTotals[2] = {};
  for (int i = 0; i < 3; ++i) {
    const long a = matrix[{i, 1}], b = matrix[{i, 2}];
    text += Row({labels[i], std::to_string(a), std::to_string(b), std::to_string(a + b)}) + "\n\n";
    columnTotals[0] += a;
    columnTotals[1] += b;
  }
  return text + Row({"总计", std::to_string(columnTotals[0]), std::to_string(columnTotals[1]), std::to_string(total)});
}

TEST(AccuracyAppraise, AoiModeOnAWindowedClassImageUsesItsOwnGrid) {
  WindowedClasses w;
  // Scene pixels: class 1 in columns 6-11, rows 11-15 and 18-23, rows 20-24
  // (beyond the window's last row 21); class 2 in columns 14-19, rows 12-19.
  const std::vector<std::vector<Rect>> rects = {{{6, 11, 12, 16}, {18, 20, 24, 25}}, {{14, 12, 20, 20}}};
  std::vector<std::vector<Rect>> mapRects(2);
  for (int k = 0; k < 2; ++k)
    for (const Rect& p : rects[k]) mapRects[k].push_back(MapRect(p.x0, p.y0, p.x1, p.y1));
  const std::string aoi = WriteRects(w.dir.File("reference.geojson"), mapRects, kUtm);
  ASSERT_EQ(ztRSAttachAOIFile(w.image, aoi.c_str(), nullptr), 0);
  std::map<std::pair<int, int>, long> matrix;
  long total = 0;
  for (int k = 0; k < 2; ++k)
    for (const Rect& p : rects[k])
      for (int r = int(p.y0); r < p.y1; ++r)
        for (int c = int(p.x0); c < p.x1; ++c) {
          if (r < w.firstRow || r >= w.firstRow + w.rows || c < w.firstColumn || c >= w.firstColumn + w.columns)
            continue;  // off the class image: no sample
          ++matrix[{SceneClass(c, r), k + 1}];
          ++total;
        }
  const std::string expected = CropBareMatrix(matrix, total);
  ASSERT_EQ(ztAccuracyAppraise(w.image, w.reportPath.c_str(), nullptr, nullptr, w.image, 1, 0, 0, 0), RC_OK);
  const std::string report = ReadText(w.reportPath);
  EXPECT_NE(report.find(expected), std::string::npos) << report << "\nexpected:\n" << expected;
  EXPECT_GT(total, 60);
  EXPECT_GT((matrix[{0, 1}] + matrix[{0, 2}]), 0) << "unclassified samples";
}

// Check points at pixel centres of the windowed class image, by window
// pixel; file mode needs no reference dataset.
struct PointFiles {
  std::string coordinates, classes;
  void Add(double column, double row, long classNo) {
    char text[96];
    std::snprintf(text, sizeof text, "%.3f %.3f\n", kX0 + (column + WindowedClasses::firstColumn) * kCell,
                  kY0 - (row + WindowedClasses::firstRow) * kCell);
    coordinates += text;
    classes += std::to_string(classNo) + "\n";
    ++count;
  }
  void Write(const TempDir& dir) const {
    WriteText(dir.File("points.txt"), std::to_string(count) + "\n" + coordinates);
    WriteText(dir.File("classes.txt"), std::to_string(count) + "\n" + classes);
  }
  long count = 0;
};

long FileMode(const WindowedClasses& w, bool m = true, bool c = false, bool o = true, bool k = true) {
  return ztAccuracyAppraise(w.image, w.reportPath.c_str(), w.dir.File("points.txt").c_str(),
                            w.dir.File("classes.txt").c_str(), nullptr, m, c, o, k);
}

TEST(AccuracyAppraise, FileModeCountsPointsOffTheImageInTheTotalOnly) {
  WindowedClasses w;
  PointFiles p;
  std::map<std::pair<int, int>, long> matrix;
  // Points at pixel centres, every fifth pixel, reference class by position.
  for (int r = 0; r < w.rows; r += 2)
    for (int c = 0; c < w.columns; c += 3) {
      const long reference = (r + c) % 2 + 1;
      p.Add(c + 0.5, r + 0.5, reference);
      ++matrix[{SceneClass(c + w.firstColumn, r + w.firstRow), int(reference)}];
    }
  // Off the image: left, right, above, below, and less than a pixel left
  // and above.
  const std::tuple<double, double, long> off[] = {{-3.5, 2.5, 1}, {w.columns + 0.5, 2.5, 2}, {2.5, -1.5, 1},
                                                  {2.5, w.rows + 4.0, 2}, {-0.25, 0.5, 2}, {0.5, -0.25, 1}};
  for (auto [c, r, k] : off) p.Add(c, r, k);
  p.Write(w.dir);
  ProgressRecorder progress;
  ASSERT_EQ(FileMode(w), RC_OK);
  EXPECT_EQ(progress.Count("sub:统计分类误差矩阵..."), 1);
  EXPECT_EQ(progress.Count("range:0," + std::to_string(p.count + 1)), 1);
  long inMatrix = 0;
  for (const auto& [cell, count] : matrix) inMatrix += count;
  const long correct = matrix[{1, 1}] + matrix[{2, 2}];
  const std::string report = ReadText(w.reportPath);
  EXPECT_NE(report.find(CropBareMatrix(matrix, p.count)), std::string::npos) << report;
  EXPECT_EQ(inMatrix, p.count - static_cast<long>(std::size(off)));
  char overall[32];
  std::snprintf(overall, sizeof overall, "%10.2f\n", double(correct) / p.count);
  EXPECT_NE(report.find(Pad("总精度=") + overall), std::string::npos) << report;
  // The source image description is empty in file mode.
  EXPECT_NE(report.find("原始影像文件:   \n"), std::string::npos);
}

TEST(AccuracyAppraise, FileModeFailuresWriteNoReport) {
  WindowedClasses w;
  // Writes the class and coordinate files and runs file mode on them.
  auto run = [&](const std::string& classes, const std::string& points) {
    WriteText(w.dir.File("classes.txt"), classes);
    WriteText(w.dir.File("points.txt"), points);
    return FileMode(w);
  };
  const std::string inside = std::to_string(kX0 + 6 * kCell) + " " + std::to_string(kY0 - 11 * kCell - 15) + "\n";
  std::string three = "3\n" + inside + inside + inside;
  ASSERT_EQ(run("3 1 2 2", three), RC_OK);  // the files as such are fine
  std::filesystem::remove(w.reportPath);
  std::filesystem::remove(w.dir.File("classes.txt"));
  EXPECT_EQ(FileMode(w), RC_INPUT_FILE_FAILED);
  WriteText(w.dir.File("classes.txt"), "3 1 2 2");
  std::filesystem::remove(w.dir.File("points.txt"));
  EXPECT_EQ(FileMode(w), RC_INPUT_FILE_FAILED);
  EXPECT_EQ(run("3 1 2 2", three + std::string(1 << 20, '\n')), RC_INPUT_FILE_FAILED) << "a file above 1 MiB";
  EXPECT_EQ(run("2 1 2", three), RC_INPUT_COUNT_MISMATCH);
  EXPECT_EQ(run("0", "0\n"), RC_INPUT_COUNT_MISMATCH);
  EXPECT_EQ(run("3 1 1 1", three), RC_CLASS_WITHOUT_CHECK_POINTS);  // class 2 has no check point
  EXPECT_EQ(run("3 1 2 3", three), RC_INPUT_FILE_FAILED);  // three distinct classes for two
  EXPECT_EQ(run("3 0 2 2", three), RC_INPUT_FILE_FAILED);  // two distinct, but class 0
  EXPECT_EQ(run("3 1 2", three), RC_INPUT_FILE_FAILED);  // the class file ends early
  // A class value above the class count at the points.
  ASSERT_EQ(SceneClass(6, 11), 2);
  WriteClassRecords(w.image, {"Crop"});
  EXPECT_EQ(run("3 1 1 1", three), RC_INPUT_FILE_FAILED);
  EXPECT_FALSE(Exists(w.reportPath));
}

std::vector<long> Classes(const std::vector<zt::CheckPoint>& points) {
  std::vector<long> classes;
  for (const auto& p : points) classes.push_back(p.classNo);
  return classes;
}

TEST(CheckPointFiles, EveryCountedEntryMustBeANumber) {
  std::vector<zt::CheckPoint> points;
  ASSERT_EQ(zt::ParseCheckPoints("3 1 2 2", "3\n1.5 2.5\n3 4\n-5e1 6\n", points), RC_OK);
  EXPECT_EQ(Classes(points), (std::vector<long>{1, 2, 2}));
  EXPECT_EQ(std::vector<double>({points[2].x, points[2].y}), std::vector<double>({-50, 6}));
  // Entries past the counts are not read.
  ASSERT_EQ(zt::ParseCheckPoints("2 1 2 x", "2 1 1 2 2 y", points), RC_OK);
  EXPECT_EQ(points.size(), 2u);
  const struct {
    const char *why, *classes, *coordinates;
  } refused[] = {
      {"counts far above what the texts hold", "500 1 2", "500 1.5 2.5 3 4 5"},
      {"a class missing", "3 1 2", "3 1 1 2 2 3 3"},
      {"a pair missing", "3 1 2 2", "3 1 1 2 2"},
      {"half a pair", "3 1 2 2", "3 1 1 2 2 3"},
      {"a word for a class", "3 1 two 3", "3 1 1 2 2 3 3"},
      {"a class that is no whole number", "3 1 2.5 3", "3 1 1 2 2 3 3"},
      {"a coordinate run into letters", "4 1 2 2 1", "4 1 1 2 2 3 3\n29x7000 9120000\n"},
      {"comma-separated coordinates", "2 1 2", "2 1,1 2,2"},
      {"a coordinate beyond double's range", "2 1 2", "2 1 1 1e400 2"},
      {"a coordinate that is not a number", "2 1 2", "2 nan 1 2 2"},
      {"an infinite coordinate", "2 1 2", "2 1 1 2 -inf"},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r.why);
    EXPECT_EQ(zt::ParseCheckPoints(r.classes, r.coordinates, points), RC_INPUT_FILE_FAILED);
    EXPECT_TRUE(points.empty());
  }
  // Views that end inside a longer text: nothing past their end is read.
  const std::string classes = "3 1 2 3", coordinates = "3 1 1 2 2 3 3";
  EXPECT_EQ(zt::ParseCheckPoints(std::string_view(classes).substr(0, 5), coordinates, points), RC_INPUT_FILE_FAILED);
  EXPECT_EQ(zt::ParseCheckPoints(classes, std::string_view(coordinates).substr(0, 10), points), RC_INPUT_FILE_FAILED);
  EXPECT_EQ(zt::ParseCheckPoints(std::string_view("1\0 1", 4), "1 0 0", points), RC_INPUT_FILE_FAILED);
  EXPECT_EQ(zt::ParseCheckPoints("", "", points), RC_INPUT_COUNT_MISMATCH);
  EXPECT_EQ(zt::ParseCheckPoints("-1", "-1", points), RC_INPUT_COUNT_MISMATCH);
  EXPECT_EQ(zt::ParseCheckPoints("501 1", "501 1 2", points), RC_TOO_MANY_CHECK_POINTS);
  EXPECT_EQ(zt::ParseCheckPoints("6.5 1", "6.5 1 2", points), RC_INPUT_COUNT_MISMATCH);
  EXPECT_EQ(zt::ParseCheckPoints("6e0 1", "6e0 1 2", points), RC_INPUT_COUNT_MISMATCH);
}

}  // namespace
