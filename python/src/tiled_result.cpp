// The image of a run cut into tiles: created as the command line creates a
// result, given each tile's pixels as they come (or, for a VRT, the place of
// each tile written as a file of its own), and, once all have come, the class
// records and legend of a tile classified the same way, if any. A statistics
// file written beside it is a result of the run too.
#include <cpl_string.h>
#include <gdal.h>
#include <pybind11/numpy.h>
#include <strings.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "class_records.h"
#include "cli_support.h"
#include "errors.h"
#include "module.h"
#include "output_files.h"
#include "progress.h"
#include "result_image.h"
#include "tile_blocks.h"
#include "ztservices/raster.h"

namespace py = pybind11;

namespace ztpy {

namespace {

class TiledResult {
 public:
  // inputs: the run's other input files; statistics: the statistics file
  // it writes, if any; tile: the size of the tiles, whose compressed blocks
  // the result takes where it can (see TakesBlocks).
  TiledResult(const std::string& image, const std::string& output, const Result& options,
              const std::vector<std::string>& inputs, const std::optional<std::string>& statistics,
              const std::optional<long>& tile)
      : outputs_(std::make_unique<ztcli::OutputFiles>(options.overwrite)), output_(output) {
    py::gil_scoped_release released;
    outputs_->AddInput(image, true);
    for (const std::string& input : inputs) outputs_->AddInput(input, false);
    ztcli::MethodOptions method = options.Method(output);
    mosaic_ = strcasecmp(method.format.c_str(), "VRT") == 0;
    const bool blocks = tile && TakesTileBlocks(method, *tile);
    // Created sparse: the tiles' blocks are placed into it once GDAL has
    // closed it.
    if (blocks) method.creationOptions.push_back("SPARSE_OK=TRUE");
    result_ = std::make_unique<ztcli::ResultImage>(method, *outputs_,
                                                   mosaic_ ? ztcli::Holds::Tiles : ztcli::Holds::Pixels);
    if (statistics) statistics_ = outputs_->AddOutput(*statistics, "--stats", false);
    source_ = std::make_unique<ztcli::Dataset>(ztcli::Dataset::Open(image, false));
    window_ = ztcli::SelectedWindow(method, source_->get());
    if (blocks)
      spool_ = std::make_unique<BlockSpool>(outputs_->ScratchPath(output, ".blocks"), method, window_.columns,
                                            window_.rows);
    result_->Create(source_->get(), window_);
  }

  // A scratch path of the run beside the result, never moved into place: it
  // goes with the run's temporary files, or, after a run killed outright,
  // with the next run's sweep of that folder.
  std::string ScratchPath(const std::string& suffix) const {
    CheckOpen();
    return outputs_->ScratchPath(output_, suffix);
  }

  // Whether the tiles come as their compressed blocks (EncodeBlocks).
  bool TakesBlocks() const { return spool_ != nullptr; }

  // The compressed blocks of the tile of columns x rows whose top-left
  // pixel is (column, row) of the window.
  void WriteBlocks(long column, long row, long columns, long rows, const std::vector<std::string>& blocks) {
    if (!spool_) throw ztcli::UsageError("this result takes pixels, not compressed blocks");
    CheckInside(column, row, columns, rows);
    py::gil_scoped_release released;
    spool_->Add(column, row, columns, rows, blocks);
  }

  // Where the statistics file is written until the run has succeeded.
  const std::string& StatisticsPath() const { return statistics_; }

  // The pixels of the tile whose top-left pixel is (column, row) of the
  // window, in bytes or 32 bits, as the library's calls write them.
  template <typename T>
  void Write(long column, long row, const py::array_t<T, py::array::c_style>& pixels) {
    if (pixels.ndim() != 2) throw ztcli::UsageError("a tile is a 2-dimensional array");
    if (mosaic_) throw ztcli::UsageError("a VRT takes tiles written as files of their own");
    const long rows = static_cast<long>(pixels.shape(0)), columns = static_cast<long>(pixels.shape(1));
    CheckInside(column, row, columns, rows);
    const T* data = pixels.data();
    const ZTRSDataType type = sizeof(T) == 1 ? ZTRS_Byte : ZTRS_UInt32;
    py::gil_scoped_release released;
    Check(ztRSRasterIO(ztRSGetRasterBand(result_->get(), 1), ZTRS_Write, column, row, columns, rows,
                       const_cast<T*>(data), columns, rows, type, 0, 0),
          "writing a tile");
  }

