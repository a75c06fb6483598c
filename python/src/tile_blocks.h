#pragma once
// A GeoTIFF result joined from its tiles' compressed blocks: each worker
// compresses its tile's blocks as the result would (the same creation
// options, the same block size), the client moves them into the result as
// they are. The client then neither decompresses nor compresses, and what
// crosses the network is the compressed classes.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <string>
#include <vector>

#include "result_options.h"

namespace ztpy {

// Whether a result of these options takes the blocks of tiles of tile x
// tile pixels: a tiled GeoTIFF whose blocks divide the tile, compressed
// without tables shared across the file, little-endian.
bool TakesTileBlocks(const ztcli::MethodOptions& method, long tile);

// The blocks, in row order, of classes compressed into a GeoTIFF of the
// given creation options (the result's, before the GeoTIFF defaults).
std::vector<pybind11::bytes> EncodeBlocks(const pybind11::array_t<std::uint8_t, pybind11::array::c_style>& classes,
                                          const std::vector<std::string>& creationOptions);

// The blocks received, kept in a scratch file until the result, created
// sparse and closed, takes them.
class BlockSpool {
 public:
  BlockSpool(const std::string& path, const ztcli::MethodOptions& method, long columns, long rows);
  ~BlockSpool();
  BlockSpool(const BlockSpool&) = delete;
  BlockSpool& operator=(const BlockSpool&) = delete;

  // The blocks of the tile of columns x rows whose top-left pixel is
  // (column, row) of the result.
  void Add(long column, long row, long columns, long rows, const std::vector<std::string>& blocks);
  // Appends every block to the closed GeoTIFF tiff and points its tile
  // tables at them.
  void PlaceInto(const std::string& tiff) const;

 private:
  std::string path_;
  int file_ = -1;
  long blockColumns_ = 0, blockRows_ = 0, across_ = 0;
  std::uint64_t end_ = 0;
  std::vector<std::uint64_t> offsets_, sizes_;
  std::vector<bool> received_;
};

}  // namespace ztpy
