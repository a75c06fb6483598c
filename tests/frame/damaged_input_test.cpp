// Damaged inputs, as they come: a GeoTIFF cut short, one whose compressed
// tile is corrupted, a VRT whose source is missing and one that points at
// itself. One call of each family must fail with the raster service's I/O
// code and say which file failed, never return success over garbage.
#include <gdal_priv.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "test_support.h"
#include "ztclass/accuracy.h"
#include "ztclass/classinfo.h"
#include "ztclass/neural.h"
#include "ztclass/postclass.h"
#include "ztclass/result_codes.h"
#include "ztclass/samples.h"
#include "ztclass/statistical.h"
#include "ztclass/unmixing.h"
#include "ztclass/unsupervised.h"
#include "ztservices/raster.h"

using namespace zttest;

namespace {

constexpr int kSize = 64, kTile = 16, kBands = 3;

// A textured scene that DEFLATE cannot squeeze to nothing, tiled with every
// band in each tile, so that damage to the last tiles (where one training
// area lies) reaches every band and every family of calls.
void WriteScene(const std::string& path) {
  GDALAllRegister();
  GDALDataset* mem = GetGDALDriverManager()->GetDriverByName("MEM")->Create("", kSize, kSize, kBands, GDT_Byte,
                                                                             nullptr);
  std::vector<unsigned char> values(kSize * kSize);
  for (int b = 1; b <= kBands; ++b) {
    unsigned state = 12345u * b;
    for (int i = 0; i < kSize * kSize; ++i) {
      state = state * 1103515245u + 12345u;
      const bool bright = (i % kSize) < kSize / 2;
      values[i] = static_cast<unsigned char>((bright ? 150 : 40) + (state >> 16) % 40 + b * 10);
    }
    ASSERT_EQ(mem->GetRasterBand(b)->RasterIO(GF_Write, 0, 0, kSize, kSize, values.data(), kSize, kSize, GDT_Byte, 0,
                                              0, nullptr),
              CE_None);
  }
  const char* options[] = {"TILED=YES", "BLOCKXSIZE=16", "BLOCKYSIZE=16", "COMPRESS=DEFLATE", "INTERLEAVE=PIXEL",
                           nullptr};
  GDALDataset* tif = GetGDALDriverManager()->GetDriverByName("GTiff")->CreateCopy(
      path.c_str(), mem, FALSE, const_cast<char**>(options), nullptr, nullptr);
  ASSERT_NE(tif, nullptr);
  GDALClose(tif);
  GDALClose(mem);
}

// The byte range of a tile of band 1, from GDAL's view of the TIFF.
void TileRange(const std::string& path, int column, int row, long& offset, long& size) {
  GDALDataset* ds = GDALDataset::Open(path.c_str(), GDAL_OF_RASTER);
  ASSERT_NE(ds, nullptr);
  const std::string suffix = std::to_string(column) + "_" + std::to_string(row);
  const char* o = ds->GetRasterBand(1)->GetMetadataItem(("BLOCK_OFFSET_" + suffix).c_str(), "TIFF");
  const char* s = ds->GetRasterBand(1)->GetMetadataItem(("BLOCK_SIZE_" + suffix).c_str(), "TIFF");
  ASSERT_TRUE(o && s);
  offset = std::atol(o);
  size = std::atol(s);
  GDALClose(ds);
}

struct Damage {
  const char* name;
  // Turns the good scene into the damaged input; returns the input's path.
  std::function<std::string(const TempDir&, const std::string&)> make;
};

const std::vector<Damage> kDamages = {
    {"cut short",
     [](const TempDir& dir, const std::string& good) {
       std::vector<unsigned char> bytes = ReadFileBytes(good);
       bytes.resize(bytes.size() * 3 / 5);
       WriteFileBytes(dir.File("cut.tif"), bytes);
       return dir.File("cut.tif");
     }},
    {"corrupted tile",
     [](const TempDir& dir, const std::string& good) {
       long offset = 0, size = 0;
       TileRange(good, kSize / kTile - 1, kSize / kTile - 1, offset, size);
       std::vector<unsigned char> bytes = ReadFileBytes(good);
       for (long i = offset + 2; i < offset + size - 4; ++i) bytes[i] ^= 0x5a;
       WriteFileBytes(dir.File("corrupt.tif"), bytes);
       return dir.File("corrupt.tif");
     }},
    {"VRT with a missing source",
     [](const TempDir& dir, const std::string&) {
       std::ofstream(dir.File("missing.vrt"))
           << "<VRTDataset rasterXSize=\"64\" rasterYSize=\"64\">\n"
           << [] {
                std::string bands;
                for (int b = 1; b <= kBands; ++b)
                  bands += "<VRTRasterBand dataType=\"Byte\" band=\"" + std::to_string(b) +
                           "\"><SimpleSource><SourceFilename relativeToVRT=\"1\">gone.tif</SourceFilename>"
                           "<SourceBand>" +
                           std::to_string(b) + "</SourceBand></SimpleSource></VRTRasterBand>\n";
                return bands;
              }()
           << "</VRTDataset>\n";
       return dir.File("missing.vrt");
     }},
    {"VRT that points at itself",
     [](const TempDir& dir, const std::string&) {
       std::ofstream out(dir.File("self.vrt"));
       out << "<VRTDataset rasterXSize=\"64\" rasterYSize=\"64\">\n";
       for (int b = 1; b <= kBands; ++b)
         out << "<VRTRasterBand dataType=\"Byte\" band=\"" << b
             << "\"><SimpleSource><SourceFilename relativeToVRT=\"1\">self.vrt</SourceFilename><SourceBand>" << b
             << "</SourceBand></SimpleSource></VRTRasterBand>\n";
       out << "</VRTDataset>\n";
       return dir.File("self.vrt");
     }},
};

// A call of one family on source (training areas attached) with results in
// dir; returns its result code.
struct Family {
  const char* name;
  std::function<long(void* source, const TempDir& dir)> run;
};

void* CreateResult(const TempDir& dir, const char* name, long bands, ZTRSDataType type = ZTRS_Byte) {
  return ztRSCreate(ztRSGetDriverByName("GTiff"), dir.File(name).c_str(), kSize, kSize, bands, type, nullptr);
}

long bandList[kBands] = {1, 2, 3};

const std::vector<Family> kFamilies = {
    {"minimum distance",
     [](void* source, const TempDir& dir) {
       void* result = CreateResult(dir, "mindist.tif", 1);
       float none[kBands] = {};
       const long rc = ztMiniDistANew(source, bandList, kBands, result, kSize, kSize, 0, 0, 0, none, 0, none);
       ztRSClose(result);
       return rc;
     }},
    {"unsupervised minimum distance",
     [](void* source, const TempDir& dir) {
       void* result = CreateResult(dir, "cluster.tif", 1);
       const long rc = ztFJDMiniDist(source, bandList, kBands, 3, 1, result, kSize, kSize, 0, 0);
       ztRSClose(result);
       return rc;
     }},
    {"Kohonen network",
     [](void* source, const TempDir& dir) {
       void* result = CreateResult(dir, "kohonen.tif", 1);
       const long rc = ztKohonenNNClass(source, bandList, kBands, 3, 1, 0.5, 0.01, 3, result, kSize, kSize, 0, 0);
       ztRSClose(result);
       return rc;
     }},
    {"clump",
     [](void* source, const TempDir& dir) {
       void* result = CreateResult(dir, "clumps.tif", 1, ZTRS_UInt32);
       const long rc = ztClassClump(source, 1, result, 1, dir.File("clumps.txt").c_str(), kSize, kSize, 0, 0, 8);
       ztRSClose(result);
       return rc;
     }},
    {"linear unmixing",
     [](void* source, const TempDir& dir) {
       CAOIEditor* editor = nullptr;
       if (long rc = ztRSAllocAOIInfo(source, &editor)) return rc;
       long count = 0;
       ztGetClassAOINum(editor, count);
       std::vector<AOI> aois(count, AOI{});
       ztGetClassAOIInfo(editor, count, aois.data());
       void* result = CreateResult(dir, "fractions.tif", count, ZTRS_Float32);
       const long rc = ztLinearDecompose(source, bandList, kBands, aois.data(), count, result, kSize, kSize, 0, 0);
       ztRSClose(result);
       ztRSFreeAOIInfo(editor);
       return rc;
     }},
    {"accuracy",
     [](void* source, const TempDir& dir) {
       void* classes = CreateResult(dir, "classes.tif", 1);
       std::vector<CLASSATTINFO> records(2, CLASSATTINFO{});
       records[0].classNo = 1;
       records[1].classNo = 2;
       ztRSWriteClassInfo(classes, 2, records.data());
       const long rc = ztAccuracyAppraise(classes, dir.File("report.txt").c_str(), nullptr, nullptr, source, true, true,
                                          true, true);
       ztRSClose(classes);
       return rc;
     }},
};

TEST(DamagedInput, EveryFamilyFailsWithTheIOCodeAndNamesTheFile) {
  TempDir dir;
  const std::string good = dir.File("scene.tif");
  WriteScene(good);
  for (const Damage& damage : kDamages) {
    const std::string input = damage.make(dir, good);
    for (const Family& family : kFamilies) {
      SCOPED_TRACE(std::string(damage.name) + ", " + family.name);
      void* source = ztRSOpen(input.c_str(), 0);
      if (!source) {
        // Damage that GDAL sees on opening is refused before any call.
        EXPECT_NE(std::string(damage.name).find("VRT"), std::string::npos);
        continue;
      }
      AddAoi(source, {{2, 2, 12, 2, 12, 12, 2, 12}}, "bright");
      AddAoi(source, {{50, 50, 60, 50, 60, 60, 50, 60}}, "dark");
      EXPECT_EQ(family.run(source, dir), RC_RASTER_IO_FAILED);
      const std::string reason = ztRSLastIOError();
      EXPECT_NE(reason.find(input), std::string::npos) << reason;
      ztRSClose(source);
    }
  }
}

TEST(DamagedInput, TheGoodSceneClassifies) {
  TempDir dir;
  const std::string good = dir.File("scene.tif");
  WriteScene(good);
  for (const Family& family : kFamilies) {
    SCOPED_TRACE(family.name);
    void* source = ztRSOpen(good.c_str(), 0);
    AddAoi(source, {{2, 2, 12, 2, 12, 12, 2, 12}}, "bright");
    AddAoi(source, {{50, 50, 60, 50, 60, 60, 50, 60}}, "dark");
    EXPECT_EQ(family.run(source, dir), RC_OK);
    ztRSClose(source);
  }
}

}  // namespace
