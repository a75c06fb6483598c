#pragma once
#include <string>

#include "ztclass/records.h"

namespace zt {

constexpr char kClassInfoHeader[] = "ZT_CLASS_INFO_FILEHEAD1.0";
constexpr size_t kClassInfoHeaderSize = sizeof kClassInfoHeader - 1;  // 25, no terminator

// The class-information file of an image path: everything after the last
// dot replaced by "cls"; a path without a dot gives "cls".
std::string ClassInfoPath(const std::string& imagePath);

// File storage.
long WriteClassInfoFile(const std::string& path, long count, const CLASSATTINFO* records);
long ReadClassInfoFileCount(const std::string& path, long& count);
long ReadClassInfoFileRecords(const std::string& path, long count, CLASSATTINFO* records);

// Band-note storage (zti images).
long ReadNoteCount(void* image, long& count);
long ReadNoteRecords(void* image, long count, CLASSATTINFO* records);
long WriteNoteRecords(void* image, long count, const CLASSATTINFO* records);

}  // namespace zt
