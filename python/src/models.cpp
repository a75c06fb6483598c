// Models: train, load, save, describe, apply to an image on paths, and
// predict the classes of a numpy array.
#include <pybind11/numpy.h>

#include <cstdint>

#include <cmath>
#include <memory>
#include <optional>

#include "class_aoi_list.h"
#include "cli_support.h"
#include "errors.h"
#include "model_support.h"
#include "module.h"
#include "output_files.h"
#include "progress.h"
#include "result_image.h"
#include "result_options.h"
#include "ztclass/model.h"
#include "ztservices/raster.h"

namespace py = pybind11;

namespace ztpy {

namespace {

// A model call's failure, with the library's message of this thread.
void CheckModel(long code, const std::string& what) { Check(code, what, ztModelLastError()); }

ztcli::Window SourceWindow(void* source, const std::optional<std::vector<long>>& window) {
  Result result;
  result.window = window;
  return ztcli::SelectedWindow(result.Method(""), source);
}

class Model {
 public:
  explicit Model(ZTModel* model) : model_(model, ztModelFree) {}

  static Model Train(const std::string& method, const std::string& parameters, const std::string& image,
                     std::optional<std::string> aoi, std::optional<std::string> classField,
                     std::optional<std::vector<long>> bands, std::optional<std::vector<long>> window,
                     py::object callback) {
    CallProgress progress(std::move(callback));
    py::gil_scoped_release released;
    ztcli::Dataset source = ztcli::Dataset::Open(image, false);
    // Attached to the source, the class AOIs are what supervised training finds.
    ztcli::ClassAoiList aois(source.get(), aoi.value_or(""), classField.value_or(""), false);
    std::vector<long> list = bands ? *bands : ztcli::AllBands(source.get());
    ztcli::CheckBands(list, source.get(), "bands");
    const ztcli::Window w = SourceWindow(source.get(), window);
    ZTModel* trained = nullptr;
    const long code = ztModelTrain(method.c_str(), parameters.c_str(), source.get(), list.data(),
                                   static_cast<long>(list.size()), w.rows, w.columns, w.firstRow, w.firstColumn,
                                   progress.Sink(), &trained);
    Model model(trained);
    progress.Finish(code, "training " + method, ztModelLastError());
    return model;
  }

  static Model Load(const std::string& path) {
    ZTModel* model = nullptr;
    const long code = ztModelLoad(path.c_str(), &model);
    Model owned(model);
    CheckModel(code, "loading '" + path + "'");
    return owned;
  }

  static Model FromBytes(const py::bytes& bytes) {
    const std::string_view view = bytes;
    ZTModel* model = nullptr;
    const long code = ztModelLoadFromBuffer(view.data(), view.size(), &model);
    Model owned(model);
    CheckModel(code, "loading a model from bytes");
    return owned;
  }

  // Saved as the command line's train writes its model: refused over an
  // existing file without overwrite (the training image, say), and moved
  // into place only once written.
  void Save(const std::string& path, bool overwrite) const {
    ztcli::OutputFiles outputs(overwrite);
    const std::string written = outputs.AddOutput(path, "target", false);
    CheckModel(ztModelSave(model_.get(), written.c_str()), "saving '" + path + "'");
    CommitUnlessStopped(outputs);
  }

  py::bytes ToBytes() const {
    void* buffer = nullptr;
    size_t size = 0;
    CheckModel(ztModelSaveToBuffer(model_.get(), &buffer, &size), "saving a model to bytes");
    std::unique_ptr<void, void (*)(void*)> owned(buffer, ztModelFreeBuffer);
    return py::bytes(static_cast<const char*>(buffer), size);
  }

  std::string Describe() const { return ztModelDescribe(model_.get()); }

  void Apply(const std::string& image, const std::string& output, std::vector<long> bands,
             std::optional<std::string> confidence, const Result& options, py::object callback) const {
    CallProgress progress(std::move(callback));
    py::gil_scoped_release released;
    ztcli::OutputFiles outputs(options.overwrite);
    outputs.AddInput(image, true);
    ztcli::ResultImage result(options.Method(output), outputs);
    std::unique_ptr<ztcli::ResultImage> scores;
    if (confidence) {
      Result scoreOptions = options;
      scoreOptions.type = "Float32";
      scores = std::make_unique<ztcli::ResultImage>(scoreOptions.Method(*confidence), outputs, ztcli::Holds::Pixels,
                                                    "--confidence");
    }
    ztcli::Dataset source = ztcli::Dataset::Open(image, false);
    ztcli::CheckBands(bands, source.get(), "bands");
    ztcli::CheckTypeHoldsClasses(result.Type(), options.type,
                                 ztcli::DescribeModel(model_.get()).at("highest-class").get<long>(),
                                 ztRSGetRasterBand(source.get(), bands[0]));
    const ztcli::Window w = SourceWindow(source.get(), options.window);
    result.Create(source.get(), w);
    if (scores) scores->Create(source.get(), w);
    const long code = ztModelApply(model_.get(), source.get(), bands.data(), static_cast<long>(bands.size()),
                                   result.get(), scores ? scores->get() : nullptr, w.rows, w.columns, w.firstRow,
                                   w.firstColumn, progress.Sink());
    progress.Finish(code, "applying the model to '" + image + "'", ztModelLastError());
    result.Finish();
    if (scores) scores->Finish();
    CommitUnlessStopped(outputs);
  }

