#pragma once
// An uninitialised array, in huge pages where it is large and the system
// gives them on request: a window's labels run to hundreds of megabytes, and
// taking them from the kernel 4 KiB at a time costs a page fault each, as
// much as a third of labelling them. A small array (a tile's, a small
// window's) stays in the heap: a huge page would cost it 2 MiB of zeroing
// at every call.
#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>

namespace zt {

constexpr size_t kHugePage = size_t(2) << 20, kHugePagesFrom = 16 * kHugePage;

// Memory that std::free releases; null when none is left.
inline void* AllocateLarge(size_t bytes) {
  // At least a byte: an empty window is no allocation failure.
  bytes = std::max<size_t>(1, bytes);
  if (bytes < kHugePagesFrom) return std::malloc(bytes);
  bytes = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* memory = std::aligned_alloc(kHugePage, bytes);
  if (memory) madvise(memory, bytes, MADV_HUGEPAGE);
  return memory;
}

// Hands back the whole pages of memory from AllocateLarge past its first
// used bytes; they read as zeros if touched again. A small block stays as
// it is: the heap keeps it.
inline void ReleaseTail(void* memory, size_t used, size_t bytes) {
  if (bytes < kHugePagesFrom) return;
  const size_t from = (used + kHugePage - 1) / kHugePage * kHugePage;
  if (from < bytes) madvise(static_cast<char*>(memory) + from, bytes - from, MADV_DONTNEED);
}

template <typename T>
class LargeArray {
 public:
  explicit LargeArray(long count) {
    void* memory = AllocateLarge(size_t(count) * sizeof(T));
    if (!memory) throw std::bad_alloc();
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
