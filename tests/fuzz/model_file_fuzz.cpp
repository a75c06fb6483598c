// The model reader: any bytes either load as a model that describes itself,
// saves to the same bytes and classifies a small image, or are refused with
// RC_BAD_MODEL_FILE, a message and no model.
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "ztclass/model.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

namespace {

constexpr long kBands = 4, kSide = 6;

// A 4-band image whose values cover a range, and a result of its size.
struct Images {
  void* source = ztfuzz::NewImage("model_source.tif", kSide, kSide, kBands);
  void* result = ztfuzz::NewImage("model_result.tif", kSide, kSide);
  Images() {
    for (long b = 1; b <= kBands; ++b)
      for (long i = 0; i < kSide * kSide; ++i) {
        unsigned char v = static_cast<unsigned char>((i * 37 + b * 71) % 256);
        ztRSRasterIO(ztRSGetRasterBand(source, b), ZTRS_Write, i % kSide, i / kSide, 1, 1, &v, 1, 1, ZTRS_Byte, 0, 0);
      }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Images images;
  ZTModel* model = nullptr;
  const long rc = ztModelLoadFromBuffer(data, size, &model);
  if (rc != RC_OK) {
    if (rc != RC_BAD_MODEL_FILE || model || !*ztModelLastError()) ztfuzz::Broken("a refusal without its code or message");
    return 0;
  }
  if (!*ztModelDescribe(model)) ztfuzz::Broken("no description");
  void* saved = nullptr;
  size_t savedSize = 0;
  if (ztModelSaveToBuffer(model, &saved, &savedSize) != RC_OK) ztfuzz::Broken("a loaded model does not save");
  ZTModel* again = nullptr;
  if (ztModelLoadFromBuffer(saved, savedSize, &again) != RC_OK ||
      std::strcmp(ztModelDescribe(again), ztModelDescribe(model)) != 0)
    ztfuzz::Broken("a saved model does not load as itself");
  ztModelFree(again);
  ztModelFreeBuffer(saved);
  long bands[1024];
  long count = 0;
  for (; count < kBands; ++count) {
    bands[count] = count + 1;
    if (ztModelApply(model, images.source, bands, count + 1, images.result, nullptr, kSide, kSide, 0, 0, nullptr) !=
        RC_BAD_PARAMETER)
      break;
  }
  ztModelFree(model);
  return 0;
}
