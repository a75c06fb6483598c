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

}  // namespace zt
