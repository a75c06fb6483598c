#pragma once
// What the classifying commands share: the source with its training AOIs,
// the checks made before any work, per-class factor lists, and a run that
// leaves either a finished result or nothing.
#include <CLI/CLI.hpp>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "class_aoi_list.h"
#include "cli_support.h"
#include "model_support.h"
#include "output_files.h"
#include "result_image.h"
#include "result_options.h"

namespace ztcli {

struct ClassifyOptions {
  std::string image, aoiFile, classField, png, saveModel;
  bool aoiPixels = false;
  MethodOptions method;
};

// IMAGE, --aoi, --class-field, --bands, --window/--srcwin, -o/--of/--ot/--co/
// --overwrite, --png, --save-model.
void AddClassifyOptions(CLI::App& command, ClassifyOptions& options);

// Where a method takes its training pixels from.
enum class Training { kWindow, kWholeImage };

// One classification: the source, its class AOIs, the band list, the window
// and the result, all checked on construction, before any work.
class Classification {
 public:
  Classification(const ClassifyOptions& options, Training training);

  void* Source() const { return source_.get(); }
  const std::vector<long>& Bands() const { return bands_; }
  long BandCount() const { return static_cast<long>(bands_.size()); }
  const Window& GetWindow() const { return window_; }
  long ClassCount() const { return static_cast<long>(aois_->Aois().size()); }

  // Creates the result, runs classify(result) under the progress bar, gives
  // the result its legend, writes the quicklook when asked, and moves both
  // into place; on failure or stop nothing is left.
  void Run(const std::string& what, const std::function<long(void* result)>& classify);
  // The same for a method that has a model: with --save-model the result
  // comes from the model trained by spec (the same pixels) and the model is
  // saved beside it; under "train" only the model is written, to -o.
  void Run(const std::string& what, const std::function<long(void* result)>& classify, const ModelSpec& spec);
  // The same for a method whose training pixels only the library can tell
  // (the distance classifiers' class mask): the result always comes from the
  // model trained by spec, which refuses a class AOI without training pixels
  // that the export would leave out of the result without a word.
  void Run(const std::string& what, const ModelSpec& spec);

  // A result that is no class image: its bands, what it gets before it is
  // closed (band names, say), and its own picture for --png.
  struct Image {
    long bands = 1;
    std::function<void(void* result)> describe;
    std::function<void(const std::string& written, const std::string& png)> picture;
  };
  // The same road for such a result; the caller says what was written.
  void Run(const std::string& what, const std::function<long(void* result)>& compute, const Image& image);

  std::vector<AOI>& ClassAois() const { return aois_->Aois(); }

 private:
  void CheckTrainingPixels(Training training) const;

  const ClassifyOptions& options_;
  OutputFiles outputs_;
  std::string modelPath_;  // where the model is written, if it is
  std::unique_ptr<ResultImage> result_;
  std::string png_;
  Dataset source_;
  std::unique_ptr<ClassAoiList> aois_;
  std::vector<long> bands_;
  Window window_;
};

// "2.5" for every class, or "1,2,3" with one entry per class AOI; every
// value finite and above 0.
std::vector<float> ParseFactors(const std::string& text, long classCount, const std::string& option);

}  // namespace ztcli
