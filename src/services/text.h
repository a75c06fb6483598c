#pragma once
#include <cstddef>
#include <cstring>
#include <string_view>

namespace zt {

// Copies text into a fixed zero-terminated field of size bytes, cut at a
// UTF-8 character boundary when it does not fit.
inline void CopyText(std::string_view text, char* field, size_t size) {
  size_t n = text.size() < size ? text.size() : size - 1;
  if (n < text.size())
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  std::memcpy(field, text.data(), n);
  std::memset(field + n, 0, size - n);
}

// The text of a zero-terminated field that may lack its terminator.
inline std::string_view FieldText(const char* field, size_t size) {
  return std::string_view(field, strnlen(field, size));
}

}  // namespace zt
