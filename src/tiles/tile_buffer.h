#pragma once
// The byte buffers that tiles travel in between worker and client: plain
// values and arrays one after the other, in this machine's byte order, read
// back with every length checked against what is left.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <vector>

namespace zt {

class BufferWriter {
 public:
  template <typename T>
  void Put(T value) {
    static_assert(std::is_trivially_copyable_v<T>);
    const auto* bytes = reinterpret_cast<const unsigned char*>(&value);
    bytes_.insert(bytes_.end(), bytes, bytes + sizeof value);
  }
  template <typename T>
  void PutArray(const T* values, size_t count) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(values);
    bytes_.insert(bytes_.end(), bytes, bytes + count * sizeof(T));
  }
  // The bytes in memory of malloc, for the caller to free.
  void Release(void** buffer, size_t* size) const {
    void* out = std::malloc(bytes_.empty() ? 1 : bytes_.size());
    if (!out) throw std::bad_alloc();
    if (!bytes_.empty()) std::memcpy(out, bytes_.data(), bytes_.size());
    *buffer = out;
    *size = bytes_.size();
  }

 private:
  std::vector<unsigned char> bytes_;
};

class BufferReader {
 public:
  BufferReader(const void* buffer, size_t size) : at_(static_cast<const unsigned char*>(buffer)), left_(size) {}
  template <typename T>
  bool Get(T& value) {
    if (left_ < sizeof value) return false;
    std::memcpy(&value, at_, sizeof value);
    at_ += sizeof value;
    left_ -= sizeof value;
    return true;
  }
  // count values into values (resized); false when fewer are left.
  template <typename T>
  bool GetArray(std::vector<T>& values, uint64_t count) {
    if (count > left_ / sizeof(T)) return false;
    values.resize(count);
    if (count == 0) return true;
    std::memcpy(values.data(), at_, count * sizeof(T));
    at_ += count * sizeof(T);
    left_ -= count * sizeof(T);
    return true;
  }
  bool AtEnd() const { return left_ == 0; }

 private:
  const unsigned char* at_;
  size_t left_;
};

}  // namespace zt