  // The tile of columns x rows whose top-left pixel is (column, row) of the
  // window, in band 1 of the file tile, named relative to the VRT's folder:
  // the VRT reads it from there, wherever the folder is moved.
  void Place(long column, long row, long columns, long rows, const std::string& tile) {
    if (!mosaic_) throw ztcli::UsageError("only a VRT takes tiles written as files of their own");
    CheckInside(column, row, columns, rows);
    char* name = CPLEscapeString(tile.c_str(), -1, CPLES_XML);
    const std::string escaped = name;
    CPLFree(name);
    const std::string size = "xSize=\"" + std::to_string(columns) + "\" ySize=\"" + std::to_string(rows) + "\"";
    const std::string source =
        "<SimpleSource><SourceFilename relativeToVRT=\"1\">" + escaped +
        "</SourceFilename><SourceBand>1</SourceBand><SrcRect xOff=\"0\" yOff=\"0\" " + size + "/>"
        "<DstRect xOff=\"" + std::to_string(column) + "\" yOff=\"" + std::to_string(row) + "\" " + size + "/>"
        "</SimpleSource>";
    GDALRasterBandH band = GDALGetRasterBand(static_cast<GDALDatasetH>(ztRSGetGDALDataset(result_->get())), 1);
    CPLErrorReset();
    if (GDALSetMetadataItem(band, "source", source.c_str(), "new_vrt_sources") != CE_None)
      throw ztcli::CommandError("cannot place the tile '" + tile + "': " + CPLGetLastErrorMsg());
  }

  // As the command line refuses more clumps than the result's type holds.
  void RequireFits(const std::string& what, long clumps) const {
    CheckOpen();
    if (clumps > ztcli::TypeMaximum(result_->Type()))
      throw ztcli::CommandError(what + ": " + std::to_string(clumps) + " clumps do not fit type " +
                                ztcli::DataTypeName(result_->Type()) + "; choose UInt32");
  }

  // noData: whether a tile's classes had the no-data value, which the
  // legend names and the result declares, as the in-process apply's does.
  void Finish(const std::optional<std::string>& recordsFrom, bool noData) {
    CheckOpen();
    py::gil_scoped_release released;
    if (recordsFrom) ztcli::CopyClasses(*recordsFrom, result_->get());
    if (noData) Check(ztRSSetRasterNoDataValue(ztRSGetRasterBand(result_->get(), 1), 255), "setting no-data");
    result_->Finish();
    if (spool_) spool_->PlaceInto(result_->Written());
    CommitUnlessStopped(*outputs_);
    committed_ = true;
  }

  // Whether Finish has moved the results into place: a stop that comes
  // after it no longer undoes the run.
  bool Committed() const { return committed_; }

  // Closes the result: what was not finished is removed now, not whenever
  // Python lets go of the object (a failed run's traceback holds it).
  void Close() {
    py::gil_scoped_release released;
    result_.reset();
    spool_.reset();
    source_.reset();
    outputs_.reset();
  }

 private:
  void CheckOpen() const {
    if (!outputs_) throw ztcli::UsageError("the result is closed");
  }

  void CheckInside(long column, long row, long columns, long rows) const {
    CheckOpen();
    if (column < 0 || row < 0 || columns < 1 || rows < 1 || column > window_.columns - columns ||
        row > window_.rows - rows)
      throw ztcli::UsageError("a tile lies outside the window");
  }

  std::unique_ptr<ztcli::OutputFiles> outputs_;
  std::string output_;
  bool mosaic_ = false;
  bool committed_ = false;
  std::unique_ptr<ztcli::ResultImage> result_;
  std::unique_ptr<BlockSpool> spool_;
  std::string statistics_;
  std::unique_ptr<ztcli::Dataset> source_;
  ztcli::Window window_;
};

}  // namespace

void AddTiledResult(py::module_& m) {
  m.def("encode_blocks", &EncodeBlocks, py::arg("classes"), py::arg("creation_options"), py::call_guard<QuietGdal>());
  py::class_<TiledResult>(m, "TiledResult")
      .def(py::init<const std::string&, const std::string&, const Result&, const std::vector<std::string>&,
                    const std::optional<std::string>&, const std::optional<long>&>(),
           py::arg("image"), py::arg("output"), py::arg("options"), py::arg("inputs") = std::vector<std::string>(),
           py::arg("statistics") = std::nullopt, py::arg("tile") = std::nullopt, py::call_guard<QuietGdal>())
      .def_property_readonly("statistics_path", &TiledResult::StatisticsPath)
      .def_property_readonly("takes_blocks", &TiledResult::TakesBlocks)
      .def_property_readonly("committed", &TiledResult::Committed)
      .def("scratch_path", &TiledResult::ScratchPath)
      .def("write_blocks", &TiledResult::WriteBlocks, py::call_guard<QuietGdal>())
      .def("write", &TiledResult::Write<std::uint8_t>, py::call_guard<QuietGdal>())
      .def("write", &TiledResult::Write<std::uint32_t>, py::call_guard<QuietGdal>())
      .def("place", &TiledResult::Place, py::call_guard<QuietGdal>())
      .def("require_fits", &TiledResult::RequireFits)
      .def("finish", &TiledResult::Finish, py::arg("records_from") = std::nullopt, py::arg("no_data") = false,
           py::call_guard<QuietGdal>())
      .def("__enter__", [](TiledResult& self) -> TiledResult& { return self; }, py::return_value_policy::reference)
      .def("__exit__", [](TiledResult& self, const py::args&) { self.Close(); }, py::call_guard<QuietGdal>());
}

}  // namespace ztpy
