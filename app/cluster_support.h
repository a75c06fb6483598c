#pragma once
// What the unsupervised commands share: the source, bands, window and
// sampling interval, the checks that the result can hold every class
// number, and the run that creates, fills, names and reports the result.
#include <CLI/CLI.hpp>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli_support.h"
#include "model_support.h"
#include "output_files.h"
#include "result_image.h"
#include "result_options.h"

namespace ztcli {

struct ClusterOptions {
  std::string image, png, displayBands, saveModel;
  long classes = 0;
  long interval = 0;  // 0: about kTargetSamples samples from the window
  MethodOptions method;
};

constexpr long kTargetSamples = 100000;

// IMAGE, --bands, --window/--srcwin, -o/--of/--ot/--co/--overwrite, --png,
// --classes, --interval, --display-bands, --save-model.
void AddClusterOptions(CLI::App& command, ClusterOptions& options);

struct ClusterJob {
  // highestValue(K): the largest class number the method can write. Every
  // option is checked here, before any work.
  ClusterJob(const ClusterOptions& options, const std::function<long(long)>& highestValue);

  OutputFiles outputs;
  std::unique_ptr<ResultImage> result;
  std::string png;  // where the quicklook is written until it is moved into place
  std::string modelPath;  // where the model is written (--save-model, or -o under "train")
  Dataset source;
  std::vector<long> bands;
  Window window;
  long interval;
  // Positions (from 1) of the display bands in the band list; empty: none.
  std::vector<long> displayPositions;
  long* DisplayBands() { return displayPositions.empty() ? nullptr : displayPositions.data(); }
};

// The unsupervised networks sample the image in steps of the interval in
// both directions and take none beyond its smaller side: a larger
// --interval, given or the default, is a usage error.
void CheckNetworkInterval(const ClusterOptions& options, const ClusterJob& job);

// Creates the result, runs classify(result) under the progress bar, gives
// the result its legend, writes the quicklook when asked, moves both into
// place and reports the pixels of each class. A failed or stopped run
// leaves nothing behind. Returns the number of classes of the result (0
// when only a model is written).
// spec: the model the command trains, for --save-model and "train" (see
// Classification::Run).
long RunCluster(const ClusterOptions& options, ClusterJob& job, const std::string& what,
                const std::function<long(void* result)>& classify, const ModelSpec& spec = {});

// "classes", "interval" and "display-bands" of a job.
ModelSpec ClusterModelSpec(const std::string& method, const ClusterOptions& options, const ClusterJob& job);

}  // namespace ztcli
