#include "cluster_support.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <map>

#include "class_records.h"
#include "progress_bar.h"
#include "quicklook.h"
#include "worker_threads.h"
#include "written_files.h"
#include "ztservices/raster.h"

namespace ztcli {

namespace {

// Values of the result that one count read holds at most.
constexpr long kCountValues = 1L << 21;

// Pixels of each class value in band 1 of a result, written out first (see
// ztRSFlushCache). A whole row of blocks per read, so that GDAL decodes each
// block once and, on a result compressed on several threads, decodes the
// blocks of a read on those threads; a class map is long runs of one value,
// so a run costs one look-up.
std::map<long, long> PixelsPerClass(void* result, const std::string& path) {
  CPLErrorReset();
  if (ztRSFlushCache(result) != 0) throw CannotWrite("'" + path + "'", GdalFailureReason());
  std::map<long, long> counts;
  void* band = ztRSGetRasterBand(result, 1);
  const long columns = ztRSGetRasterXSize(result), rows = ztRSGetRasterYSize(result);
  long blockColumns = 0, blockRows = 1;
  ztRSGetBlockSize(band, &blockColumns, &blockRows);
  const long step = std::clamp(blockRows, 1L, std::max(1L, kCountValues / std::max(1L, columns)));
  std::vector<double> values(step * columns);
  for (long y = 0; y < rows; y += step) {
    const long count = std::min(step, rows - y);
    if (ztRSRasterIO(band, ZTRS_Read, 0, y, columns, count, values.data(), columns, count, ZTRS_Float64, 0, 0) != 0)
      break;
    double last = std::nan("");
    long* pixels = nullptr;
    for (long i = 0; i < count * columns; ++i) {
      const double v = values[i];
      if (!(v == last)) {
        last = v;
        pixels = &counts[std::lround(v)];
      }
      ++*pixels;
    }
  }
  return counts;
}

}  // namespace

void AddClusterOptions(CLI::App& command, ClusterOptions& o) {
  command.add_option("IMAGE", o.image, "Multi-band image to classify")->required();
  AddBandOption(command, o.method);
  AddWindowOption(command, o.method);
  AddResultOptions(command, o.method);
  if (!ForTraining(command)) command.add_option("--png", o.png, "Also write a colour quicklook of the class image");
  command.add_option("--classes,--clusters", o.classes, "Number of classes K to look for")->required();
  command.add_option("--interval", o.interval,
                     "Sampling interval in pixels, rows and columns (default, or 0: the one that draws about " +
                         std::to_string(kTargetSamples) + " samples from the window)");
  command.add_option("--display-bands", o.displayBands,
                     "Image bands R,G,B (from --bands) whose class means colour the classes (default: step colours)");
  if (!ForTraining(command))
    command.add_option("--save-model", o.saveModel, "Also save the trained model to this file (see ztclass apply)");
  AddThreadsOption(command);
}

ClusterJob::ClusterJob(const ClusterOptions& o, const std::function<long(long)>& highestValue)
    : outputs(o.method.overwrite), source(nullptr) {
  outputs.AddInput(o.image, true);
  if (o.method.trainingOnly) {
    modelPath = outputs.AddOutput(o.method.output, "-o", false);
  } else {
    result = std::make_unique<ResultImage>(o.method, outputs);
    if (!o.png.empty()) png = outputs.AddOutput(o.png, "--png", false);
    if (!o.saveModel.empty()) modelPath = outputs.AddOutput(o.saveModel, "--save-model", false);
  }
  source = Dataset::Open(o.image, false);
  bands = SelectedBands(o.method, source.get());
  window = SelectedWindow(o.method, source.get());
  if (o.classes < 1) throw UsageError("--classes must be at least 1");
  if (o.interval < 0) throw UsageError("--interval must be 0 or more (0: the default)");
  interval = o.interval;
  if (interval == 0) {
    const double pixels = double(window.rows) * double(window.columns);
    interval = std::max(1L, long(std::sqrt(pixels / kTargetSamples)));
  }
  if (!o.displayBands.empty()) {
    for (long band : ParseBandList(o.displayBands)) {
      long position = 0;
      for (size_t i = 0; i < bands.size() && position == 0; ++i)
        if (bands[i] == band) position = long(i) + 1;
      if (position == 0) throw UsageError("--display-bands: band " + std::to_string(band) + " is not among the bands used");
      displayPositions.push_back(position);
    }
    if (displayPositions.size() != 3) throw UsageError("--display-bands expects three bands R,G,B");
  }
  const long highest = highestValue(o.classes);
  if (result && highest > TypeMaximum(result->Type()))
    throw UsageError("--classes " + std::to_string(o.classes) + " gives class values up to " +
                       std::to_string(highest) + ", more than a " + o.method.type + " result holds");
  // 255 is the class of no-data pixels wherever classes go (a saved model
  // holds 1..254 and may meet another image's no-data): the values stop at
  // 254 whether or not this image has no-data, with --save-model or without.
  if (highest > kHighestClassValue)
    throw UsageError("--classes " + std::to_string(o.classes) + " gives class values up to " +
                       std::to_string(highest) + ", beyond " + std::to_string(kHighestClassValue) +
                       ": 255 is the class of no-data pixels");
}

void CheckNetworkInterval(const ClusterOptions& o, const ClusterJob& job) {
  const long side = std::min(ztRSGetRasterXSize(job.source.get()), ztRSGetRasterYSize(job.source.get()));
  if (job.interval <= side) return;
  throw UsageError(std::string(o.interval == 0 ? "the default " : "") + "--interval " + std::to_string(job.interval) +
                   " is larger than the image's smaller side (" + std::to_string(side) + " pixels)" +
                   (o.interval == 0 ? "; give a smaller one" : ""));
}

ModelSpec ClusterModelSpec(const std::string& method, const ClusterOptions& o, const ClusterJob& job) {
  ModelSpec spec{method, {{"classes", o.classes}, {"interval", job.interval}}};
  if (!job.displayPositions.empty()) spec.parameters["display-bands"] = job.displayPositions;
  return spec;
}

long RunCluster(const ClusterOptions& o, ClusterJob& job, const std::string& what,
                const std::function<long(void*)>& classify, const ModelSpec& spec) {
  ModelHandle model;
  if (!job.modelPath.empty()) model = TrainModel(spec, job.source.get(), job.bands, job.window);
  if (o.method.trainingOnly) {
    SaveModel(model.get(), job.modelPath);
    job.outputs.Commit();
    if (!Quiet()) std::cout << "Wrote " << o.method.output << " (" << spec.method << " model)\n";
    return 0;
  }
  job.result->Create(job.source.get(), job.window);
  {
    ProgressBar bar;
    const Window& w = job.window;
    if (model)
      CheckModelCall(ztModelApply(model.get(), job.source.get(), job.bands.data(), static_cast<long>(job.bands.size()),
                                  job.result->get(), nullptr, w.rows, w.columns, w.firstRow, w.firstColumn, nullptr),
                     what);
    else
      Check(classify(job.result->get()), what);
  }
  ReportBandScaling(job.result->get());
  if (model) SaveModel(model.get(), job.modelPath);
  const std::map<long, long> counts = PixelsPerClass(job.result->get(), o.method.output);
  const std::vector<CLASSATTINFO> records = job.result->Finish();
  if (!job.png.empty()) WriteQuicklook(job.result->Written(), job.png);
  job.outputs.Commit();
  const long classes = static_cast<long>(records.size());
  if (Quiet()) return classes;
  std::cout << "Wrote " << o.method.output << " (" << ClassesText(records.size()) << ", sampling interval "
            << job.interval << ")" << AlsoWritten({o.png, o.saveModel}) << "\n";
  for (const auto& [value, pixels] : counts) {
    std::string name = value == 255 ? "no data" : value == 0 ? "unclassified" : "";
    for (const CLASSATTINFO& r : records)
      if (r.classNo == value && value != 0) name = RecordName(r);
    std::cout << "  " << value << "\t" << name << "\t" << pixels << " pixels\n";
  }
  return classes;
}

}  // namespace ztcli
