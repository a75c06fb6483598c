// Class records: the class-information file, band notes, colours, recoding.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <filesystem>

#include "test_support.h"
#include "ztclass/classinfo.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

using namespace zttest;

namespace {

std::vector<CLASSATTINFO> ThreeRecords() {
  return {{1, "水体", 0, 0, 255, "water"}, {2, "Forest", 0, 128, 0, ""}, {3, "Urban", 200, 30, 30, "built-up"}};
}

Handle Image(const std::string& path, int columns = 4, int rows = 4) {
  void* driver = ztRSGetDriverByName(path.ends_with(".zti") ? "ZOVREKZTI" : "GTiff");
  return Handle(ztRSCreate(driver, path.c_str(), columns, rows, 1, ZTRS_Byte, nullptr));
}

// The record count of dataset; a failure to read it fails the test.
long ClassCount(void* dataset) {
  long count = 0;
  EXPECT_EQ(ztRSReadClsNum(dataset, count), 0);
  return count;
}

TEST(ClassInfoFile, ByteLayout) {
  TempDir dir;
  auto records = ThreeRecords();
  ASSERT_EQ(ztWriteClassInfo(dir.File("x.cls").c_str(), 3, records.data()), 0);
  std::vector<unsigned char> bytes = ReadFileBytes(dir.File("x.cls"));
  ASSERT_EQ(bytes.size(), 25u + 4 + 3 * 260);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 25), "ZT_CLASS_INFO_FILEHEAD1.0");
  EXPECT_EQ(std::vector<int>(bytes.begin() + 25, bytes.begin() + 29), (std::vector<int>{3, 0, 0, 0}));
  // Record 2 of 260 bytes: number, name (128), red, green, blue, remark.
  const unsigned char* second = bytes.data() + 29 + 260;
  EXPECT_EQ(std::vector<int>({second[0], second[129], second[130], second[131]}), (std::vector<int>{2, 0, 128, 0}));
  EXPECT_STREQ(reinterpret_cast<const char*>(second + 1), "Forest");
  EXPECT_STREQ(reinterpret_cast<const char*>(bytes.data() + 29 + 520 + 132), "built-up");
  EXPECT_STREQ(reinterpret_cast<const char*>(bytes.data() + 30), "水体");
}

TEST(ClassInfoFile, PathReplacesTheLastExtensionAndMayBeLong) {
  TempDir dir;
  auto records = ThreeRecords();
  std::filesystem::create_directory(dir.File("a.b"));
  // Paths longer than 255 bytes work.
  const std::string deep = dir.File(std::string(200, 'd')) + "/" + std::string(100, 'f');
  std::filesystem::create_directory(dir.File(std::string(200, 'd')));
  // The dot of the folder name a.b is the last one for c, but not for tm.img.tif.
  for (const auto& [image, classFile] : {std::pair{dir.File("a.b/c"), dir.File("a.cls")},
                                         {dir.File("tm.img.tif"), dir.File("tm.img.cls")},
                                         {deep + ".tif", deep + ".cls"}}) {
    SCOPED_TRACE(image);
    Handle h = Image(image);
    ASSERT_TRUE(h);
    ASSERT_EQ(ztRSWriteClassInfo(h.get(), 3, records.data()), 0);
    EXPECT_TRUE(std::filesystem::exists(classFile));
    EXPECT_EQ(ClassCount(h.get()), 3);
  }
}

TEST(ClassInfoStorage, BothStoragesRoundTrip) {
  TempDir dir;
  for (const char* name : {"plain.tif", "own.zti"}) {
    SCOPED_TRACE(name);
    auto records = ThreeRecords();
    {
      Handle image = Image(dir.File(name));
      ASSERT_EQ(ztRSWriteClassInfo(image.get(), 3, records.data()), 0);
    }
    Handle image(ztRSOpen(dir.File(name).c_str(), 0));
    EXPECT_EQ(ClassCount(image.get()), 3);
    std::vector<CLASSATTINFO> read(3);
    ASSERT_EQ(ztRSReadClassInfo(image.get(), 3, read.data()), 0);
    EXPECT_EQ(std::memcmp(read.data(), records.data(), 3 * sizeof(CLASSATTINFO)), 0);
  }
  EXPECT_TRUE(std::filesystem::exists(dir.File("plain.cls")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("own.cls"))) << "zti images keep records in the band note";
}

