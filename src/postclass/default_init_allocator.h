#pragma once
// Tables that workers fill in parallel.
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace zt {

// An allocator whose default construction leaves the value uninitialised:
// a table resized to take values that workers then write in parallel is not
// first filled with zeros on one thread.
template <typename T>
struct DefaultInitAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = DefaultInitAllocator<U>;
  };
  DefaultInitAllocator() = default;
  template <typename U>
  DefaultInitAllocator(const DefaultInitAllocator<U>&) noexcept {}
  template <typename U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

template <typename T>
using UninitialisedTable = std::vector<T, DefaultInitAllocator<T>>;

}  // namespace zt
