#pragma once
// An uninitialised array in huge pages where the system gives them on
// request: a window's labels run to hundreds of megabytes, and taking them
// from the kernel 4 KiB at a time costs a page fault each, as much as a
// third of labelling them.
#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>

namespace zt {

template <typename T>
class LargeArray {
 public:
  explicit LargeArray(long count) {
    constexpr size_t kHugePage = size_t(2) << 20;
    // At least one page: aligned_alloc may give no memory for 0 bytes, and an
    // empty window is no allocation failure.
    const size_t bytes = std::max<size_t>(1, (size_t(count) * sizeof(T) + kHugePage - 1) / kHugePage) * kHugePage;
    void* memory = std::aligned_alloc(kHugePage, bytes);
    if (!memory) throw std::bad_alloc();
    madvise(memory, bytes, MADV_HUGEPAGE);
    values_.reset(static_cast<T*>(memory));
  }
  T& operator[](long i) { return values_.get()[i]; }
  const T& operator[](long i) const { return values_.get()[i]; }

 private:
  struct Free {
    void operator()(T* p) const { std::free(p); }
  };
  std::unique_ptr<T, Free> values_;
};

}  // namespace zt
