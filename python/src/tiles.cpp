// Clump and sieve in tiles: a tile labelled (and later numbered) on a
// worker, and the join of the tiles on the client, over the library's tile
// calls. Buffers travel as bytes; windows are (XOFF, YOFF, XSIZE, YSIZE).
#include <pybind11/numpy.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli_support.h"
#include "errors.h"
#include "module.h"
#include "ztclass/tiles.h"
#include "ztservices/raster.h"

namespace py = pybind11;

namespace ztpy {

namespace {

constexpr long kMaxTile = 65535;

struct TileWindow {
  long x, y, columns, rows;
};

TileWindow ToWindow(const std::vector<long>& window) {
  if (window.size() != 4) throw ztcli::UsageError("a tile window is XOFF, YOFF, XSIZE, YSIZE");
  return TileWindow{window[0], window[1], window[2], window[3]};
}

// A buffer the library made, freed with it.
struct Buffer {
  void* data = nullptr;
  size_t size = 0;
  ~Buffer() { ztTileFreeBuffer(data); }
  py::bytes Bytes() const { return py::bytes(static_cast<const char*>(data), size); }
};

std::string_view View(const py::bytes& bytes) {
  char* data = nullptr;
  Py_ssize_t size = 0;
  if (PyBytes_AsStringAndSize(bytes.ptr(), &data, &size) != 0) throw py::error_already_set();
  return std::string_view(data, static_cast<size_t>(size));
}

py::bytes LabelTile(const std::string& image, long band, const std::vector<long>& window, int neighbours, int mode) {
  const TileWindow w = ToWindow(window);
  Buffer summary;
  {
    py::gil_scoped_release released;
    ztcli::Dataset source = ztcli::Dataset::Open(image, false);
    Check(ztTileLabel(source.get(), band, w.rows, w.columns, w.y, w.x, neighbours, mode, &summary.data, &summary.size),
          "labelling a tile of '" + image + "'");
  }
  return summary.Bytes();
}

py::bytes ClassRange(const std::string& image, long band, const std::vector<long>& window) {
  const TileWindow w = ToWindow(window);
  Buffer summary;
  {
    py::gil_scoped_release released;
    ztcli::Dataset source = ztcli::Dataset::Open(image, false);
    Check(ztTileClassRange(source.get(), band, w.rows, w.columns, w.y, w.x, &summary.data, &summary.size),
          "reading the class range of '" + image + "'");
  }
  return summary.Bytes();
}

py::array_t<std::uint32_t> NumberTile(const std::string& image, long band, const std::vector<long>& window,
                                      int neighbours, int mode, const py::bytes& numbers) {
  const TileWindow w = ToWindow(window);
  const std::string_view table = View(numbers);
  py::array_t<std::uint32_t> pixels({w.rows, w.columns});
  std::uint32_t* out = pixels.mutable_data();
  {
    py::gil_scoped_release released;
    ztcli::Dataset source = ztcli::Dataset::Open(image, false);
    Check(ztTileNumber(source.get(), band, w.rows, w.columns, w.y, w.x, neighbours, mode, table.data(), table.size(),
                       out),
          "numbering a tile of '" + image + "'");
  }
  return pixels;
}

class TileJoin {
 public:
  TileJoin(const std::string& image, long band, const std::vector<long>& window, long tile, int neighbours, int mode,
           long threshold, const std::optional<std::string>& statisticsIn)
      : neighbours_(neighbours) {
    const TileWindow w = ToWindow(window);
    // The library numbers a tile's pixels in 32 bits.
    if (tile < 1 || tile > kMaxTile)
      throw ztcli::UsageError("--tile " + std::to_string(tile) + ": a tile is 1 to " + std::to_string(kMaxTile) +
                              " pixels a side");
    py::gil_scoped_release released;
    ztcli::Dataset source = ztcli::Dataset::Open(image, false);
    const long bands = ztRSGetRasterCount(source.get());
    if (band < 1 || band > bands)
      throw ztcli::UsageError("--band " + std::to_string(band) + ": '" + image + "' has " + std::to_string(bands) +
                              " band(s)");
    ZTTileJoin* join = nullptr;
    Check(ztTileJoinCreate(source.get(), band, w.rows, w.columns, w.y, w.x, tile, &neighbours_, mode, threshold,
                           statisticsIn ? statisticsIn->c_str() : nullptr, &join),
          "starting the join of the tiles of '" + image + "'");
    join_.reset(join);
  }

  int Neighbours() const { return neighbours_; }

  void Add(const py::bytes& summary) {
    const std::string_view bytes = View(summary);
    py::gil_scoped_release released;
    Check(ztTileJoinAdd(join_.get(), bytes.data(), bytes.size()), "joining a tile");
  }

  long Resolve(const std::optional<std::string>& statistics) {
    long regions = 0;
    py::gil_scoped_release released;
    Check(ztTileJoinResolve(join_.get(), statistics ? statistics->c_str() : nullptr, &regions),
          "joining the tiles' regions");
    return regions;
  }

  py::bytes Numbers(long x, long y) const {
    Buffer numbers;
    Check(ztTileJoinNumbers(join_.get(), y, x, &numbers.data, &numbers.size), "numbering a tile's regions");
    return numbers.Bytes();
  }

 private:
  struct Free {
    void operator()(ZTTileJoin* join) const { ztTileJoinFree(join); }
  };
  int neighbours_;
  std::unique_ptr<ZTTileJoin, Free> join_;
};

}  // namespace

void AddTiles(py::module_& m) {
  m.def("label_tile", &LabelTile, py::call_guard<QuietGdal>());
  m.def("class_range", &ClassRange, py::call_guard<QuietGdal>());
  m.def("number_tile", &NumberTile, py::call_guard<QuietGdal>());
  py::class_<TileJoin>(m, "TileJoin")
      .def(py::init<const std::string&, long, const std::vector<long>&, long, int, int, long,
                    const std::optional<std::string>&>(),
           py::call_guard<QuietGdal>())
      .def_property_readonly("neighbours", &TileJoin::Neighbours)
      .def("add", &TileJoin::Add, py::call_guard<QuietGdal>())
      .def("resolve", &TileJoin::Resolve, py::call_guard<QuietGdal>())
      .def("numbers", &TileJoin::Numbers, py::call_guard<QuietGdal>());
  m.attr("TILES_CLUMP") = static_cast<int>(ZT_TILES_CLUMP);
  m.attr("TILES_SIEVE_MAP") = static_cast<int>(ZT_TILES_SIEVE_MAP);
  m.attr("TILES_SIEVE") = static_cast<int>(ZT_TILES_SIEVE);
}

}  // namespace ztpy
