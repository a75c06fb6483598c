// The class image of a run cut into tiles: created as the command line
// creates a result, given each tile's classes as they come, and, once all
// have come, the class records and legend of a tile classified the same way.
#include <pybind11/numpy.h>

#include <cstdint>
#include <memory>

#include "class_records.h"
#include "cli_support.h"
#include "errors.h"
#include "module.h"
#include "output_files.h"
#include "result_image.h"
#include "ztservices/raster.h"

namespace py = pybind11;

namespace ztpy {

namespace {

class TiledResult {
 public:
  TiledResult(const std::string& image, const std::string& output, const Result& options)
      : outputs_(options.overwrite) {
    py::gil_scoped_release released;
    outputs_.AddInput(image, true);
    result_ = std::make_unique<ztcli::ResultImage>(options.Method(output), outputs_);
    source_ = std::make_unique<ztcli::Dataset>(ztcli::Dataset::Open(image, false));
    window_ = ztcli::SelectedWindow(options.Method(output), source_->get());
    result_->Create(source_->get(), window_);
  }

  // The classes of the tile whose top-left pixel is (column, row) of the
  // window.
  void Write(long column, long row, const py::array_t<std::uint8_t, py::array::c_style>& classes) {
    if (classes.ndim() != 2) throw ztcli::UsageError("a tile is a 2-dimensional array");
    const long rows = static_cast<long>(classes.shape(0)), columns = static_cast<long>(classes.shape(1));
    if (column < 0 || row < 0 || column + columns > window_.columns || row + rows > window_.rows)
      throw ztcli::UsageError("a tile lies outside the window");
    const std::uint8_t* data = classes.data();
    py::gil_scoped_release released;
    Check(ztRSRasterIO(ztRSGetRasterBand(result_->get(), 1), ZTRS_Write, column, row, columns, rows,
                       const_cast<std::uint8_t*>(data), columns, rows, ZTRS_Byte, 0, 0),
          "writing a tile");
  }

  void Finish(const std::string& recordsFrom) {
    py::gil_scoped_release released;
    ztcli::CopyClasses(recordsFrom, result_->get());
    result_->Finish();
    outputs_.Commit();
  }

 private:
  ztcli::OutputFiles outputs_;
  std::unique_ptr<ztcli::ResultImage> result_;
  std::unique_ptr<ztcli::Dataset> source_;
  ztcli::Window window_;
};

}  // namespace

void AddTiledResult(py::module_& m) {
  py::class_<TiledResult>(m, "TiledResult")
      .def(py::init<const std::string&, const std::string&, const Result&>())
      .def("write", &TiledResult::Write)
      .def("finish", &TiledResult::Finish);
}

}  // namespace ztpy
