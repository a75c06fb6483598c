#pragma once
// What the fuzz targets share: a scratch folder of the process's own, file
// writing, quiet GDAL, and the fixed clump image the statistics target reads.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ztservices/raster.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace ztfuzz {

// A folder made on first use and removed at exit.
const std::string& Scratch();
std::string ScratchFile(const std::string& name);

void WriteBytes(const std::string& path, const uint8_t* data, size_t size);

// Registers GDAL's drivers and silences its error messages: bad input is the
// normal case here.
void QuietGdal();

// A new image of the scratch folder (quiet GDAL first); ends the process when
// it cannot be made.
void* NewImage(const std::string& name, long columns, long rows, long bands = 1, ZTRSDataType type = ZTRS_Byte,
               const char* driver = "GTiff");

// Ends the process so that the fuzzer reports the input: a reader broke a
// promise that its header makes.
[[noreturn]] void Broken(const char* what);

// The class image from which the fixed clump image is made (rows x columns).
constexpr long kRows = 6;
constexpr long kColumns = 8;
// Writes the class image and clumps it (4-neighbourhood) into clumpsPath,
// with its statistics at statisticsPath. Returns the clump result code.
long MakeClumpImage(const std::string& classesPath, const std::string& clumpsPath,
                    const std::string& statisticsPath);

}  // namespace ztfuzz
