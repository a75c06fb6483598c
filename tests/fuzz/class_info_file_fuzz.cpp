// The class-information file beside an image, read as a host reads it: the
// count, records for that count, and a fixed number of records.
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "ztclass/classinfo.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

namespace {

struct Image {
  void* dataset = ztfuzz::NewImage("image.tif", 2, 2);
  std::string classFile = ztfuzz::ScratchFile("image.cls");
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Image image;
  ztfuzz::WriteBytes(image.classFile, data, size);
  long count = -1;
  const long rc = ztRSReadClsNum(image.dataset, count);
  if (rc == RC_OK) {
    if (count < 0 || (size < 29 && count != 0) || (size >= 29 && count > long(size - 29) / 260))
      ztfuzz::Broken("a count the file does not hold");
    std::vector<CLASSATTINFO> records(count);
    if (ztRSReadClassInfo(image.dataset, count, records.data()) != RC_OK) ztfuzz::Broken("records of a good count");
    if (count > 0 && std::memcmp(records.data(), data + 29, count * sizeof(CLASSATTINFO)) != 0)
      ztfuzz::Broken("records differ from the file");
  } else if (rc != RC_CLS_FILE_BAD_HEADER) {
    ztfuzz::Broken("an unexpected result code");
  }
  CLASSATTINFO four[4];
  const long fixed = ztRSReadClassInfo(image.dataset, 4, four);
  if (fixed != RC_OK && fixed != RC_CLS_FILE_BAD_HEADER) ztfuzz::Broken("an unexpected result code");
  return 0;
}
