#pragma once
#include <cstddef>

namespace zt {

// Copies string-table entry id into buffer (size bytes, zero-filled first,
// the text cut at a character boundary to leave the terminating zero).
// False when the table has no such entry.
bool LoadString(int id, char* buffer, size_t size);

}  // namespace zt
