#pragma once
// Tables that workers fill in parallel.
#include <cstdlib>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "postclass/large_array.h"

namespace zt {

// An allocator whose default construction leaves the value uninitialised:
// a table resized to take values that workers then write in parallel is not
// first filled with zeros on one thread. A large table (a window's
// provisional labels, set aside at the start) takes huge pages, as a
// window's labels do.
template <typename T>
struct DefaultInitAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = DefaultInitAllocator<U>;
  };
  DefaultInitAllocator() = default;
  template <typename U>
  DefaultInitAllocator(const DefaultInitAllocator<U>&) noexcept {}
  T* allocate(size_t count) {
    if (count > size_t(-1) / sizeof(T)) throw std::bad_array_new_length();
    void* memory = AllocateLarge(count * sizeof(T));
    if (!memory) throw std::bad_alloc();
    return static_cast<T*>(memory);
  }
  void deallocate(T* p, size_t) noexcept { std::free(p); }
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

// Cuts a table to its first size entries and hands the memory past them back
// to the system in place. A copy into a table of the right size would take
// fresh pages, a fault each, and would run on one thread while the others
// wait.
template <typename T>
void TrimTable(UninitialisedTable<T>& table, size_t size) {
  table.resize(size);
  ReleaseTail(table.data(), table.size() * sizeof(T), table.capacity() * sizeof(T));
}

}  // namespace zt
