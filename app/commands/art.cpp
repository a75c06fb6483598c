// ztclass art | fuzzy-art: the adaptive-resonance networks, which form at
// most K categories from a sample of the image and say how many they formed.
#include <cmath>
#include <iostream>
#include <memory>
#include <string>

#include "class_records.h"
#include "cluster_support.h"
#include "commands/commands.h"
#include "ztclass/neural.h"

namespace ztcli {

namespace {

struct ResonanceOptions {
  ClusterOptions cluster;
  double rate;
  double vigilance;
  long passes = 5;
};

struct ArtOptions {
  ResonanceOptions common{{}, 0.5, 0.99};
  double noise = 0.0;
};

struct FuzzyArtOptions {
  ResonanceOptions common{{}, 1.0, 0.75};
  double choice = 0.001;
};

// The vigilance range of the method, which its model's training takes too.
struct VigilanceRange {
  double least, most;
  std::string text;  // the range, after "--vigilance must"
};

void CheckCommon(const ResonanceOptions& o, const VigilanceRange& vigilance) {
  if (o.cluster.classes < 1) throw UsageError("--clusters must be at least 1");
  if (o.cluster.classes > kHighestClassValue)
    throw UsageError("--clusters may be at most " + std::to_string(kHighestClassValue) +
                     " (class 255 marks no-data pixels)");
  if (!(o.rate >= 0 && o.rate <= 1)) throw UsageError("--rate must lie in 0..1");
  if (!(o.vigilance >= vigilance.least && o.vigilance <= vigilance.most))
    throw UsageError("--vigilance must " + vigilance.text);
  if (o.passes < 1 || o.passes > ZT_MAX_EPOCHS)
    throw UsageError("--passes must lie in 1.." + std::to_string(ZT_MAX_EPOCHS));
}

void AddCommonOptions(CLI::App& command, ResonanceOptions& o, const std::string& vigilanceHelp) {
  AddClusterOptions(command, o.cluster);
  // The categories take step colours: no class means to colour them by.
  command.remove_option(command.get_option("--display-bands"));
  command.add_option("--rate", o.rate, "How far a category moves towards each sample it accepts (0..1)")
      ->capture_default_str();
  command.add_option("--vigilance", o.vigilance, vigilanceHelp)->capture_default_str();
  command.add_option("--passes", o.passes, "Passes over the sample (1: each sample is seen once)")
      ->capture_default_str();
}

// Runs one network and reports how many of the K categories it formed.
// spec: the method and its own parameters, for --save-model and "train".
void Run(const ResonanceOptions& o, const VigilanceRange& vigilance, const std::string& what, ModelSpec spec,
         const std::function<long(ClusterJob&, unsigned long clusters, void* result)>& classify) {
  CheckCommon(o, vigilance);
  ClusterJob job(o.cluster, [](long k) { return k; });
  CheckNetworkInterval(o.cluster, job);
  spec.parameters.update({{"classes", o.cluster.classes}, {"interval", job.interval}, {"rate", o.rate},
                          {"vigilance", o.vigilance}, {"passes", o.passes}});
  // The result's classes are the categories formed, whether the export or a
  // model (--save-model) classified; "train" writes no result.
  const long formed = RunCluster(o.cluster, job, what, [&](void* result) {
    return classify(job, static_cast<unsigned long>(o.cluster.classes), result);
  }, spec);
  if (Quiet() || formed == 0) return;
  std::cout << formed << " of " << o.cluster.classes << " categories formed";
  if (formed < o.cluster.classes) std::cout << " (a higher --vigilance forms more)";
  std::cout << "\n";
}

void RunArt(const ArtOptions& o) {
  if (!(o.noise >= 0 && o.noise <= ZT_ART_NOISE_MAX))
    throw UsageError("--noise must lie in 0.." + FormatNumber(ZT_ART_NOISE_MAX) + " (1 would remove every band)");
  const VigilanceRange vigilance{ZT_ART_VIGILANCE_MIN, ZT_ART_VIGILANCE_MAX,
                                 "lie in " + FormatNumber(ZT_ART_VIGILANCE_MIN) + ".." +
                                     FormatNumber(ZT_ART_VIGILANCE_MAX)};
  Run(o.common, vigilance, "ART network classification", ModelSpec{"art", {{"noise", o.noise}}}, [&](ClusterJob& job, unsigned long k, void* result) {
    const Window& w = job.window;
    return ztARTNNClass(job.source.get(), job.bands.data(), static_cast<long>(job.bands.size()), k, job.interval,
                        o.common.rate, o.noise, o.common.vigilance, o.common.passes, result, w.rows, w.columns, w.firstRow,
                        w.firstColumn);
  });
}

void RunFuzzyArt(const FuzzyArtOptions& o) {
  if (!(o.choice > 0 && std::isfinite(o.choice))) throw UsageError("--choice must be a number above 0");
  const VigilanceRange vigilance{ZT_FUZZY_ART_VIGILANCE_MIN, ZT_FUZZY_ART_VIGILANCE_MAX,
                                 "be " + FormatNumber(ZT_FUZZY_ART_VIGILANCE_MIN) + " or more"};
  Run(o.common, vigilance, "Fuzzy ART network classification", ModelSpec{"fuzzy-art", {{"choice", o.choice}}}, [&](ClusterJob& job, unsigned long k, void* result) {
    const Window& w = job.window;
    return ztFuzzyARTNNClass(job.source.get(), job.bands.data(), static_cast<long>(job.bands.size()), k,
                             job.interval, o.common.rate, o.choice, o.common.vigilance, o.common.passes, result,
                             w.rows, w.columns, w.firstRow, w.firstColumn);
  });
}

}  // namespace

void AddArtCommands(CLI::App& app) {
  auto art = std::make_shared<ArtOptions>();
  auto* command = app.add_subcommand("art", "ART network: categories of similar spectral shape (brightness aside)");
  AddCommonOptions(*command, art->common,
                   "How alike in spectral shape a pixel and a category must be to join (cosine of the angle "
                   "between them, -1..1; higher: more, narrower categories)");
  command->add_option("--noise", art->noise,
                      "Band shares at or below this (of a pixel scaled to length 1) count as 0")
      ->capture_default_str();
  command->callback([art] { RunArt(*art); });

  auto fuzzy = std::make_shared<FuzzyArtOptions>();
  command = app.add_subcommand("fuzzy-art", "Fuzzy ART network: categories that are boxes of band values");
  AddCommonOptions(*command, fuzzy->common,
                   "How much of a pixel a category's box must already hold for the pixel to join (0 or "
                   "more; higher: more, smaller categories; above 1 every sample opens a category)");
  command->add_option("--choice", fuzzy->choice,
                      "Choice parameter above 0: small values prefer the category that holds the pixel best")
      ->capture_default_str();
  command->callback([fuzzy] { RunFuzzyArt(*fuzzy); });
}

}  // namespace ztcli