TEST(ClassInfoStorage, FileFaults) {
  TempDir dir;
  Handle image = Image(dir.File("img.tif"));
  long count = -1;
  EXPECT_EQ(ztRSReadClsNum(image.get(), count), RC_CLS_FILE_MISSING);
  CLASSATTINFO one{};
  EXPECT_EQ(ztRSReadClassInfo(image.get(), 1, &one), RC_CLS_FILE_MISSING);
  ASSERT_EQ(ztRSWriteClassInfo(image.get(), 0, nullptr), 0);
  EXPECT_EQ(ReadFileBytes(dir.File("img.cls")).size(), 29u);
  EXPECT_EQ(ClassCount(image.get()), 0);
  auto records = ThreeRecords();
  ztWriteClassInfo(dir.File("img.cls").c_str(), 3, records.data());
  std::vector<unsigned char> bytes = ReadFileBytes(dir.File("img.cls"));
  bytes[24] = '1';  // ...HEAD1.1
  WriteFileBytes(dir.File("img.cls"), bytes);
  EXPECT_EQ(ztRSReadClsNum(image.get(), count), RC_CLS_FILE_BAD_HEADER);
  EXPECT_EQ(ztRSReadClassInfo(image.get(), 1, &one), RC_CLS_FILE_BAD_HEADER);
  WriteFileBytes(dir.File("img.cls"), {'Z', 'T'});
  EXPECT_EQ(ztRSReadClsNum(image.get(), count), RC_CLS_FILE_BAD_HEADER);
  // A file that holds fewer records than asked for: the rest is left alone.
  ztWriteClassInfo(dir.File("img.cls").c_str(), 3, records.data());
  bytes = ReadFileBytes(dir.File("img.cls"));
  bytes.resize(29 + 260 + 100);
  WriteFileBytes(dir.File("img.cls"), bytes);
  std::vector<CLASSATTINFO> read(3);
  std::memset(read.data(), 0xAB, 3 * sizeof(CLASSATTINFO));
  EXPECT_EQ(ztRSReadClassInfo(image.get(), 3, read.data()), 0);
  EXPECT_EQ(std::memcmp(&read[0], &records[0], sizeof(CLASSATTINFO)), 0);
  EXPECT_EQ(reinterpret_cast<unsigned char*>(&read[1])[100], 0xAB);
  EXPECT_EQ(reinterpret_cast<unsigned char*>(&read[2])[259], 0xAB);
  EXPECT_EQ(ztRSReadClsNum(nullptr, count), RC_NULL_ARGUMENT);
  EXPECT_EQ(ztWriteClassInfo("/no/such/folder/x.cls", 3, records.data()), 0) << "never reported";
}

// An image held in memory has no file to put a class file beside: its
// records are neither written to nor read from a file "cls" of the folder
// the caller runs in.
TEST(ClassInfoStorage, AnImageInMemoryHasNoClassFile) {
  TempDir dir;
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  Handle image(ztRSCreate(ztRSGetDriverByName("MEM"), "", 4, 4, 1, ZTRS_Byte, nullptr));
  auto records = ThreeRecords();
  EXPECT_EQ(ztRSWriteClassInfo(image.get(), 3, records.data()), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.File("cls")));
  ztWriteClassInfo(dir.File("cls").c_str(), 3, records.data());
  long count = -1;
  EXPECT_EQ(ztRSReadClsNum(image.get(), count), RC_CLS_FILE_MISSING);
  EXPECT_EQ(ztRSReadClassInfo(image.get(), 3, records.data()), RC_CLS_FILE_MISSING);
  std::filesystem::current_path(previous);
}

