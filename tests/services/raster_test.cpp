// The raster dataset service over real GeoTIFFs.
#include <cpl_conv.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>

#include "test_support.h"
#include "ztclass/result_codes.h"
#include "ztservices/adapter.h"
#include "ztservices/bandnote.h"
#include "ztservices/cellarea.h"
#include "ztservices/imagebase.h"
#include "ztservices/matrix.h"
#include "ztservices/raster.h"

using namespace zttest;

namespace {

TEST(RasterService, MissingFileAndBadHandlesFailCleanly) {
  EXPECT_EQ(ztRSOpen("/no/such/file.tif", 0), nullptr);
  EXPECT_EQ(ztRSOpen(nullptr, 0), nullptr);
  EXPECT_EQ(ztRSGetRasterXSize(nullptr), 0);
  EXPECT_EQ(ztRSGetDatasetType(nullptr), ZTRS_Unknown);
  EXPECT_NE(ztRSClosePyramidLayer(nullptr), 0);
  EXPECT_EQ(ztRSGetDescription(nullptr), nullptr);
}

// Every dataset and band call given what it cannot use: a null handle or
// pointer, a window outside the image (also one beyond GDAL's 32-bit
// positions, which must not wrap around onto the image), a size GDAL cannot
// make. Each gives its code and touches nothing.
TEST(RasterService, WhatACallCannotUseIsRefusedWithACode) {
  TempDir dir;
  Handle ds(ztRSCreate(ztRSGetDriverByName("GTiff"), dir.File("misuse.tif").c_str(), 4, 3, 1, ZTRS_Byte, nullptr));
  ASSERT_NE(ds, nullptr);
  void* band = ztRSGetRasterBand(ds.get(), 1);
  unsigned char pixels[12] = {};
  long columns = 0, rows = 0;
  double x = 0, y = 0, minMax[2];
  unsigned long long histogram[4];
  ZTIMGTYPE type;
  ZTRSColorEntry entry{};
  void* table = ztRSCreateColorTable(1);
  ASSERT_EQ(ztRSSetColorEntry(table, 0, &entry), 0);
  const long beyond = 1L << 32;
  const auto io = [&](long flag, long x, long y, long width, long height) {
    return ztRSRasterIO(band, static_cast<ZTRSRWFlag>(flag), x, y, width, height, pixels, width, height, ZTRS_Byte, 0,
                        0);
  };
  const struct {
    const char* what;
    std::function<long()> call;
    long expected;
  } cases[] = {
      {"close no dataset", [&] { return ztRSClose(nullptr); }, ZTRS_ERR_BAD_HANDLE},
      {"delete with no driver", [&] { return ztRSDeleteDataset(nullptr, "x.tif"); }, ZTRS_ERR_BAD_HANDLE},
      {"copy georeference of none", [&] { return ztRSCopyGeoreference(nullptr, ds.get(), 0, 0); }, ZTRS_ERR_BAD_HANDLE},
      {"copy georeference to none", [&] { return ztRSCopyGeoreference(ds.get(), nullptr, 0, 0); }, ZTRS_ERR_BAD_HANDLE},
      {"set metadata of none", [&] { return ztRSSetMetadataItem(nullptr, "A", "1"); }, ZTRS_ERR_BAD_HANDLE},
      {"set metadata without a name", [&] { return ztRSSetMetadataItem(ds.get(), nullptr, "1"); }, ZTRS_ERR_BAD_HANDLE},
      {"flush none", [&] { return ztRSFlushCache(nullptr); }, ZTRS_ERR_BAD_HANDLE},
      {"block size of none", [&] { return ztRSGetBlockSize(nullptr, &columns, &rows); }, ZTRS_ERR_BAD_HANDLE},
      {"block size into nothing", [&] { return ztRSGetBlockSize(band, nullptr, &rows); }, ZTRS_ERR_BAD_HANDLE},
      {"storage kind of none", [&] { return ztRSGetInternalImgType(nullptr, type); }, ZTRS_ERR_BAD_HANDLE},
      {"read no band", [&] { return ztRSRasterIO(nullptr, ZTRS_Read, 0, 0, 1, 1, pixels, 1, 1, ZTRS_Byte, 0, 0); },
       ZTRS_ERR_BAD_HANDLE},
      {"read into no buffer", [&] { return ztRSRasterIO(band, ZTRS_Read, 0, 0, 1, 1, nullptr, 1, 1, ZTRS_Byte, 0, 0); },
       ZTRS_ERR_BAD_HANDLE},
      {"read an unknown type",
       [&] { return ztRSRasterIO(band, ZTRS_Read, 0, 0, 1, 1, pixels, 1, 1, ZTRS_Unknown, 0, 0); },
       RC_UNSUPPORTED_PIXEL_TYPE},
      {"read past the last column", [&] { return io(ZTRS_Read, 4, 0, 1, 1); }, ZTRS_ERR_IO},
      {"read before the first row", [&] { return io(ZTRS_Read, 0, -1, 1, 1); }, ZTRS_ERR_IO},
      {"read a negative width", [&] { return io(ZTRS_Read, 0, 0, -1, 1); }, ZTRS_ERR_IO},
      {"read 2^32 columns on", [&] { return io(ZTRS_Read, beyond, 0, 1, 1); }, ZTRS_ERR_IO},
      {"write 2^32 rows on", [&] { return io(ZTRS_Write, 0, beyond + 1, 1, 1); }, ZTRS_ERR_IO},
      {"read 2^32 + 2 columns", [&] { return io(ZTRS_Read, 0, 0, beyond + 2, 1); }, ZTRS_ERR_IO},
      {"no-data of none", [&] { return ztRSSetRasterNoDataValue(nullptr, 0); }, ZTRS_ERR_BAD_HANDLE},
      {"statistics of none", [&] { return ztRSGetRasterStatistics(nullptr, 0, 1, &x, &y, nullptr, nullptr); },
       ZTRS_ERR_BAD_HANDLE},
      {"minimum and maximum of none", [&] { return ztRSComputeRasterMinMax(nullptr, 0, minMax); }, ZTRS_ERR_BAD_HANDLE},
      {"minimum and maximum into nothing", [&] { return ztRSComputeRasterMinMax(band, 0, nullptr); },
       ZTRS_ERR_BAD_HANDLE},
      {"histogram of none", [&] { return ztRSGetRasterHistogram(nullptr, 0, 4, 4, histogram, 1, 0); },
       ZTRS_ERR_BAD_HANDLE},
      {"histogram into nothing", [&] { return ztRSGetRasterHistogram(band, 0, 4, 4, nullptr, 1, 0); },
       ZTRS_ERR_BAD_HANDLE},
      {"histogram of no buckets", [&] { return ztRSGetRasterHistogram(band, 0, 4, 0, histogram, 1, 0); },
       ZTRS_ERR_BAD_HANDLE},
      {"coordinates of none", [&] { return ztRSGetCoordinate(nullptr, 0, &x, &y); }, ZTRS_ERR_BAD_HANDLE},
      {"coordinates into nothing", [&] { return ztRSGetCoordinate(ds.get(), 0, nullptr, &y); }, ZTRS_ERR_BAD_HANDLE},
      {"cell size of none", [&] { return ztGetImgCellSize(nullptr, &x, &y); }, ZTRS_ERR_BAD_HANDLE},
      {"pyramid of none", [&] { return ztRSOpenPyramidLayer(nullptr, 1); }, ZTRS_ERR_BAD_HANDLE},
      {"colour entry into no table", [&] { return ztRSSetColorEntry(nullptr, 0, &entry); }, ZTRS_ERR_BAD_HANDLE},
      {"colour entry of a negative index", [&] { return ztRSSetColorEntry(table, -1, &entry); }, ZTRS_ERR_BAD_HANDLE},
      {"colour entry of no entry", [&] { return ztRSGetColorEntryAsRGB(table, 0, nullptr); }, ZTRS_ERR_BAD_HANDLE},
      {"colour entry past the table", [&] { return ztRSGetColorEntryAsRGB(table, 1, &entry); }, ZTRS_ERR_IO},
      {"colour entry 2^32 on", [&] { return ztRSGetColorEntryAsRGB(table, beyond, &entry); }, ZTRS_ERR_IO},
      {"colour table onto no band", [&] { return ztRSSetRasterColorTable(nullptr, table); }, ZTRS_ERR_BAD_HANDLE},
      {"no colour table onto a band", [&] { return ztRSSetRasterColorTable(band, nullptr); }, ZTRS_ERR_BAD_HANDLE},
      {"attach AOIs to none", [&] { return ztRSAttachAOIFile(nullptr, "a.geojson", nullptr); }, ZTRS_ERR_BAD_HANDLE},
      {"attach no AOI file", [&] { return ztRSAttachAOIFile(ds.get(), nullptr, nullptr); }, ZTRS_ERR_BAD_HANDLE},
      {"add an AOI without its points", [&] { return ztRSAddAOI(ds.get(), "a", 0, 0, 0, 3, "", 1, nullptr, nullptr); },
       ZTRS_ERR_BAD_HANDLE},
      {"AOIs of none",
       [&] {
         CAOIEditor* e = nullptr;
         return ztRSAllocAOIInfo(nullptr, &e);
       },
       ZTRS_ERR_BAD_HANDLE},
      {"AOI count of no editor", [&] { return ztRSGetAOINums(nullptr, &columns); }, ZTRS_ERR_BAD_HANDLE},
      {"cell of no handle", [&] { return ztGetCell(nullptr, 0, 0, &x); }, RC_NULL_ARGUMENT},
  };
  for (const auto& c : cases) EXPECT_EQ(c.call(), c.expected) << c.what;
  void* reader = ztRAOpenReader(ds.get(), 0);
  for (long outside : {-1L, 4L, beyond, -beyond})
    EXPECT_EQ(ztRAReadValue(reader, 1, 0, outside, &x, 0), RC_BAD_WINDOW) << outside;
  ztRAFreeReader(reader);
  EXPECT_EQ(std::vector<unsigned char>(pixels, pixels + 12), std::vector<unsigned char>(12, 0));
  ds.reset();
  EXPECT_EQ(ReadBand(dir.File("misuse.tif")), std::vector<double>(12, 0));
  const struct {
    const char* what;
    long columns, rows, bands;
  } sizes[] = {{"no columns", 0, 3, 1},
               {"negative rows", 4, -3, 1},
               {"no bands", 4, 3, 0},
               {"2^32 + 4 columns", beyond + 4, 3, 1},
               {"2^32 + 3 rows", 4, beyond + 3, 1},
               {"2^32 + 1 bands", 4, 3, beyond + 1}};
  for (const auto& s : sizes) {
    const std::string path = dir.File(std::string(s.what) + ".tif");
    EXPECT_EQ(ztRSCreate(ztRSGetDriverByName("GTiff"), path.c_str(), s.columns, s.rows, s.bands, ZTRS_Byte, nullptr),
              nullptr)
        << s.what;
    EXPECT_FALSE(std::filesystem::exists(path)) << s.what;
  }
}

TEST(RasterService, ConversionToTypesTruncatesAndSaturates) {
  const double in[] = {-1.7, 0.9, 254.99, 255.5, 1e10, -1e10, std::nan("")};
  uint8_t bytes[7];
  ASSERT_EQ(ztConvNDValues(in, ZTRS_Byte, bytes, 7), 0);
  EXPECT_EQ(std::vector<int>(bytes, bytes + 7), std::vector<int>({0, 0, 254, 255, 255, 0, 0}));

  int8_t signedBytes[7];
  ztConvNDValues(in, ZTRS_Int8, signedBytes, 7);
  EXPECT_EQ(std::vector<int>(signedBytes, signedBytes + 7), std::vector<int>({-1, 0, 127, 127, 127, -128, 0}));

  uint32_t u32[7];
  ztConvNDValues(in, ZTRS_UInt32, u32, 7);
  EXPECT_EQ(std::vector<uint32_t>({u32[4], u32[5]}), std::vector<uint32_t>({4294967295u, 0u}));

  int32_t i32[7];
  ztConvNDValues(in, ZTRS_Int32, i32, 7);
  EXPECT_EQ(std::vector<int32_t>({i32[0], i32[4], i32[5]}),
            std::vector<int32_t>({-1, std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()}));

  float f[1];
  const double huge = 1e300;
  ztConvNDValues(&huge, ZTRS_Float32, f, 1);
  EXPECT_EQ(f[0], std::numeric_limits<float>::max());

  const uint32_t big = 4294967295u;
  double back = 0;
  ASSERT_EQ(ztRSConvValue(ZTRS_UInt32, &big, back), 0);
  EXPECT_EQ(back, 4294967295.0);
  EXPECT_NE(ztConvNDValues(in, ZTRS_Unknown, bytes, 1), 0);
  for (bool noBuffer : {true, false}) {
    EXPECT_EQ(ztConvNDValues(noBuffer ? in : nullptr, ZTRS_Byte, noBuffer ? nullptr : bytes, 1), RC_NULL_ARGUMENT);
    EXPECT_EQ(ztRSConvNValues(ZTRS_Byte, noBuffer ? nullptr : bytes, 1, noBuffer ? &back : nullptr), RC_NULL_ARGUMENT);
  }
}

TEST(RasterService, CreationOptionsStayTheCallers) {
  TempDir dir;
  const char* options[] = {"TILED=YES", "BLOCKXSIZE=32", "BLOCKYSIZE=32", nullptr};
  for (int i = 0; i < 2; ++i) {
    Handle ds(ztRSCreate(ztRSGetDriverByName("GTiff"), dir.File("o.tif").c_str(), 64, 64, 1, ZTRS_Byte, options));
    ASSERT_TRUE(ds);
    long bx = 0, by = 0;
    ztRSGetBlockSize(ztRSGetRasterBand(ds.get(), 1), &bx, &by);
    EXPECT_EQ(std::pair(bx, by), std::pair(32L, 32L));
  }
  EXPECT_STREQ(options[0], "TILED=YES");
  EXPECT_EQ(ztRSCreate(nullptr, dir.File("x.tif").c_str(), 4, 4, 1, ZTRS_Byte, nullptr), nullptr);
  EXPECT_EQ(ztRSCreate(ztRSGetDriverByName("GTiff"), nullptr, 4, 4, 1, ZTRS_Byte, nullptr), nullptr);
  EXPECT_EQ(ztRSCreate(ztRSGetDriverByName("GTiff"), dir.File("x.tif").c_str(), 0, 4, 1, ZTRS_Byte, nullptr), nullptr);
  EXPECT_EQ(ztRSGetDriverByName("NoSuchDriver"), nullptr);
}

TEST(RasterService, ZtiImagesAreTheFamilysOwnType) {
  TempDir dir;
  auto typeOf = [](const Handle& ds) {
    ZTIMGTYPE type = ZTIMG_OTHER;
    EXPECT_EQ(ztRSGetInternalImgType(ds.get(), type), 0);
    return type;
  };
  void* zti = ztRSGetDriverByName("ZOVREKZTI");
  ASSERT_NE(zti, nullptr);
  Handle a(ztRSCreate(zti, dir.File("a.zti").c_str(), 8, 8, 1, ZTRS_Byte, nullptr));
  ASSERT_TRUE(a);
  EXPECT_EQ(typeOf(a), ZTIMG_ZTI);
  a.reset();
  Handle upper(ztRSOpen(dir.File("a.zti").c_str(), 0));
  ASSERT_TRUE(upper) << "a zti file is a GeoTIFF that GDAL opens";
  EXPECT_EQ(typeOf(upper), ZTIMG_ZTI);
  WriteGeoTiff(dir.File("b.ZTI"), RasterSpec{}, [](int, int, int) { return 0; });
  EXPECT_EQ(typeOf(Handle(ztRSOpen(dir.File("b.ZTI").c_str(), 0))), ZTIMG_ZTI);
  WriteGeoTiff(dir.File("c.tif"), RasterSpec{}, [](int, int, int) { return 0; });
  Handle tif(ztRSOpen(dir.File("c.tif").c_str(), 0));
  EXPECT_EQ(typeOf(tif), ZTIMG_OTHER);
  // Closing a pyramid layer never opened is accepted.
  EXPECT_EQ(ztRSClosePyramidLayer(tif.get()), 0);
  EXPECT_EQ(ztRSOpenPyramidLayer(tif.get(), 1), 0);
  EXPECT_EQ(ztRSClosePyramidLayer(tif.get()), 0);
  EXPECT_EQ(ztRSClosePyramidLayer(tif.get()), 0);
}

TEST(RasterService, BandNotesSurviveReopeningByteForByte) {
  TempDir dir;
  Handle ds(ztRSCreate(ztRSGetDriverByName("ZOVREKZTI"), dir.File("n.zti").c_str(), 4, 4, 1, ZTRS_Byte, nullptr));
  std::vector<unsigned char> note(600);
  for (size_t i = 0; i < note.size(); ++i) note[i] = static_cast<unsigned char>(i * 7);  // zeros included
  void* handle = ztRSGetInternalHandle(ds.get(), "");
  ASSERT_EQ(rsSetBandsNoteInfo(handle, 1, note.data(), static_cast<long>(note.size())), 1);
  ds.reset();

  Handle again(ztRSOpen(dir.File("n.zti").c_str(), 0));
  handle = ztRSGetInternalHandle(again.get(), "");
  long length = 0;
  ASSERT_EQ(rsGetBansNoteInfoLength(handle, 1, &length), 1);
  EXPECT_EQ(length, 600);
  std::vector<unsigned char> read(600);
  ASSERT_EQ(rsGetBandsNoteInfo(handle, 1, read.data(), 600), 1);
  EXPECT_EQ(read, note);
  EXPECT_EQ(rsGetBandsNoteInfo(handle, 1, read.data(), 601), 0) << "more than the note holds";
  EXPECT_EQ(rsGetBansNoteInfoLength(handle, 2, &length), 0) << "no band 2";
}

TEST(RasterService, ColourTablesAreOpaqueAndSurviveReopening) {
  TempDir dir;
  WriteGeoTiff(dir.File("c.tif"), RasterSpec{}, [](int, int, int) { return 1; });
  Handle ds(ztRSOpen(dir.File("c.tif").c_str(), 1));
  EXPECT_EQ(ztRSGetDatasetColorTable(ds.get()), nullptr);
  void* table = ztRSCreateColorTable(1);
  ASSERT_NE(table, nullptr);
  ZTRSColorEntry red{200, 10, 20, 0};
  ztRSSetColorEntry(table, 1, &red);
  ASSERT_EQ(ztRSSetRasterColorTable(ztRSGetRasterBand(ds.get(), 1), table), 0);
  ds.reset();

  GDALAllRegister();
  GDALDataset* gdal = GDALDataset::Open(dir.File("c.tif").c_str(), GDAL_OF_RASTER);
  const GDALColorEntry* e = gdal->GetRasterBand(1)->GetColorTable()->GetColorEntry(1);
  // Alpha 255: classes must not be transparent.
  EXPECT_EQ(std::vector<int>({e->c1, e->c2, e->c3, e->c4}), std::vector<int>({200, 10, 20, 255}));
  GDALClose(gdal);

  Handle again(ztRSOpen(dir.File("c.tif").c_str(), 0));
  void* copy = ztRSGetDatasetColorTable(again.get());
  ZTRSColorEntry entry{};
  ASSERT_EQ(ztRSGetColorEntryAsRGB(copy, 1, &entry), 0);
  EXPECT_EQ(std::vector<int>({entry.c1, entry.c4}), std::vector<int>({200, 0}));
}

TEST(RasterService, CellAccessMatchesTheFile) {
  TempDir dir;
  void* zti = ztRSGetDriverByName("ZOVREKZTI");
  const std::string path = dir.File("cells.zti");
  ASSERT_EQ(ztRSDeleteDataset(zti, path.c_str()), 0) << "deleting what is not there is fine";
  // Blocks of 16 x 16: 361 of them, far more than the cells' cache holds.
  const char* blocks[] = {"BLOCKXSIZE=16", "BLOCKYSIZE=16", nullptr};
  void* ds = ztRSCreate(zti, path.c_str(), 300, 290, 1, ZTRS_Float64, blocks);
  ASSERT_NE(ds, nullptr);
  void* cells = ztRSGetInternalHandle(ds, "ZOVREKZTI");
  ASSERT_NE(cells, nullptr);
  // Column-major walk: crosses blocks all the time.
  for (long c = 0; c < 300; ++c)
    for (long r = 0; r < 290; ++r) ASSERT_EQ(ztSetCell(cells, r, c, r * 1000.0 + c + 0.25), 0);
  // Read back the same way: blocks written back are evicted again clean.
  double v = 0;
  for (long c = 0; c < 300; ++c)
    for (long r = 0; r < 290; ++r) {
      ASSERT_EQ(ztGetCell(cells, r, c, &v), 0);
      ASSERT_EQ(v, r * 1000.0 + c + 0.25);
    }
  EXPECT_NE(ztGetCell(cells, 290, 0, &v), 0);
  EXPECT_NE(ztSetCell(cells, 0, -1, 1.0), 0);
  ASSERT_EQ(ztCloseZtiFileForReadWrite(cells), 0);

  std::vector<double> values = ReadBand(path);
  for (long r = 0; r < 290; ++r)
    for (long c = 0; c < 300; ++c) ASSERT_EQ(values[r * 300 + c], r * 1000.0 + c + 0.25);
  void* again = ztRSCreate(zti, path.c_str(), 2, 2, 1, ZTRS_Float64, nullptr);
  ASSERT_NE(again, nullptr) << "a new file of the same name replaces the old";
  ztRSClose(again);
}

// Pixels 1, 2, 3 and 6 under statistics of other pixels: exact ones come from
// the pixels (mean 3, population deviation sqrt(3.5)).
TEST(RasterService, ExactStatisticsComeFromThePixels) {
  TempDir dir;
  const std::string path = dir.File("s.tif");
  WriteGeoTiff(path, RasterSpec{.columns = 2, .rows = 2},
               [](int, int c, int r) { return r == 1 && c == 1 ? 6.0 : 1.0 + c + 2 * r; });
  GDALDatasetH gdal = GDALOpen(path.c_str(), GA_Update);
  ASSERT_NE(gdal, nullptr);
  ASSERT_EQ(GDALSetRasterStatistics(GDALGetRasterBand(gdal, 1), 0, 1, 0.5, 0.5), CE_None);
  GDALClose(gdal);
  Handle ds(ztRSOpen(path.c_str(), 0));
  ASSERT_TRUE(ds);
  void* band = ztRSGetRasterBand(ds.get(), 1);
  double minimum = 0, maximum = 0, mean = 0, deviation = 0;
  ASSERT_EQ(ztRSGetRasterStatistics(band, 0, 1, &minimum, &maximum, nullptr, nullptr), 0);
  EXPECT_EQ(std::make_pair(minimum, maximum), std::make_pair(1.0, 6.0));
  ASSERT_EQ(ztRSGetRasterStatistics(band, 0, 1, &minimum, &maximum, &mean, &deviation), 0);
  EXPECT_EQ(std::make_pair(minimum, maximum), std::make_pair(1.0, 6.0));
  EXPECT_DOUBLE_EQ(mean, 3.0);
  EXPECT_DOUBLE_EQ(deviation, std::sqrt(3.5));
}

TEST(RasterService, FlushedBlocksGoToTheFileAndReadBackOnSeveralThreads) {
  TempDir dir;
  const std::string path = dir.File("f.tif");
  CPLSetConfigOption("GDAL_NUM_THREADS", "2");
  const char* options[] = {"TILED=YES", "BLOCKXSIZE=16", "BLOCKYSIZE=16", "COMPRESS=DEFLATE", nullptr};
  Handle ds(ztRSCreate(ztRSGetDriverByName("GTiff"), path.c_str(), 70, 50, 1, ZTRS_Byte, options));
  ASSERT_TRUE(ds);
  std::vector<unsigned char> row(70);
  for (long r = 0; r < 50; ++r) {
    for (long c = 0; c < 70; ++c) row[c] = static_cast<unsigned char>((r * 7 + c * 3) % 251);
    ASSERT_EQ(ztRSRasterIO(ztRSGetRasterBand(ds.get(), 1), ZTRS_Write, 0, r, 70, 1, row.data(), 70, 1, ZTRS_Byte, 0, 0),
              0);
  }
  const auto before = std::filesystem::file_size(path);
  ASSERT_EQ(ztRSFlushCache(ds.get()), 0);
  EXPECT_GT(std::filesystem::file_size(path), before + 20 * 8) << "the 20 compressed blocks are in the file";
  for (long r = 0; r < 50; ++r) {
    ASSERT_EQ(ztRSRasterIO(ztRSGetRasterBand(ds.get(), 1), ZTRS_Read, 0, r, 70, 1, row.data(), 70, 1, ZTRS_Byte, 0, 0),
              0);
    for (long c = 0; c < 70; ++c) ASSERT_EQ(row[c], (r * 7 + c * 3) % 251) << r << "," << c;
  }
  ds.reset();
  CPLSetConfigOption("GDAL_NUM_THREADS", nullptr);
  EXPECT_EQ(ztRSFlushCache(nullptr), ZTRS_ERR_BAD_HANDLE);
}

// The cell of latitudes 10..11 and longitudes 20..21, described with x along
// longitude and with x along latitude, has the spherical area R^2 (sin 11 deg
// - sin 10 deg) pi / 180 to well within the ellipsoid's 1%.
TEST(RasterService, GeodesicCellAreaFollowsWhichAxisXRunsAlong) {
  TempDir dir;
  const double pi = std::acos(-1.0), r = 6371007.2;
  const double sphere = r * r * (std::sin(11 * pi / 180) - std::sin(10 * pi / 180)) * pi / 180;
  for (const char* axes : {"2,1\">EPSG:4326</SRS><GeoTransform>20,1,0,11,0,-1",
                           "1,2\">EPSG:4326</SRS><GeoTransform>10,1,0,21,0,-1"}) {
    SCOPED_TRACE(axes);
    std::ofstream(dir.File("cell.vrt")) << "<VRTDataset rasterXSize=\"1\" rasterYSize=\"1\"><SRS dataAxisToSRSAxisMapping=\""
                                        << axes << "</GeoTransform><VRTRasterBand dataType=\"Byte\" band=\"1\"/></VRTDataset>";
    Handle ds(ztRSOpen(dir.File("cell.vrt").c_str(), 0));
    ASSERT_TRUE(ds);
    double area = 0;
    ASSERT_EQ(ztRSGetGeodesicCellArea(ds.get(), 0, 0, &area), 0);
    EXPECT_NEAR(area / sphere, 1.0, 0.01);
    EXPECT_EQ(ztRSGetUserCoordiate(ds.get(), &area, nullptr, &area, &area), ZTRS_ERR_BAD_HANDLE);
  }
}

// An empty buffer is no allocation failure; a negative count is refused.
TEST(ValueDataService, AllocatesNoValuesAndRefusesANegativeCount) {
  void* buffer = nullptr;
  ASSERT_EQ(ztRSNewValueData(ZTRS_Float64, &buffer, 0), 0);
  EXPECT_NE(buffer, nullptr);
  ztRSDelValueData(buffer);
  EXPECT_EQ(ztRSNewValueData(ZTRS_Float64, &buffer, -1), RC_BAD_WINDOW);
  EXPECT_EQ(buffer, nullptr);
}

// Inverses checked by their product with the matrix; the first needs a row
// swap to find a non-zero pivot, the others are singular.
TEST(MatrixService, InvertsWhatNeedsRowSwapsAndRefusesSingularMatrices) {
  const std::vector<std::pair<std::vector<double>, bool>> cases = {
      {{0, 0, 1, 0, 1, 2, 1, 0, 0}, true}, {{4}, true}, {{2, 1, 4, 2}, false}, {{0, 0, 0, 0}, false}};
  for (const auto& [a, invertible] : cases) {
    const long n = std::lround(std::sqrt(double(a.size())));
    std::vector<double> inverse(a.size(), NAN);
    ASSERT_EQ(ztInverseMatrix1(a.data(), n, false, inverse.data()) != 0, invertible) << a[0] << " " << n;
    if (!invertible) continue;
    for (long r = 0; r < n; ++r)
      for (long c = 0; c < n; ++c) {
        double product = 0;
        for (long k = 0; k < n; ++k) product += a[r * n + k] * inverse[k * n + c];
        EXPECT_NEAR(product, r == c, 1e-12) << r << "," << c;
      }
  }
  // An order whose n x n values no memory holds (the product of sizes would
  // wrap around to 2^33 + 1) is refused before a value is read.
  const double one = 1;
  double inverse = 0;
  EXPECT_EQ(ztInverseMatrix1(&one, (1L << 32) + 1, false, &inverse), 0);
}

}  // namespace