  // The classes of a window of image, read through GDAL, as a tile of a
  // run spread over several processes receives them, and whether the model
  // gave the tile's classes a no-data value: the run's result needs it if
  // any of its tiles has one, as the in-process apply's has.
  std::pair<py::array_t<std::uint8_t>, bool> Classify(const std::string& image, std::vector<long> bands,
                                                      std::optional<std::vector<long>> window) const {
    std::vector<std::uint8_t> pixels;
    ztcli::Window w;
    bool noData = false;
    {
      py::gil_scoped_release released;
      ztcli::Dataset source = ztcli::Dataset::Open(image, false);
      ztcli::CheckBands(bands, source.get(), "bands");
      w = SourceWindow(source.get(), window);
      pixels.resize(static_cast<size_t>(w.rows) * w.columns);
      noData = ClassifyInto(source.get(), bands, w, pixels.data());
    }
    py::array_t<std::uint8_t> classes({w.rows, w.columns});
    std::copy(pixels.begin(), pixels.end(), classes.mutable_data());
    return {classes, noData};
  }

  // The classes of a C-ordered array (bands, rows, columns) of a pixel type
  // of the raster service: the array becomes an image in memory whose bands
  // have the no-data value given (NaN, when none is, for floating point
  // numbers), and the model classifies it as it would the image.
  py::array_t<std::uint8_t> Predict(py::buffer array, int type, std::optional<double> noData) const {
    const py::buffer_info info = array.request();
    if (info.ndim != 3) throw ztcli::UsageError("predict takes an array shaped (bands, rows, columns)");
    const long bandCount = static_cast<long>(info.shape[0]), rows = static_cast<long>(info.shape[1]),
               columns = static_cast<long>(info.shape[2]);
    const auto pixelType = static_cast<ZTRSDataType>(type);
    py::array_t<std::uint8_t> classes({rows, columns});
    auto* out = classes.mutable_data();
    {
      py::gil_scoped_release released;
      ztcli::Dataset source(ztRSCreate(ztRSGetDriverByName("MEM"), "", columns, rows, bandCount, pixelType, nullptr));
      if (!source.get()) throw ztcli::CommandError("cannot hold the array as an image in memory");
      const auto* bytes = static_cast<const unsigned char*>(info.ptr);
      const size_t bandBytes = static_cast<size_t>(rows) * columns * ztRSSizeOfType(pixelType);
      const bool floating = pixelType == ZTRS_Float32 || pixelType == ZTRS_Float64;
      for (long b = 0; b < bandCount; ++b) {
        void* band = ztRSGetRasterBand(source.get(), b + 1);
        if (noData) ztRSSetRasterNoDataValue(band, *noData);
        else if (floating) ztRSSetRasterNoDataValue(band, std::nan(""));
        Check(ztRSRasterIO(band, ZTRS_Write, 0, 0, columns, rows, const_cast<unsigned char*>(bytes + b * bandBytes),
                           columns, rows, pixelType, 0, 0),
              "holding the array as an image");
      }
      std::vector<long> bands(bandCount);
      for (long b = 0; b < bandCount; ++b) bands[b] = b + 1;
      ClassifyInto(source.get(), bands, ztcli::Window{rows, columns, 0, 0}, out);
    }
    return classes;
  }

 private:
  // Applies the model to the window of source into an image in memory and
  // reads its classes back; true when the model gave them a no-data value.
  bool ClassifyInto(void* source, std::vector<long>& bands, const ztcli::Window& w, std::uint8_t* classes) const {
    ztcli::Dataset result(ztRSCreate(ztRSGetDriverByName("MEM"), "", w.columns, w.rows, 1, ZTRS_Byte, nullptr));
    if (!result.get()) throw ztcli::CommandError("cannot hold the classes of a window in memory");
    // A silent sink of the call's own: without one the call would report to,
    // and stop with, the process's sink, another thread's call's.
    static const ZTProgressSink kSilent{};
    CheckModel(ztModelApply(model_.get(), source, bands.data(), static_cast<long>(bands.size()), result.get(), nullptr,
                            w.rows, w.columns, w.firstRow, w.firstColumn, &kSilent),
               "classifying");
    Check(ztRSFlushCache(result.get()), "writing the classes");
    Check(ztRSRasterIO(ztRSGetRasterBand(result.get(), 1), ZTRS_Read, 0, 0, w.columns, w.rows, classes, w.columns,
                       w.rows, ZTRS_Byte, 0, 0),
          "reading the classes back");
    int noData = 0;
    ztRSGetRasterNoDataValue(ztRSGetRasterBand(result.get(), 1), &noData);
    return noData == 1;
  }

  std::shared_ptr<ZTModel> model_;
};

}  // namespace

void AddModels(py::module_& m) {
  py::class_<Model>(m, "Model")
      .def_static("train", &Model::Train, py::call_guard<QuietGdal>())
      .def_static("load", &Model::Load, py::call_guard<QuietGdal>())
      .def_static("from_bytes", &Model::FromBytes, py::call_guard<QuietGdal>())
      .def("save", &Model::Save, py::call_guard<QuietGdal, py::gil_scoped_release>())
      .def("to_bytes", &Model::ToBytes, py::call_guard<QuietGdal>())
      .def("describe", &Model::Describe)
      .def("apply", &Model::Apply, py::call_guard<QuietGdal>())
      .def("predict", &Model::Predict, py::call_guard<QuietGdal>())
      .def("classify", &Model::Classify, py::call_guard<QuietGdal>());
  m.attr("Byte") = static_cast<int>(ZTRS_Byte);
  m.attr("Int8") = static_cast<int>(ZTRS_Int8);
  m.attr("UInt16") = static_cast<int>(ZTRS_UInt16);
  m.attr("Int16") = static_cast<int>(ZTRS_Int16);
  m.attr("UInt32") = static_cast<int>(ZTRS_UInt32);
  m.attr("Int32") = static_cast<int>(ZTRS_Int32);
  m.attr("Float32") = static_cast<int>(ZTRS_Float32);
  m.attr("Float64") = static_cast<int>(ZTRS_Float64);
}

}  // namespace ztpy