// Hostile class-information files and notes -------------------------------

std::vector<unsigned char> ClassFileClaiming(int32_t count, size_t records) {
  std::vector<unsigned char> bytes(std::begin("ZT_CLASS_INFO_FILEHEAD1.0"), std::end("ZT_CLASS_INFO_FILEHEAD1.0") - 1);
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<unsigned char>(uint32_t(count) >> shift));
  bytes.resize(bytes.size() + records * 260, 'r');
  return bytes;
}

TEST(ClassInfoStorage, ACountIsTrustedOnlyAsFarAsTheFileHoldsIt) {
  TempDir dir;
  Handle image = Image(dir.File("img.tif"));
  long count = -7;
  // 289 bytes: one record, whatever the count says.
  for (int32_t claimed : {4000000, 0x7FFFFFFF, 2, -1, int32_t(0x80000000)}) {
    SCOPED_TRACE(claimed);
    WriteFileBytes(dir.File("img.cls"), ClassFileClaiming(claimed, 1));
    ASSERT_EQ(ReadFileBytes(dir.File("img.cls")).size(), 289u);
    EXPECT_EQ(ztRSReadClsNum(image.get(), count), RC_CLS_FILE_BAD_HEADER);
    EXPECT_EQ(count, -7) << "count untouched";
  }
  WriteFileBytes(dir.File("img.cls"), ClassFileClaiming(1, 1));
  EXPECT_EQ(ClassCount(image.get()), 1);
  std::vector<unsigned char> cut = ClassFileClaiming(0, 0);
  cut.resize(27);
  WriteFileBytes(dir.File("img.cls"), cut);
  EXPECT_EQ(ztRSReadClsNum(image.get(), count), RC_CLS_FILE_BAD_HEADER) << "a count cut short";
}

TEST(ClassInfoStorage, NoteRecordCountsNeverOverflowTheByteCount) {
  TempDir dir;
  Handle image = Image(dir.File("n.zti"));
  auto records = ThreeRecords();
  ASSERT_EQ(ztRSWriteClassInfo(image.get(), 3, records.data()), 0);
  CLASSATTINFO one{};
  // 260 times these is beyond a long; nothing is read.
  for (long count : {LONG_MAX / 100, LONG_MAX}) {
    EXPECT_EQ(ztRSReadClassInfo(image.get(), count, &one), RC_CLASS_INFO_IO_FAILED);
    EXPECT_EQ(ztRSWriteClassInfo(image.get(), count, records.data()), RC_CLASS_INFO_IO_FAILED);
  }
  EXPECT_EQ(ClassCount(image.get()), 3) << "the note is as it was";
}

// ztRSWriteClassAtt ---------------------------------------------------------

AOI ClassAoi(const char* name, int r, int g, int b, const char* remark) {
  AOI aoi{};
  std::strcpy(aoi.name, name);
  aoi.red = static_cast<unsigned char>(r);
  aoi.green = static_cast<unsigned char>(g);
  aoi.blue = static_cast<unsigned char>(b);
  aoi.aoiType = 3;
  std::strcpy(aoi.remark, remark);
  return aoi;
}

std::vector<ZTRSColorEntry> TableOf(void* dataset) {
  void* table = ztRSGetDatasetColorTable(dataset);
  std::vector<ZTRSColorEntry> entries;
  for (long i = 0; table && i < ztRSGetColorEntryCount(table); ++i) {
    ZTRSColorEntry e{};
    ztRSGetColorEntryAsRGB(table, i, &e);
    entries.push_back(e);
  }
  return entries;
}

std::vector<CLASSATTINFO> RecordsOf(void* dataset) {
  std::vector<CLASSATTINFO> records(ClassCount(dataset));
  if (!records.empty()) {
    EXPECT_EQ(ztRSReadClassInfo(dataset, long(records.size()), records.data()), 0);
  }
  return records;
}

