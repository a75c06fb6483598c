#include "tile_blocks.h"

#include <cpl_conv.h>
#include <cpl_string.h>
#include <cpl_vsi.h>
#include <fcntl.h>
#include <gdal.h>
#include <strings.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "cli_support.h"
#include "output_files.h"
#include "result_image.h"
#include "tiff_tiles.h"

namespace py = pybind11;

namespace ztpy {

namespace {

long BlockSize(const CPLStringList& options, const char* key) {
  const char* value = options.FetchNameValue(key);
  return value ? std::atol(value) : 256;
}

// Codecs whose blocks stand alone: JPEG's share tables kept once per file.
bool StandAlone(const char* compress) {
  for (const char* codec : {"NONE", "DEFLATE", "LZW", "PACKBITS", "ZSTD", "LZMA"})
    if (strcasecmp(compress, codec) == 0) return true;
  return false;
}

void Exactly(bool done, const std::string& what) {
  if (!done) throw ztcli::CommandError(what + ": " + ztcli::ErrnoReason(errno));
}

void ReadFile(int file, std::uint64_t at, void* into, std::size_t n, const std::string& path) {
  Exactly(pread(file, into, n, static_cast<off_t>(at)) == static_cast<ssize_t>(n), "cannot read '" + path + "'");
}

void WriteFile(int file, std::uint64_t at, const void* from, std::size_t n, const std::string& path) {
  Exactly(pwrite(file, from, n, static_cast<off_t>(at)) == static_cast<ssize_t>(n), "cannot write '" + path + "'");
}

}  // namespace

bool TakesTileBlocks(const ztcli::MethodOptions& method, long tile) {
  if (strcasecmp(method.format.c_str(), "GTiff") != 0 || ztcli::EndsWithNoCase(method.output, ".zti")) return false;
  const CPLStringList options = ztcli::CreationOptions(true, method.creationOptions);
  const char* endianness = options.FetchNameValue("ENDIANNESS");
  const long across = BlockSize(options, "BLOCKXSIZE"), down = BlockSize(options, "BLOCKYSIZE");
  return CPLTestBool(options.FetchNameValueDef("TILED", "NO")) && across > 0 && down > 0 && tile % across == 0 &&
         tile % down == 0 && StandAlone(options.FetchNameValueDef("COMPRESS", "NONE")) &&
         (!endianness || strcasecmp(endianness, "BIG") != 0);
}

std::vector<py::bytes> EncodeBlocks(const py::array_t<std::uint8_t, py::array::c_style>& classes,
                                    const std::vector<std::string>& creationOptions) {
  if (classes.ndim() != 2) throw ztcli::UsageError("a tile is a 2-dimensional array");
  static std::atomic<long> count{0};
  const std::string name = "/vsimem/ztclass-blocks-" + std::to_string(getpid()) + "-" + std::to_string(count++) + ".tif";
  const int rows = static_cast<int>(classes.shape(0)), columns = static_cast<int>(classes.shape(1));
  std::vector<std::string> blocks;
  {
    py::gil_scoped_release released;
    const CPLStringList options = ztcli::CreationOptions(true, creationOptions);
    CPLErrorReset();
    GDALDatasetH tile = GDALCreate(GDALGetDriverByName("GTiff"), name.c_str(), columns, rows, 1, GDT_Byte,
                                   options.List());
    const bool written = tile && GDALRasterIO(GDALGetRasterBand(tile, 1), GF_Write, 0, 0, columns, rows,
                                              const_cast<std::uint8_t*>(classes.data()), columns, rows, GDT_Byte, 0,
                                              0) == CE_None;
    if (tile) GDALClose(tile);
    vsi_l_offset length = 0;
    const GByte* buffer = VSIGetMemFileBuffer(name.c_str(), &length, FALSE);
    try {
      if (!written || !buffer || CPLGetLastErrorType() >= CE_Failure)
        throw ztcli::CommandError(std::string("cannot compress a tile: ") + CPLGetLastErrorMsg());
      const auto bytes = [&](std::uint64_t at, std::uint64_t n) {
        if (at > length || n > length - at) throw ztcli::CommandError("a compressed tile ends early");
        return reinterpret_cast<const char*>(buffer + at);
      };
      const TileTables tables([&](std::uint64_t at, void* into, std::size_t n) { std::memcpy(into, bytes(at, n), n); });
      for (size_t b = 0; b < tables.Offsets().size(); ++b)
        blocks.emplace_back(bytes(tables.Offsets()[b], tables.Sizes()[b]), tables.Sizes()[b]);
    } catch (...) {
      VSIUnlink(name.c_str());
      throw;
    }
    VSIUnlink(name.c_str());
  }
  return std::vector<py::bytes>(blocks.begin(), blocks.end());
}

BlockSpool::BlockSpool(const std::string& path, const ztcli::MethodOptions& method, long columns, long rows)
    : path_(path) {
  const CPLStringList options = ztcli::CreationOptions(true, method.creationOptions);
  blockColumns_ = BlockSize(options, "BLOCKXSIZE");
  blockRows_ = BlockSize(options, "BLOCKYSIZE");
  across_ = (columns + blockColumns_ - 1) / blockColumns_;
  const long blocks = across_ * ((rows + blockRows_ - 1) / blockRows_);
  offsets_.assign(blocks, 0);
  sizes_.assign(blocks, 0);
  received_.assign(blocks, false);
  file_ = open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  Exactly(file_ >= 0, "cannot write '" + path_ + "'");
}

BlockSpool::~BlockSpool() {
  close(file_);
  unlink(path_.c_str());
}

void BlockSpool::Add(long column, long row, long columns, long rows, const std::vector<std::string>& blocks) {
  const long tileAcross = (columns + blockColumns_ - 1) / blockColumns_;
  const long tileDown = (rows + blockRows_ - 1) / blockRows_;
  if (column % blockColumns_ || row % blockRows_ || static_cast<long>(blocks.size()) != tileAcross * tileDown)
    throw ztcli::UsageError("the blocks do not make the tile");
  for (long b = 0; b < static_cast<long>(blocks.size()); ++b) {
    const long index = (row / blockRows_ + b / tileAcross) * across_ + column / blockColumns_ + b % tileAcross;
    WriteFile(file_, end_, blocks[b].data(), blocks[b].size(), path_);
    offsets_[index] = end_;
    sizes_[index] = blocks[b].size();
    received_[index] = true;
    end_ += blocks[b].size();
  }
}

void BlockSpool::PlaceInto(const std::string& tiff) const {
  for (bool received : received_)
    if (!received) throw ztcli::CommandError("the result lacks tiles");
  const int file = open(tiff.c_str(), O_RDWR | O_CLOEXEC);
  Exactly(file >= 0, "cannot open '" + tiff + "'");
  try {
    const TileTables tables([&](std::uint64_t at, void* into, std::size_t n) { ReadFile(file, at, into, n, tiff); });
    if (tables.Offsets().size() != offsets_.size()) throw ztcli::CommandError("'" + tiff + "' has other blocks");
    const off_t end = lseek(file, 0, SEEK_END);
    Exactly(end >= 0, "cannot write '" + tiff + "'");
    std::vector<std::uint64_t> offsets(offsets_.size());
    std::vector<char> block;
    std::uint64_t at = static_cast<std::uint64_t>(end);
    for (size_t b = 0; b < offsets_.size(); ++b) {
      block.resize(sizes_[b]);
      ReadFile(file_, offsets_[b], block.data(), block.size(), path_);
      WriteFile(file, at, block.data(), block.size(), tiff);
      offsets[b] = at;
      at += block.size();
    }
    tables.Rewrite([&](std::uint64_t where, const void* from, std::size_t n) { WriteFile(file, where, from, n, tiff); },
                   offsets, sizes_);
  } catch (...) {
    close(file);
    throw;
  }
  Exactly(close(file) == 0, "cannot write '" + tiff + "'");
}

}  // namespace ztpy
