// The class-information file: header, signed 32-bit count, 260-byte records,
// little-endian.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "classinfo/class_info_store.h"
#include "frame/user_locale.h"
#include "ztclass/result_codes.h"
#include "ztservices/imagebase.h"

namespace zt {

namespace {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

// Opens path and checks its header; 0, RC_CLS_FILE_MISSING or
// RC_CLS_FILE_BAD_HEADER.
long OpenChecked(const std::string& path, File& file) {
  if (!ztIsFileExist(path.c_str())) return RC_CLS_FILE_MISSING;
  file.reset(std::fopen(path.c_str(), "rb"));
  if (!file) return RC_CLS_FILE_MISSING;
  char header[kClassInfoHeaderSize + 1] = {};
  size_t got = std::fread(header, 1, kClassInfoHeaderSize, file.get());
  if (got != kClassInfoHeaderSize || std::memcmp(header, kClassInfoHeader, kClassInfoHeaderSize) != 0)
    return RC_CLS_FILE_BAD_HEADER;
  return RC_OK;
}

int32_t ReadInt32LE(const unsigned char* b) {
  return static_cast<int32_t>(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 |
                              uint32_t(b[3]) << 24);
}

// How many whole records the file holds from the current position on: the
// bound for any count it claims.
long RecordsHeld(FILE* file) {
  const long start = std::ftell(file);
  if (start < 0 || std::fseek(file, 0, SEEK_END) != 0) return 0;
  const long end = std::ftell(file);
  std::fseek(file, start, SEEK_SET);
  return end > start ? (end - start) / static_cast<long>(sizeof(CLASSATTINFO)) : 0;
}

}  // namespace

std::string ClassInfoPath(const std::string& imagePath) {
  size_t dot = imagePath.rfind('.');
  if (dot == std::string::npos) return "cls";
  return imagePath.substr(0, dot + 1) + "cls";
}

long WriteClassInfoFile(const std::string& path, long count, const CLASSATTINFO* records) {
  const UserLocale locale;
  File file(std::fopen(path.c_str(), "wb"));
  if (!file) return RC_OK;
  const uint32_t n = static_cast<uint32_t>(static_cast<int32_t>(count));
  const unsigned char countBytes[4] = {static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8),
                                       static_cast<unsigned char>(n >> 16),
                                       static_cast<unsigned char>(n >> 24)};
  std::fwrite(kClassInfoHeader, 1, kClassInfoHeaderSize, file.get());
  std::fwrite(countBytes, 1, sizeof countBytes, file.get());
  if (count > 0 && records) std::fwrite(records, sizeof(CLASSATTINFO), count, file.get());
  return RC_OK;
}

long ReadClassInfoFileCount(const std::string& path, long& count) {
  const UserLocale locale;
  File file;
  if (long rc = OpenChecked(path, file)) return rc;
  unsigned char bytes[4] = {};
  if (std::fread(bytes, 1, sizeof bytes, file.get()) != sizeof bytes) return RC_CLS_FILE_BAD_HEADER;
  const long claimed = ReadInt32LE(bytes);
  if (claimed < 0 || claimed > RecordsHeld(file.get())) return RC_CLS_FILE_BAD_HEADER;
  count = claimed;
  return RC_OK;
}

long ReadClassInfoFileRecords(const std::string& path, long count, CLASSATTINFO* records) {
  const UserLocale locale;
  File file;
  if (long rc = OpenChecked(path, file)) return rc;
  if (count <= 0) return RC_OK;
  if (!records) return RC_NULL_ARGUMENT;
  if (std::fseek(file.get(), 4, SEEK_CUR) != 0) return RC_OK;
  std::fread(records, sizeof(CLASSATTINFO), std::min(count, RecordsHeld(file.get())), file.get());
  return RC_OK;
}

}  // namespace zt
