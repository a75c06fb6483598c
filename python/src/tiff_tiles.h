#pragma once
// The tile tables of a tiled TIFF or BigTIFF (its first image): where each
// tile's compressed bytes lie. A tile compressed in one GeoTIFF can so be
// moved into another of the same block size and creation options as it is,
// without decompressing and compressing it again.
#include <cstdint>
#include <functional>
#include <vector>

namespace ztpy {

// Reads n bytes at a position of the file, or throws.
using ReadAt = std::function<void(std::uint64_t at, void* into, std::size_t n)>;
using WriteAt = std::function<void(std::uint64_t at, const void* from, std::size_t n)>;

class TileTables {
 public:
  // Throws a CommandError when the file is not a little-endian tiled TIFF.
  explicit TileTables(const ReadAt& read);

  const std::vector<std::uint64_t>& Offsets() const { return offsets_; }
  const std::vector<std::uint64_t>& Sizes() const { return sizes_; }

  // Writes new offsets and sizes over the tables (as many as before), or
  // throws when an offset or size does not fit the file's kind of TIFF.
  void Rewrite(const WriteAt& write, const std::vector<std::uint64_t>& offsets,
               const std::vector<std::uint64_t>& sizes) const;

 private:
  struct Table {
    std::uint64_t at = 0;
    int width = 0;  // bytes of an entry: 2, 4 or 8
  };
  bool big_ = false;
  Table offsetsTable_, sizesTable_;
  std::vector<std::uint64_t> offsets_, sizes_;

  void WriteTable(const WriteAt& write, const Table& table, const std::vector<std::uint64_t>& values) const;
};

}  // namespace ztpy
