// Writes the seed corpus of the fuzz targets into the folder given, one
// sub-folder per target, from what the library itself writes.
#include <cpl_conv.h>
#include <cpl_string.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "ztclass/classinfo.h"
#include "ztclass/postclass.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"
#include "ztservices/sysroot.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  ztfuzz::WriteBytes(path.string(), reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

CLASSATTINFO Record(int number, const char* name, int red, int green, int blue, const char* remark) {
  CLASSATTINFO record{};
  record.classNo = static_cast<unsigned char>(number);
  std::strcpy(record.name, name);
  record.red = static_cast<unsigned char>(red);
  record.green = static_cast<unsigned char>(green);
  record.blue = static_cast<unsigned char>(blue);
  std::strcpy(record.remark, remark);
  return record;
}

void ClassInfoSeeds(const fs::path& folder) {
  const CLASSATTINFO records[3] = {Record(1, "水体", 0, 0, 255, "water"), Record(2, "Forest", 0, 128, 0, ""),
                                   Record(3, "Urban", 200, 30, 30, "built-up")};
  const std::string scratch = ztfuzz::ScratchFile("seed.cls");
  for (long count : {0L, 3L}) {
    ztWriteClassInfo(scratch.c_str(), count, const_cast<CLASSATTINFO*>(records));
    Write(folder / ("records_" + std::to_string(count) + ".cls"), ReadAll(scratch));
  }
}

void BandNoteSeeds(const fs::path& folder) {
  const CLASSATTINFO records[2] = {Record(1, "Class_1", 10, 20, 30, ""), Record(2, "Class_2", 40, 50, 60, "")};
  const std::string bytes(reinterpret_cast<const char*>(records), sizeof records);
  Write(folder / "stored_two_records", '\0' + bytes);
  Write(folder / "stored_segmentation", '\0' + (".seg" + bytes.substr(4)));
  char* text = CPLBase64Encode(int(sizeof(CLASSATTINFO)), reinterpret_cast<const GByte*>(records));
  Write(folder / "text_one_record", '\1' + std::string(text));
  CPLFree(text);
}

void StepLutSeeds(const fs::path& folder) {
  ZTSYSROOT root;
  ztGetSystemRoot(&root);
  std::string ramp = ReadAll(std::string(root.systemDir) + "/lut/step.lut");
  if (ramp.size() < 396) ztfuzz::Broken("no step colour file to start from");
  for (unsigned char n : {4, 255}) {
    ramp[0] = static_cast<char>(n);
    Write(folder / ("ramp_" + std::to_string(n) + "_classes.lut"), ramp);
  }
}

void StatisticsSeeds(const fs::path& folder) {
  const std::string clumps = ztfuzz::ScratchFile("clumps.tif"), clumpText = ztfuzz::ScratchFile("clumps.txt");
  if (ztfuzz::MakeClumpImage(ztfuzz::ScratchFile("classes.tif"), clumps, clumpText) != RC_OK)
    ztfuzz::Broken("clump failed");
  Write(folder / "clump.txt", ReadAll(clumpText));
  void* source = ztRSOpen(clumps.c_str(), 0);
  void* gtiff = ztRSGetDriverByName("GTiff");
  void* sieved = ztRSCreate(gtiff, ztfuzz::ScratchFile("sieved.tif").c_str(), ztfuzz::kColumns, ztfuzz::kRows, 1,
                            ZTRS_UInt32, nullptr);
  const std::string sieveText = ztfuzz::ScratchFile("sieve.txt"), eliminateText = ztfuzz::ScratchFile("e.txt");
  if (ztClassSieve(source, 1, clumpText.c_str(), sieved, 1, sieveText.c_str(), ztfuzz::kRows, ztfuzz::kColumns, 0, 0,
                   3) != RC_OK)
    ztfuzz::Broken("sieve failed");
  Write(folder / "sieve.txt", ReadAll(sieveText));
  if (ztClassEliminate(source, 1, clumpText.c_str(), sieved, 1, eliminateText.c_str(), ztfuzz::kRows,
                       ztfuzz::kColumns, 0, 0, 4) != RC_OK)
    ztfuzz::Broken("eliminate failed");
  Write(folder / "eliminate.txt", ReadAll(eliminateText));
  ztRSClose(sieved);
  ztRSClose(source);
}

void AoiSeeds(const fs::path& folder) {
  // In the image's CRS: grouped by class, a hole, a multipolygon, colours.
  Write(folder / "utm_classes.geojson", R"({"type":"FeatureCollection",
"crs":{"type":"name","properties":{"name":"urn:ogc:def:crs:EPSG::32633"}},
"features":[
{"type":"Feature","properties":{"class":"water","color":"#0A0B0C","remark":"sea"},
 "geometry":{"type":"Polygon","coordinates":[[[500030,3999970],[500300,3999970],[500300,3999700],[500030,3999700],[500030,3999970]],
  [[500100,3999900],[500200,3999900],[500200,3999800],[500100,3999900]]]}},
{"type":"Feature","properties":{"class":"forest","red":1,"green":2,"blue":300,"type":3},
 "geometry":{"type":"MultiPolygon","coordinates":[[[[500330,3999670],[500500,3999670],[500500,3999500],[500330,3999670]]],
  [[[500010,3999490],[500100,3999490],[500100,3999400],[500010,3999490]]]]}},
{"type":"Feature","properties":{"class":"water"},
 "geometry":{"type":"Polygon","coordinates":[[[500400,3999450],[500590,3999450],[500590,3999410],[500400,3999450]]]}},
{"type":"Feature","properties":{"class":"road","type":1},
 "geometry":{"type":"LineString","coordinates":[[500000,4000000],[500600,3999400]]}}
]})");
  // In pixels, integer classes, no CRS.
  Write(folder / "pixel_integer_classes.geojson", R"({"type":"FeatureCollection","features":[
{"type":"Feature","properties":{"class":2,"name":"B"},"geometry":{"type":"Polygon","coordinates":[[[10,10],[12,10],[12,12],[10,12],[10,10]]]}},
{"type":"Feature","properties":{"class":1,"name":"A"},"geometry":{"type":"GeometryCollection","geometries":[
 {"type":"Polygon","coordinates":[[[0,0],[4,0],[4,8],[0,8],[0,0]]]},{"type":"Point","coordinates":[3,3]}]}}
]})");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_seeds CORPUS_FOLDER\n");
    return 2;
  }
  ztfuzz::QuietGdal();
  const fs::path root = argv[1];
  ClassInfoSeeds(root / "class_info_file");
  BandNoteSeeds(root / "band_note");
  StepLutSeeds(root / "step_lut");
  StatisticsSeeds(root / "statistics");
  AoiSeeds(root / "aoi_vector");
  return 0;
}
