// Clump and sieve statistics files, read by sieve and eliminate with a small
// fixed clump image, over the whole image and over a window.
#include "fuzz_support.h"
#include "ztclass/postclass.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

namespace {

using ztfuzz::kColumns;
using ztfuzz::kRows;

struct Images {
  void* clumps;
  void* result;
  std::string input = ztfuzz::ScratchFile("input.txt");
  Images() {
    if (ztfuzz::MakeClumpImage(ztfuzz::ScratchFile("classes.tif"), ztfuzz::ScratchFile("clumps.tif"),
                               ztfuzz::ScratchFile("clumps.txt")) != RC_OK)
      ztfuzz::Broken("no clump image");
    clumps = ztRSOpen(ztfuzz::ScratchFile("clumps.tif").c_str(), 0);
    result = ztfuzz::NewImage("result.tif", kColumns, kRows, 1, ZTRS_UInt32);
    if (!clumps) ztfuzz::Broken("no clump image");
  }
};

// What a statistics file, however bad, may lead to.
void Expect(long rc) {
  if (rc != RC_OK && rc != RC_INPUT_FILE_FAILED && rc != RC_BAD_WINDOW) ztfuzz::Broken("an unexpected result code");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Images images;
  ztfuzz::WriteBytes(images.input, data, size);
  const char* in = images.input.c_str();
  Expect(ztClassSieve(images.clumps, 1, in, images.result, 1, "/dev/null", kRows, kColumns, 0, 0, 3));
  Expect(ztClassEliminate(images.clumps, 1, in, images.result, 1, "/dev/null", kRows, kColumns, 0, 0, 4));
  Expect(ztClassEliminate(images.clumps, 1, in, images.result, 1, "/dev/null", 4, 5, 1, 2, 5));
  return 0;
}
