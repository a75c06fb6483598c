// The step colour file, read when an unsupervised result gets its colours.
// Bytes 0 to 391 are not the reader's, so the first byte doubles as the
// class count n (0 to 255).
#include <stdlib.h>

#include <filesystem>

#include "fuzz_support.h"
#include "ztclass/classinfo.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

namespace {

// In memory, so that the class records' file beside the image cannot be
// made, which the routine does not report.
struct StepHome {
  std::string file;
  void* dataset;
  StepHome() {
    ztfuzz::QuietGdal();
    std::filesystem::create_directories(ztfuzz::ScratchFile("home/lut"));
    setenv("ZTCLASS_HOME", ztfuzz::ScratchFile("home").c_str(), 1);
    file = ztfuzz::ScratchFile("home/lut/step.lut");
    dataset = ztRSCreate(ztRSGetDriverByName("GTiff"), "/vsimem/step.tif", 2, 2, 1, ZTRS_Byte, nullptr);
    if (!dataset) ztfuzz::Broken("no image");
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static StepHome home;
  ztfuzz::WriteBytes(home.file, data, size);
  const long n = size ? data[0] : 1;
  if (ztRSWriteClassAtt(home.dataset, ztRSGetRasterBand(home.dataset, 1), n, nullptr) != RC_OK)
    ztfuzz::Broken("a step file made an error");
  return 0;
}
