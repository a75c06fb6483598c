#pragma once
#include "ztservices/raster.h"

namespace zt {

// A typed value buffer of the raster dataset service, released on scope exit.
class ValueBuffer {
 public:
  ValueBuffer() = default;
  ~ValueBuffer() { ztRSDelValueData(data_); }
  ValueBuffer(const ValueBuffer&) = delete;
  ValueBuffer& operator=(const ValueBuffer&) = delete;

  // 0 or the service's code.
  long Allocate(ZTRSDataType type, long count) {
    ztRSDelValueData(data_);
    data_ = nullptr;
    return ztRSNewValueData(type, &data_, count);
  }
  void* Data() const { return data_; }

 private:
  void* data_ = nullptr;
};

// The one type the listed bands are read in, by training and classification
// alike: theirs, or, for bands of different types (a stack of a Byte and a
// UInt16 band, say), one that holds the values of all of them exactly.
inline ZTRSDataType BandsReadType(void* const* bands, long count) {
  ZTRSDataType type = count > 0 ? ztRSGetBandType(bands[0]) : ZTRS_Unknown;
  for (long b = 1; b < count; ++b)
    if (ztRSGetBandType(bands[b]) != type) type = ZTRS_Float64;
  return type;
}

}  // namespace zt
