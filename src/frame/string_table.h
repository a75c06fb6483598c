#pragma once
#include <cstddef>

namespace zt {

// Whether texts for people are the system's own Chinese ones or their
// English versions, as the language service says now.
bool ChineseTexts();

// The text for people in the language in force.
inline const char* Localized(const char* chinese, const char* english) {
  return ChineseTexts() ? chinese : english;
}

// Copies string-table entry id, in the language in force, into buffer (size
// bytes, zero-filled first, the text cut at a character boundary to leave
// the terminating zero). False when the table has no such entry.
bool LoadString(int id, char* buffer, size_t size);

}  // namespace zt
