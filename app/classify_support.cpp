#include "classify_support.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <iostream>
#include <sstream>

#include "class_records.h"
#include "progress_bar.h"
#include "quicklook.h"
#include "worker_threads.h"
#include "written_files.h"
#include "ztclass/samples.h"
#include "ztservices/raster.h"

namespace ztcli {

namespace {
}  // namespace

void AddClassifyOptions(CLI::App& command, ClassifyOptions& o) {
  command.add_option("IMAGE", o.image, "Multi-band image to classify")->required();
  command.add_option("--aoi", o.aoiFile,
                     "Vector file of training polygons (default: IMAGE.aoi.gpkg or IMAGE.aoi.geojson)");
  command.add_option("--class-field", o.classField, "Field naming the class (default: class, classname, name or label)");
  AddAoiPixelsFlag(command, o.aoiPixels);
  AddBandOption(command, o.method);
  AddWindowOption(command, o.method);
  AddResultOptions(command, o.method);
  if (!ForTraining(command)) command.add_option("--png", o.png, "Also write a colour quicklook of the class image");
  if (!ForTraining(command))
    command.add_option("--save-model", o.saveModel, "Also save the trained model to this file (see ztclass apply)");
  AddThreadsOption(command);
}

Classification::Classification(const ClassifyOptions& o, Training training)
    : options_(o), outputs_(o.method.overwrite), source_(nullptr) {
  outputs_.AddInput(o.image, true);
  if (!o.aoiFile.empty()) outputs_.AddInput(o.aoiFile, false);
  if (o.method.trainingOnly) {
    modelPath_ = outputs_.AddOutput(o.method.output, "-o", false);
  } else {
    result_ = std::make_unique<ResultImage>(o.method, outputs_);
    if (!o.png.empty()) png_ = outputs_.AddOutput(o.png, "--png", false);
    if (!o.saveModel.empty()) modelPath_ = outputs_.AddOutput(o.saveModel, "--save-model", false);
  }
  source_ = Dataset::Open(o.image, false);
  bands_ = SelectedBands(o.method, source_.get());
  window_ = SelectedWindow(o.method, source_.get());
  aois_ = std::make_unique<ClassAoiList>(source_.get(), o.aoiFile, o.classField, o.aoiPixels);
  if (aois_->Aois().empty())
    throw CommandError(NoClassAoiReason(o.image, o.aoiFile));
  if (ClassCount() > kHighestClassValue)
    throw UsageError("the training polygons hold " + std::to_string(ClassCount()) + " classes; a class image holds " +
                     "at most " + std::to_string(kHighestClassValue) + ", its value 255 marking no-data pixels");
  if (result_)
    CheckTypeHoldsClasses(result_->Type(), o.method.type, ClassCount(), ztRSGetRasterBand(source_.get(), bands_[0]));
  CheckTrainingPixels(training);
}

// A class without training pixels would be dropped, or make the statistics
// singular, without saying which class it was.
void Classification::CheckTrainingPixels(Training training) const {
  std::vector<AOI>& aois = aois_->Aois();
  // The training pixels of each class AOI in bands: a pixel with NaN, an
  // infinity or the first band's no-data value in one of them is none.
  auto countPixels = [&](void* dataset, std::vector<long> bands) {
    AOICELL* cells = nullptr;
    long count = 0;
    Check(ztGetAOICellSet(dataset, bands.data(), static_cast<long>(bands.size()), aois.data(),
                          static_cast<long>(aois.size()), &cells, count),
          "gathering the training pixels");
    std::vector<long> pixels(aois.size() + 1, 0);
    const Window& w = window_;
    for (long i = 0; i < count; ++i) {
      const AOICELL& cell = cells[i];
      const bool inside = cell.row >= w.firstRow && cell.row < w.firstRow + w.rows &&
                          cell.column >= w.firstColumn && cell.column < w.firstColumn + w.columns;
      if ((training == Training::kWholeImage || inside) && cell.classNo >= 1 &&
          cell.classNo <= static_cast<long>(aois.size()))
        ++pixels[cell.classNo];
    }
    ztFreeAOICellSet(cells, count);
    return pixels;
  };
  const std::vector<long> pixels = countPixels(source_.get(), bands_);
  for (size_t k = 1; k < pixels.size(); ++k) {
    if (pixels[k] > 0) continue;
    const AOI& aoi = aois[k - 1];
    const std::string name(aoi.name, strnlen(aoi.name, sizeof aoi.name));
    const std::string lacking = "class " + std::to_string(k) + " '" + name + "' has no training pixel" +
                                (training == Training::kWindow ? " in the window" : "") + ": ";
    auto pixelsOf = [](long n) { return n == 1 ? "the one pixel" : "each of the " + std::to_string(n) + " pixels"; };
    if (const long numbered = BandCount() > 1 ? countPixels(source_.get(), {bands_[0]})[k] : 0; numbered > 0)
      throw CommandError(lacking + pixelsOf(numbered) + " of its class AOI with data in band " +
                         std::to_string(bands_[0]) + " of '" + options_.image +
                         "' holds NaN, an infinity or the no-data value in another band used");
    // A band of no values and no no-data value, as large as the image: the
    // pixels the class AOI covers, whatever the image holds there.
    const Dataset blank(ztRSCreate(ztRSGetDriverByName("VRT"), "", ztRSGetRasterXSize(source_.get()),
                                   ztRSGetRasterYSize(source_.get()), 1, ZTRS_Byte, nullptr));
    if (const long covered = blank.get() ? countPixels(blank.get(), {1})[k] : 0; covered > 0)
      throw CommandError(lacking + pixelsOf(covered) + " of its class AOI holds NaN, an infinity or the no-data " +
                         "value in band " + std::to_string(bands_[0]) + " of '" + options_.image + "'");
    if (training == Training::kWindow)
      throw CommandError("class " + std::to_string(k) + " '" + name +
                         "' has no training pixel in the window, and this method trains on the window's pixels "
                         "only: widen the window or leave the class out");
    throw CommandError("the class AOI of class " + std::to_string(k) + " '" + name + "' covers no pixel of '" +
                       options_.image + "'");
  }
}

void Classification::Run(const std::string& what, const std::function<long(void*)>& compute, const Image& image) {
  result_->Create(source_.get(), window_, image.bands);
  {
    ProgressBar bar;
    Check(compute(result_->get()), what);
  }
  if (image.describe) image.describe(result_->get());
  result_->Finish();
  if (!png_.empty()) image.picture(result_->Written(), png_);
  outputs_.Commit();
}

void Classification::Run(const std::string& what, const std::function<long(void*)>& classify) {
  Run(what, classify, ModelSpec{});
}

void Classification::Run(const std::string& what, const std::function<long(void*)>& classify, const ModelSpec& spec) {
  ModelHandle model;
  if (!modelPath_.empty() || !classify) model = TrainModel(spec, source_.get(), bands_, window_);
  if (options_.method.trainingOnly) {
    SaveModel(model.get(), modelPath_);
    outputs_.Commit();
    if (!Quiet()) std::cout << "Wrote " << options_.method.output << " (" << spec.method << " model)\n";
    return;
  }
  result_->Create(source_.get(), window_);
  {
    ProgressBar bar;
    if (model)
      CheckModelCall(ztModelApply(model.get(), source_.get(), bands_.data(), BandCount(), result_->get(), nullptr,
                                  window_.rows, window_.columns, window_.firstRow, window_.firstColumn, nullptr),
                     what);
    else
      Check(classify(result_->get()), what);
  }
  ReportBandScaling(result_->get());
  std::vector<CLASSATTINFO> records = result_->Finish();
  if (!png_.empty()) WriteQuicklook(result_->Written(), png_);
  if (!modelPath_.empty()) SaveModel(model.get(), modelPath_);
  outputs_.Commit();
  if (Quiet()) return;
  std::cout << "Wrote " << options_.method.output << " (" << ClassesText(records.size()) << ")"
            << AlsoWritten({options_.png, options_.saveModel}) << "\n";
}

void Classification::Run(const std::string& what, const ModelSpec& spec) { Run(what, nullptr, spec); }

std::vector<float> ParseFactors(const std::string& text, long classCount, const std::string& option) {
  std::vector<float> factors;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, ',');) {
    float value = 0;
    auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
    if (ec != std::errc() || end != part.data() + part.size() || part.empty())
      throw UsageError(option + " expects numbers, got '" + text + "'");
    if (!std::isfinite(value) || value <= 0)
      throw UsageError(option + " values must be finite and above 0, got '" + part + "'");
    factors.push_back(value);
  }
  if (factors.size() == 1) factors.assign(classCount, factors[0]);
  if (static_cast<long>(factors.size()) != classCount)
    throw UsageError(option + " lists " + std::to_string(factors.size()) + " values for " +
                     std::to_string(classCount) + " class AOIs");
  return factors;
}

}  // namespace ztcli
