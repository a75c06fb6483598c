// Class records in the band note of a zti image. The first byte chooses how
// the rest reaches the note: even, as bytes stored through the band note
// service; odd, as the text the image file itself holds (base64 or not).
#include <gdal.h>

#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "ztclass/classinfo.h"
#include "ztclass/result_codes.h"
#include "ztservices/bandnote.h"
#include "ztservices/raster.h"

namespace {

// Where the band note service keeps a note in the image file.
constexpr const char* kNoteDomain = "ZTCLASS_BAND_NOTE";
constexpr const char* kNoteItem = "NOTE";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static void* const image = ztfuzz::NewImage("image.zti", 2, 2, 1, ZTRS_Byte, "ZOVREKZTI");
  if (size == 0) return 0;
  const bool stored = data[0] % 2 == 0;
  const uint8_t* note = data + 1;
  const size_t length = size - 1;
  if (stored) {
    if (rsSetBandsNoteInfo(ztRSGetInternalHandle(image, ""), 1, note, long(length)) != 1)
      ztfuzz::Broken("a note not stored");
  } else {
    const std::string text(reinterpret_cast<const char*>(note), length);
    GDALSetMetadataItem(GDALGetRasterBand(ztRSGetGDALDataset(image), 1), kNoteItem, text.c_str(),
                        kNoteDomain);
  }
  long count = -1;
  if (ztRSReadClsNum(image, count) != RC_OK || count < 0) ztfuzz::Broken("a note not counted");
  if (stored && count != long(length / sizeof(CLASSATTINFO))) ztfuzz::Broken("a count other than the note's");
  std::vector<CLASSATTINFO> records(count + 1);
  const long rc = ztRSReadClassInfo(image, count, records.data());
  if (rc != RC_OK && rc != RC_CLASS_INFO_IO_FAILED) ztfuzz::Broken("an unexpected result code");
  if (stored && rc == RC_OK && std::memcmp(records.data(), note, count * sizeof(CLASSATTINFO)) != 0)
    ztfuzz::Broken("records differ from the note");
  if (ztRSReadClassInfo(image, count + 1, records.data()) != RC_CLASS_INFO_IO_FAILED)
    ztfuzz::Broken("more records than the note holds");
  return 0;
}
