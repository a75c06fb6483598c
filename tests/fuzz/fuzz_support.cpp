#include "fuzz_support.h"

#include <cpl_error.h>
#include <gdal.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "ztclass/postclass.h"
#include "ztservices/raster.h"

namespace ztfuzz {

namespace {

struct ScratchFolder {
  std::string path;
  ScratchFolder() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/ztfuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) Broken("no scratch folder");
    path = pattern;
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

struct Closer {
  void operator()(void* ds) const { ztRSClose(ds); }
};

// Classes 0 to 4 in clumps of 1 to 12 pixels, diagonal touches included.
constexpr unsigned char kClasses[kRows][kColumns] = {
    {1, 1, 2, 2, 2, 0, 3, 3}, {1, 4, 2, 0, 2, 0, 3, 1}, {1, 1, 0, 4, 4, 3, 3, 1},
    {2, 0, 0, 4, 1, 3, 2, 1}, {2, 2, 3, 3, 1, 1, 2, 2}, {0, 2, 3, 4, 4, 1, 0, 2},
};

}  // namespace

const std::string& Scratch() {
  static ScratchFolder folder;
  return folder.path;
}

std::string ScratchFile(const std::string& name) { return Scratch() + "/" + name; }

void WriteBytes(const std::string& path, const uint8_t* data, size_t size) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!file || (size && std::fwrite(data, 1, size, file.get()) != size)) Broken("cannot write the input");
}

void QuietGdal() {
  GDALAllRegister();
  CPLSetErrorHandler(CPLQuietErrorHandler);
}

void* NewImage(const std::string& name, long columns, long rows, long bands, ZTRSDataType type, const char* driver) {
  QuietGdal();
  void* image = ztRSCreate(ztRSGetDriverByName(driver), ScratchFile(name).c_str(), columns, rows, bands, type, nullptr);
  if (!image) Broken("no image");
  return image;
}

void Broken(const char* what) {
  std::fprintf(stderr, "fuzz target: %s\n", what);
  std::abort();
}

long MakeClumpImage(const std::string& classesPath, const std::string& clumpsPath,
                    const std::string& statisticsPath) {
  QuietGdal();
  void* gtiff = ztRSGetDriverByName("GTiff");
  {
    std::unique_ptr<void, Closer> classes(
        ztRSCreate(gtiff, classesPath.c_str(), kColumns, kRows, 1, ZTRS_Byte, nullptr));
    if (!classes) return -1;
    for (long r = 0; r < kRows; ++r)
      ztRSRasterIO(ztRSGetRasterBand(classes.get(), 1), ZTRS_Write, 0, r, kColumns, 1,
                   const_cast<unsigned char*>(kClasses[r]), kColumns, 1, ZTRS_Byte, 0, 0);
  }
  std::unique_ptr<void, Closer> classes(ztRSOpen(classesPath.c_str(), 0));
  std::unique_ptr<void, Closer> clumps(
      ztRSCreate(gtiff, clumpsPath.c_str(), kColumns, kRows, 1, ZTRS_UInt32, nullptr));
  return ztClassClump(classes.get(), 1, clumps.get(), 1, statisticsPath.c_str(), kRows, kColumns, 0, 0, 4);
}

}  // namespace ztfuzz
