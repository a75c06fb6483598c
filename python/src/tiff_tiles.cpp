#include "tiff_tiles.h"

#include <cstring>
#include <limits>
#include <string>

#include "cli_support.h"

namespace ztpy {

namespace {

constexpr std::uint16_t kTileOffsets = 324, kTileByteCounts = 325;
constexpr std::uint16_t kShort = 3, kLong = 4, kLong8 = 16;

std::uint64_t Little(const unsigned char* bytes, int width) {
  std::uint64_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

[[noreturn]] void NotTiled(const std::string& why) {
  throw ztcli::CommandError("not a tiled little-endian TIFF: " + why);
}

}  // namespace

TileTables::TileTables(const ReadAt& read) {
  unsigned char header[16];
  read(0, header, 8);
  if (std::memcmp(header, "II", 2) != 0) NotTiled("no little-endian header");
  const std::uint64_t version = Little(header + 2, 2);
  if (version != 42 && version != 43) NotTiled("version " + std::to_string(version));
  big_ = version == 43;
  if (big_) read(8, header + 8, 8);
  const std::uint64_t directory = big_ ? Little(header + 8, 8) : Little(header + 4, 4);
  const int countWidth = big_ ? 8 : 2, entryWidth = big_ ? 20 : 12, valueWidth = big_ ? 8 : 4;
  unsigned char count[8];
  read(directory, count, countWidth);
  const std::uint64_t entries = Little(count, countWidth);
  if (entries > 4096) NotTiled("a directory of " + std::to_string(entries) + " entries");
  std::vector<unsigned char> table(entries * entryWidth);
  read(directory + countWidth, table.data(), table.size());
  std::uint64_t tiles[2] = {0, 0};
  Table* found[2] = {&offsetsTable_, &sizesTable_};
  for (std::uint64_t e = 0; e < entries; ++e) {
    const unsigned char* entry = &table[e * entryWidth];
    const std::uint64_t tag = Little(entry, 2);
    if (tag != kTileOffsets && tag != kTileByteCounts) continue;
    const int k = tag == kTileOffsets ? 0 : 1;
    const std::uint64_t type = Little(entry + 2, 2);
    found[k]->width = type == kShort ? 2 : type == kLong ? 4 : type == kLong8 ? 8 : 0;
    if (found[k]->width == 0) NotTiled("tile table of type " + std::to_string(type));
    tiles[k] = Little(entry + 4, big_ ? 8 : 4);
    if (tiles[k] > (std::uint64_t{1} << 32)) NotTiled("a tile table of " + std::to_string(tiles[k]) + " tiles");
    const std::uint64_t value = directory + countWidth + e * entryWidth + 4 + (big_ ? 8 : 4);
    // Tables that fit the entry's value field are kept in it.
    found[k]->at = tiles[k] * found[k]->width <= static_cast<std::uint64_t>(valueWidth)
                       ? value
                       : Little(entry + 4 + (big_ ? 8 : 4), valueWidth);
  }
  if (!offsetsTable_.width || !sizesTable_.width) NotTiled("no tile tables");
  if (tiles[0] != tiles[1]) NotTiled("tile tables of different lengths");
  std::vector<unsigned char> bytes;
  for (int k = 0; k < 2; ++k) {
    bytes.resize(tiles[k] * found[k]->width);
    read(found[k]->at, bytes.data(), bytes.size());
    std::vector<std::uint64_t>& values = k == 0 ? offsets_ : sizes_;
    values.resize(tiles[k]);
    for (std::uint64_t t = 0; t < tiles[k]; ++t) values[t] = Little(&bytes[t * found[k]->width], found[k]->width);
  }
}

void TileTables::Rewrite(const WriteAt& write, const std::vector<std::uint64_t>& offsets,
                         const std::vector<std::uint64_t>& sizes) const {
  WriteTable(write, offsetsTable_, offsets);
  WriteTable(write, sizesTable_, sizes);
}

void TileTables::WriteTable(const WriteAt& write, const Table& table, const std::vector<std::uint64_t>& values) const {
  const std::uint64_t most = table.width == 8 ? std::numeric_limits<std::uint64_t>::max()
                                              : (std::uint64_t{1} << (8 * table.width)) - 1;
  std::vector<unsigned char> bytes(values.size() * table.width);
  for (size_t t = 0; t < values.size(); ++t) {
    if (values[t] > most)
      throw ztcli::CommandError(std::string("the result outgrows a ") + (big_ ? "BigTIFF" : "classic TIFF") +
                                "; give the creation option BIGTIFF=YES");
    for (int i = 0; i < table.width; ++i) bytes[t * table.width + i] = static_cast<unsigned char>(values[t] >> (8 * i));
  }
  write(table.at, bytes.data(), bytes.size());
}

}  // namespace ztpy
