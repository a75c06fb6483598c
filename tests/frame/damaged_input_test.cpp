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
#include "ztservices/adapter.h"
#include "ztservices/raster.h"

using namespace zttest;

namespace {

constexpr int kSize = 64, kTile = 16, kBands = 3;

// A textured scene that DEFLATE cannot squeeze to nothing, tiled with every
// band in each tile, so that damage to the last tiles (where one training
// area lies) reaches every band and every family of calls.
void WriteScene(const std::string& path) {
  GDALAllRegister();
  auto* mem = GetGDALDriverManager()->GetDriverByName("MEM")->Create("", kSize, kSize, kBands, GDT_Byte, nullptr);
  std::vector<unsigned char> values(kSize * kSize);
  for (int b = 1; b <= kBands; ++b) {
    unsigned state = 12345u * b;
    for (int i = 0; i < kSize * kSize; ++i) {
      state = state * 1103515245u + 12345u;
      const bool bright = (i % kSize) < kSize / 2;
      values[i] = static_cast<unsigned char>((bright ? 150 : 40) + (state >> 16) % 40 + b * 10);
    }
    ASSERT_EQ(CE_None, mem->GetRasterBand(b)->RasterIO(GF_Write, 0, 0, kSize, kSize, values.data(), kSize, kSize,
                                                       GDT_Byte, 0, 0, nullptr));
  }
  const char* options[] = {"TILED=YES", "BLOCKXSIZE=16", "BLOCKYSIZE=16", "COMPRESS=DEFLATE", "INTERLEAVE=PIXEL",
                           nullptr};
  GDALDataset* tif = GetGDALDriverManager()->GetDriverByName("GTiff")->CreateCopy(
      path.c_str(), mem, FALSE, const_cast<char**>(options), nullptr, nullptr);
  ASSERT_NE(tif, nullptr);
  GDALClose(tif);
  GDALClose(mem);
}

// The byte range of band 1's last tile, from GDAL's view of the TIFF.
void LastTile(const std::string& path, long& offset, long& size) {
  GDALDataset* ds = GDALDataset::Open(path.c_str(), GDAL_OF_RASTER);
  ASSERT_NE(ds, nullptr);
  const std::string tile = std::to_string(kSize / kTile - 1) + "_" + std::to_string(kSize / kTile - 1);
  const char* o = ds->GetRasterBand(1)->GetMetadataItem(("BLOCK_OFFSET_" + tile).c_str(), "TIFF");
  const char* s = ds->GetRasterBand(1)->GetMetadataItem(("BLOCK_SIZE_" + tile).c_str(), "TIFF");
  ASSERT_TRUE(o && s);
  offset = std::atol(o), size = std::atol(s);
  GDALClose(ds);
}

// A VRT named name whose bands read those of the file source beside it.
std::string Vrt(const TempDir& dir, const std::string& name, const std::string& source) {
  std::ofstream out(dir.File(name));
  out << "<VRTDataset rasterXSize=\"64\" rasterYSize=\"64\">\n";
  for (int b = 1; b <= kBands; ++b)
    out << "<VRTRasterBand dataType=\"Byte\" band=\"" << b << "\"><SimpleSource><SourceFilename relativeToVRT=\"1\">"
        << source << "</SourceFilename><SourceBand>" << b << "</SourceBand></SimpleSource></VRTRasterBand>\n";
  out << "</VRTDataset>\n";
  return dir.File(name);
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
       LastTile(good, offset, size);
       std::vector<unsigned char> bytes = ReadFileBytes(good);
       for (long i = offset + 2; i < offset + size - 4; ++i) bytes[i] ^= 0x5a;
       WriteFileBytes(dir.File("corrupt.tif"), bytes);
       return dir.File("corrupt.tif");
     }},
    {"VRT with a missing source", [](const TempDir& dir, const std::string&) { return Vrt(dir, "missing.vrt", "gone.tif"); }},
    {"VRT that points at itself", [](const TempDir& dir, const std::string&) { return Vrt(dir, "self.vrt", "self.vrt"); }},
};

// A call of one family on source (training areas "bright" and "dark"
// attached) into a new result of the given bands and type; returns its
// result code.
struct Family {
  const char* name;
  long bands;
  ZTRSDataType type;
  std::function<long(void* source, void* result, const TempDir& dir)> run;
};

long bandList[kBands] = {1, 2, 3};
float none[kBands] = {};

