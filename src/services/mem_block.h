#pragma once
#include "ztservices/imagebase.h"

namespace zt {

// A memory block of the image base service, released on scope exit.
class MemBlock {
 public:
  MemBlock() = default;
  ~MemBlock() { ztMemFree(data_); }
  MemBlock(const MemBlock&) = delete;
  MemBlock& operator=(const MemBlock&) = delete;

  // Allocates and zeroes; 0 or the service's code.
  long AllocateZeroed(long bytes) {
    ztMemFree(data_);
    data_ = nullptr;
    if (long rc = ztMemAlloc(&data_, bytes)) return rc;
    ztMemSetZero(data_, bytes);
    return 0;
  }
  unsigned char* Bytes() const { return static_cast<unsigned char*>(data_); }

 private:
  void* data_ = nullptr;
};

}  // namespace zt
