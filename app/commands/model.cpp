// ztclass train | apply | model: a classifier trained once and applied to
// many images.
#include <cpl_error.h>

#include <cmath>
#include <iostream>
#include <memory>

#include "commands/commands.h"
#include "dask_launch.h"
#include "model_support.h"
#include "output_files.h"
#include "progress_bar.h"
#include "quicklook.h"
#include "result_image.h"
#include "terminal_text.h"
#include "training_likeness.h"
#include "worker_threads.h"
#include "written_files.h"
#include "ztservices/raster.h"

namespace ztcli {

namespace {

struct ApplyOptions {
  std::string model, image, png, confidence, dask;
  long tile = kApplyTile;
  MethodOptions method;
};

// The bands the model reads of the image (its own unless --bands), checked
// against the model and the image; a warning where the image's data look
// unlike the training image's.
std::vector<long> ModelBands(const ApplyOptions& o, const nlohmann::json& description, void* source) {
  std::vector<long> bands =
      o.method.bands ? SelectedBands(o.method, source) : description.at("bands").get<std::vector<long>>();
  const long bandCount = description.at("band-count").get<long>();
  if (static_cast<long>(bands.size()) != bandCount)
    throw UsageError("the model takes " + std::to_string(bandCount) + " bands; " + std::to_string(bands.size()) +
                     " given");
  for (long band : bands)
    if (band < 1 || band > ztRSGetRasterCount(source))
      throw UsageError("'" + o.image + "' has no band " + std::to_string(band) + " (the model's bands are " +
                       description.at("bands").dump() + "; pick others with --bands)");
  WarnOfOtherData(description, source, bands, o.image);
  return bands;
}

// The command's options as the Python package's distributed apply takes
// them; the window and bands resolved here, so that both read them alike.
void RunApplyOnDask(const ApplyOptions& o) {
  if (!o.png.empty() || !o.confidence.empty()) throw UsageError("--png and --confidence do not go with --dask");
  if (o.method.type != "Byte") throw UsageError("--dask writes Byte class images; --ot " + o.method.type + " is not");
  if (o.tile < 1) throw UsageError("--tile must be 1 or more");
  std::vector<std::string> arguments = {o.model, o.image, "-o", o.method.output, "--dask", o.dask,
                                        "--tile", std::to_string(o.tile), "--of", o.method.format};
  Dataset source = Dataset::Open(o.image, false);
  const std::vector<long> bands = ModelBands(o, DescribeModel(LoadModel(o.model).get()), source.get());
  const Window w = SelectedWindow(o.method, source.get());
  arguments.insert(arguments.end(), {"--srcwin", std::to_string(w.firstColumn), std::to_string(w.firstRow),
                                     std::to_string(w.columns), std::to_string(w.rows)});
  if (o.method.bands) {
    std::string list;
    for (long band : bands) list += (list.empty() ? "" : ",") + std::to_string(band);
    arguments.insert(arguments.end(), {"--bands", list});
  }
  for (const std::string& option : o.method.creationOptions) arguments.insert(arguments.end(), {"--co", option});
  if (o.method.overwrite) arguments.push_back("--overwrite");
  if (Quiet()) arguments.push_back("-q");
  RunOnDask(arguments);
}

void RunApply(const ApplyOptions& o) {
  if (!o.dask.empty()) return RunApplyOnDask(o);
  OutputFiles outputs(o.method.overwrite);
  outputs.AddInput(o.model, false);
  outputs.AddInput(o.image, true);
  ResultImage result(o.method, outputs);
  std::string png, confidencePath;
  if (!o.png.empty()) png = outputs.AddOutput(o.png, "--png", false);
  if (!o.confidence.empty()) confidencePath = outputs.AddOutput(o.confidence, "--confidence", true);
  ModelHandle model = LoadModel(o.model);
  const nlohmann::json description = DescribeModel(model.get());
  Dataset source = Dataset::Open(o.image, false);
  std::vector<long> bands = ModelBands(o, description, source.get());
  const long bandCount = static_cast<long>(bands.size());
  const Window window = SelectedWindow(o.method, source.get());
  CheckTypeHoldsClasses(result.Type(), o.method.type, description.at("highest-class").get<long>(),
                        ztRSGetRasterBand(source.get(), bands[0]));
  result.Create(source.get(), window);
  Dataset confidence(nullptr);
  if (!confidencePath.empty()) {
    CPLErrorReset();
    confidence = Dataset(ztRSCreate(ztRSGetDriverByName("GTiff"), confidencePath.c_str(), window.columns, window.rows,
                                    1, ZTRS_Float32, nullptr));
    if (!confidence.get()) throw CannotCreate(o.confidence);
    ztRSCopyGeoreference(source.get(), confidence.get(), window.firstRow, window.firstColumn);
    ztRSSetRasterNoDataValue(ztRSGetRasterBand(confidence.get(), 1), std::nan(""));
  }
  {
    ProgressBar bar;
    CheckModelCall(ztModelApply(model.get(), source.get(), bands.data(), bandCount, result.get(), confidence.get(),
                                window.rows, window.columns, window.firstRow, window.firstColumn, nullptr),
                   "applying the model");
  }
  if (confidence.get()) confidence.Close(o.confidence);
  const std::vector<CLASSATTINFO> records = result.Finish();
  if (!png.empty()) WriteQuicklook(result.Written(), png);
  outputs.Commit();
  if (Quiet()) return;
  std::cout << "Wrote " << o.method.output << " (" << ClassesText(records.size()) << ")"
            << AlsoWritten({o.png, o.confidence}) << "\n";
}

}  // namespace

void AddModelCommands(CLI::App& app) {
  auto* train = app.add_subcommand("train", "Train a model once (METHOD IMAGE ... -o MODEL), to apply it to many images");
  train->require_subcommand(1);
  AddStatisticalCommands(*train);
  AddClusterCommands(*train);
  AddNeuralCommands(*train);
  AddKohonenCommand(*train);
  AddArtCommands(*train);

  auto apply = std::make_shared<ApplyOptions>();
  auto* command = app.add_subcommand("apply", "Classify an image with a saved model");
  command->add_option("MODEL", apply->model, "Model file written by train or --save-model")->required();
  command->add_option("IMAGE", apply->image, "Image of the model's band count")->required();
  AddBandOption(*command, apply->method, "the model's bands");
  AddWindowOption(*command, apply->method);
  AddResultOptions(*command, apply->method);
  command->add_option("--png", apply->png, "Also write a colour quicklook of the class image");
  command->add_option("--confidence", apply->confidence,
                      "Also write each pixel's confidence as a Float32 GeoTIFF (see the README for each method's)");
  command->add_option("--dask", apply->dask,
                      "Run over a Dask cluster: tcp://HOST:PORT of its scheduler, or local:N worker processes");
  command->add_option("--tile", apply->tile, "With --dask, the tile size in pixels (whole 256 x 256 blocks)")
      ->capture_default_str();
  AddThreadsOption(*command);
  command->callback([apply] { RunApply(*apply); });

  auto path = std::make_shared<std::string>();
  command = app.add_subcommand("model", "Print what a model holds: method, parameters, bands, classes");
  command->add_option("MODEL", *path, "Model file")->required();
  command->callback([path] { DataOut() << ztModelDescribe(LoadModel(*path).get()) << "\n"; });
}

}  // namespace ztcli