const std::vector<Family> kFamilies = {
    {"minimum distance", 1, ZTRS_Byte,
     [](void* source, void* result, const TempDir&) {
       return ztMiniDistANew(source, bandList, kBands, result, kSize, kSize, 0, 0, 0, none, 0, none);
     }},
    {"unsupervised minimum distance", 1, ZTRS_Byte,
     [](void* source, void* result, const TempDir&) {
       return ztFJDMiniDist(source, bandList, kBands, 3, 1, result, kSize, kSize, 0, 0);
     }},
    {"Kohonen network", 1, ZTRS_Byte,
     [](void* source, void* result, const TempDir&) {
       return ztKohonenNNClass(source, bandList, kBands, 3, 1, 0.5, 0.01, 3, result, kSize, kSize, 0, 0);
     }},
    {"raster adapter", 1, ZTRS_Byte,  // a pixel of the last tile
     [](void* source, void*, const TempDir&) {
       std::unique_ptr<void, decltype(&ztRAFreeReader)> reader(ztRAOpenReader(source, 0), ztRAFreeReader);
       double v = 0;
       return ztRAReadValue(reader.get(), 1, kSize - 1, kSize - 1, &v, 0);
     }},
    {"clump", 1, ZTRS_UInt32,
     [](void* source, void* result, const TempDir& dir) {
       return ztClassClump(source, 1, result, 1, dir.File("clumps.txt").c_str(), kSize, kSize, 0, 0, 8);
     }},
    {"linear unmixing", 2, ZTRS_Float32,
     [](void* source, void* result, const TempDir&) {
       CAOIEditor* editor = nullptr;
       if (long rc = ztRSAllocAOIInfo(source, &editor)) return rc;
       long count = 0;
       ztGetClassAOINum(editor, count);
       std::vector<AOI> aois(count, AOI{});
       ztGetClassAOIInfo(editor, count, aois.data());
       const long rc = ztLinearDecompose(source, bandList, kBands, aois.data(), count, result, kSize, kSize, 0, 0);
       ztRSFreeAOIInfo(editor);
       return rc;
     }},
    {"accuracy", 1, ZTRS_Byte,  // the result is the class image, source the reference
     [](void* source, void* classes, const TempDir& dir) {
       std::vector<CLASSATTINFO> records(2, CLASSATTINFO{});
       records[0].classNo = 1;
       records[1].classNo = 2;
       ztRSWriteClassInfo(classes, 2, records.data());
       return ztAccuracyAppraise(classes, dir.File("report.txt").c_str(), nullptr, nullptr, source, true, true, true,
                                 true);
     }},
};

// Opens input, attaches the training areas and runs family, keeping the
// I/O error it leaves in reason; -1 when GDAL refuses to open the input.
long RunFamily(const Family& family, const std::string& input, const TempDir& dir, std::string* reason = nullptr) {
  void* source = ztRSOpen(input.c_str(), 0);
  if (!source) return -1;
  AddAoi(source, {{2, 2, 12, 2, 12, 12, 2, 12}}, "bright");
  AddAoi(source, {{50, 50, 60, 50, 60, 60, 50, 60}}, "dark");
  void* result = ztRSCreate(ztRSGetDriverByName("GTiff"), dir.File("result.tif").c_str(), kSize, kSize, family.bands,
                            family.type, nullptr);
  const long rc = family.run(source, result, dir);
  if (reason) *reason = ztRSLastIOError();
  ztRSClose(result);
  ztRSClose(source);
  return rc;
}

TEST(DamagedInput, EveryFamilyFailsWithTheIOCodeAndNamesTheFile) {
  TempDir dir;
  const std::string good = dir.File("scene.tif");
  WriteScene(good);
  for (const Family& family : kFamilies) EXPECT_EQ(RunFamily(family, good, dir), RC_OK) << "the good scene, " << family.name;
  for (const Damage& damage : kDamages) {
    const std::string input = damage.make(dir, good);
    for (const Family& family : kFamilies) {
      SCOPED_TRACE(std::string(damage.name) + ", " + family.name);
      std::string reason;
      const long rc = RunFamily(family, input, dir, &reason);
      if (rc == -1) {
        // Damage that GDAL sees on opening is refused before any call.
        EXPECT_NE(std::string(damage.name).find("VRT"), std::string::npos);
        continue;
      }
      EXPECT_EQ(rc, RC_RASTER_IO_FAILED);
      EXPECT_NE(reason.find(input), std::string::npos) << reason;
    }
  }
}

}  // namespace