void ExpectEntry(const ZTRSColorEntry& e, int r, int g, int b) {
  EXPECT_EQ(std::vector<int>({e.c1, e.c2, e.c3}), std::vector<int>({r, g, b}));
}

// A step file of n colours, colour i = (i, 255 - i, i / 2), under a system
// directory of its own.
struct StepFile {
  TempDir home;
  explicit StepFile(int n, int stored = -1) {
    std::filesystem::create_directory(home.File("lut"));
    std::vector<unsigned char> bytes(392, 0);
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back((n >> shift) & 0xFF);
    for (int i = 0; i < (stored < 0 ? n : stored); ++i)
      bytes.insert(bytes.end(), {static_cast<unsigned char>(i), static_cast<unsigned char>(255 - i),
                                 static_cast<unsigned char>(i / 2)});
    WriteFileBytes(home.File("lut/step.lut"), bytes);
    setenv("ZTCLASS_HOME", home.path().c_str(), 1);
  }
  ~StepFile() { unsetenv("ZTCLASS_HOME"); }
};

TEST(WriteClassAtt, SupervisedClassesTakeTheAoiColoursAndNames) {
  TempDir dir;
  for (const char* name : {"sup.tif", "sup.zti"}) {
    SCOPED_TRACE(name);
    Handle image = Image(dir.File(name));
    AOI aois[3] = {ClassAoi("Water", 0, 0, 255, "sea"), ClassAoi("Forest", 0, 128, 0, ""),
                   ClassAoi("Urban", 200, 30, 30, "town")};
    ASSERT_EQ(ztRSWriteClassAtt(image.get(), ztRSGetRasterBand(image.get(), 1), 3, aois), 0);
    image.reset();
    Handle again(ztRSOpen(dir.File(name).c_str(), 0));
    std::vector<ZTRSColorEntry> table = TableOf(again.get());
    ASSERT_EQ(table.size(), 256u);
    const int classes[4][3] = {{0, 0, 0}, {0, 0, 255}, {0, 128, 0}, {200, 30, 30}};
    for (int k = 0; k < 256; ++k)
      k < 4 ? ExpectEntry(table[k], classes[k][0], classes[k][1], classes[k][2]) : ExpectEntry(table[k], k, k, k);
    std::vector<CLASSATTINFO> records = RecordsOf(again.get());
    ASSERT_EQ(records.size(), 3u);
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(records[k].classNo, k + 1);
      EXPECT_STREQ(records[k].name, aois[k].name);
      EXPECT_STREQ(records[k].remark, aois[k].remark);
      EXPECT_EQ(records[k].red, classes[k + 1][0]);
    }
  }
}

TEST(WriteClassAtt, UnsupervisedClassesAreSpreadOverTheStepRamp) {
  StepFile step(256);
  TempDir dir;
  Handle image = Image(dir.File("unsup.tif"));
  ASSERT_EQ(ztRSWriteClassAtt(image.get(), ztRSGetRasterBand(image.get(), 1), 4, nullptr), 0);
  std::vector<ZTRSColorEntry> table = TableOf(image.get());
  ExpectEntry(table[0], 0, 0, 0);
  const int picked[] = {51, 102, 153, 204};  // step 256 / 5 = 51.2
  for (int k = 1; k <= 4; ++k) ExpectEntry(table[k], picked[k - 1], 255 - picked[k - 1], picked[k - 1] / 2);
  ExpectEntry(table[5], 5, 5, 5);
  std::vector<CLASSATTINFO> records = RecordsOf(image.get());
  ASSERT_EQ(records.size(), 4u);
  for (int k = 1; k <= 4; ++k) {
    EXPECT_EQ(records[k - 1].name, "Class_" + std::to_string(k));
    EXPECT_EQ(records[k - 1].red, picked[k - 1]);
    EXPECT_STREQ(records[k - 1].remark, "");
  }
}

TEST(WriteClassAtt, UnusableStepFilesLeaveTheGreyRamp) {
  TempDir dir;
  for (auto [claimed, stored] : {std::pair{0, 0}, std::pair{256, 10}, std::pair{-5, 0}}) {
    StepFile step(claimed, stored);
    Handle image = Image(dir.File("grey" + std::to_string(claimed) + ".tif"));
    ASSERT_EQ(ztRSWriteClassAtt(image.get(), ztRSGetRasterBand(image.get(), 1), 3, nullptr), 0);
    std::vector<ZTRSColorEntry> table = TableOf(image.get());
    for (int k = 0; k < 256; ++k) ExpectEntry(table[k], k, k, k);
    EXPECT_EQ(RecordsOf(image.get()).size(), 3u);
  }
  setenv("ZTCLASS_HOME", dir.File("nothing-here").c_str(), 1);
  Handle image = Image(dir.File("nofile.tif"));
  ASSERT_EQ(ztRSWriteClassAtt(image.get(), ztRSGetRasterBand(image.get(), 1), 2, nullptr), 0);
  std::vector<CLASSATTINFO> records = RecordsOf(image.get());
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].red, 2) << "grey colour of class 2";
  unsetenv("ZTCLASS_HOME");
}

TEST(WriteClassAtt, BadArgumentsAndLongRemarks) {
  EXPECT_EQ(ztRSWriteClassAtt(nullptr, nullptr, 1, nullptr), RC_NULL_ARGUMENT);
  TempDir dir;
  Handle image = Image(dir.File("bad.tif"));
  EXPECT_EQ(ztRSWriteClassAtt(image.get(), ztRSGetRasterBand(image.get(), 1), 256, nullptr), RC_BAD_WINDOW);
  EXPECT_EQ(ztRSWriteClassAtt(image.get(), ztRSGetRasterBand(image.get(), 1), -1, nullptr), RC_BAD_WINDOW);
  // A long AOI remark is cut to the record.
  AOI aoi = ClassAoi("A", 1, 2, 3, "");
  std::memset(aoi.remark, 'r', 300);
  ASSERT_EQ(ztRSWriteClassAtt(image.get(), ztRSGetRasterBand(image.get(), 1), 1, &aoi), 0);
  EXPECT_EQ(std::strlen(RecordsOf(image.get())[0].remark), 127u);
}

// ztSaveEditedCls2Zti ------------------------------------------------------

TEST(Recode, FirstListedReplacementWinsAndOtherPixelsStay) {
  TempDir dir;
  WriteGeoTiff(dir.File("edited.tif"), RasterSpec{12, 9}, [](int, int c, int r) { return (c + r) % 5; });
  WriteGeoTiff(dir.File("target.tif"), RasterSpec{12, 9, 1, GDT_Float32},
               [](int, int c, int) { return c == 3 ? std::nan("") : 100 + c; });
  Handle source(ztRSOpen(dir.File("edited.tif").c_str(), 0));
  Handle target(ztRSOpen(dir.File("target.tif").c_str(), 1));
  unsigned char from[] = {1, 3, 1}, to[] = {10, 30, 99};
  ASSERT_EQ(ztSaveEditedCls2Zti(source.get(), from, target.get(), to, 3), 0);
  target.reset();
  std::vector<double> values = ReadBand(dir.File("target.tif"));
  for (int r = 0; r < 9; ++r)
    for (int c = 0; c < 12; ++c) {
      const int v = (c + r) % 5;
      const double before = c == 3 ? std::nan("") : 100 + c;
      const double expected = v == 1 ? 10 : v == 3 ? 30 : before;
      if (std::isnan(expected))
        EXPECT_TRUE(std::isnan(values[r * 12 + c])) << "untouched pixels keep their bits";
      else
        EXPECT_EQ(values[r * 12 + c], expected);
    }
}

}  // namespace
