// ztclass mindist | box | gmindist | maxlike: the supervised statistical
// classifiers.

#include "classify_support.h"
#include "commands/commands.h"
#include "ztclass/statistical.h"

namespace ztcli {

namespace {

struct DistanceOptions {
  ClassifyOptions classify;
  std::string devFactor = "3";
  std::string maxDev;
  bool noDevTest = false;
  bool noMaxTest = false;
};

void RunMinDist(const DistanceOptions& o) {
  Classification job(o.classify, Training::kWindow);
  const long classes = job.ClassCount();
  ModelSpec spec{"mindist",
                 {{"dev-factor", ParseFactors(o.devFactor, classes, "--dev-factor")},
                  {"dev-test", !o.noDevTest},
                  {"max-test", !o.noMaxTest}}};
  if (!o.maxDev.empty()) spec.parameters["max-dev"] = ParseFactors(o.maxDev, classes, "--max-dev");
  job.Run("minimum distance classification", spec);
}

void RunBox(const DistanceOptions& o) {
  Classification job(o.classify, Training::kWindow);
  std::vector<float> factors = ParseFactors(o.devFactor, job.ClassCount(), "--dev-factor");
  job.Run("parallelepiped classification", ModelSpec{"box", {{"dev-factor", factors}}});
}

void RunGMinDist(const DistanceOptions& o) {
  Classification job(o.classify, Training::kWindow);
  std::vector<float> factors = ParseFactors(o.devFactor, job.ClassCount(), "--dev-factor");
  job.Run("generalized minimum distance classification",
          ModelSpec{"gmindist", {{"dev-factor", factors}, {"dev-test", !o.noDevTest}}});
}

struct MaxLikeOptions {
  ClassifyOptions classify;
};

// The classifier's threshold argument is not used by it: the command passes
// 0 and offers no option for it.
void RunMaxLike(const MaxLikeOptions& o) {
  Classification job(o.classify, Training::kWholeImage);
  const Window& w = job.GetWindow();
  job.Run("maximum likelihood classification", [&](void* result) {
    return MaxLiklihoodClass(job.Source(), const_cast<long*>(job.Bands().data()), job.BandCount(), 0.0,
                             result, w.rows, w.columns, w.firstRow, w.firstColumn);
  }, ModelSpec{"maxlike"});
}

void AddDevFactor(CLI::App& command, DistanceOptions& o, const std::string& meaning) {
  command.add_option("--dev-factor", o.devFactor, meaning + ": one number, or one per class AOI (1.5,2,3)")
      ->capture_default_str();
}

}  // namespace

void AddStatisticalCommands(CLI::App& app) {
  auto mindist = std::make_shared<DistanceOptions>();
  auto* command = app.add_subcommand("mindist", "Supervised minimum distance classification");
  AddClassifyOptions(*command, mindist->classify);
  AddDevFactor(*command, *mindist, "Reject pixels further than this many standard deviations from their class mean");
  command->add_option("--max-dev", mindist->maxDev,
                      "Reject pixels further than this from their class mean in any band (default: no limit)");
  command->add_flag("--no-dev-test", mindist->noDevTest, "Do not reject by standard deviations");
  command->add_flag("--no-max-test", mindist->noMaxTest, "Do not reject by --max-dev");
  command->callback([mindist] { RunMinDist(*mindist); });

  auto box = std::make_shared<DistanceOptions>();
  box->devFactor = "2";
  command = app.add_subcommand("box", "Supervised parallelepiped classification");
  AddClassifyOptions(*command, box->classify);
  AddDevFactor(*command, *box, "Half-width of each class's box in standard deviations");
  command->callback([box] { RunBox(*box); });

  auto gmindist = std::make_shared<DistanceOptions>();
  command = app.add_subcommand("gmindist", "Supervised generalized minimum distance classification");
  AddClassifyOptions(*command, gmindist->classify);
  AddDevFactor(*command, *gmindist, "Reject pixels further than this many standard deviations from their class mean");
  command->add_flag("--no-dev-test", gmindist->noDevTest, "Do not reject by standard deviations");
  command->callback([gmindist] { RunGMinDist(*gmindist); });

  auto maxlike = std::make_shared<MaxLikeOptions>();
  command = app.add_subcommand("maxlike", "Supervised maximum likelihood classification");
  AddClassifyOptions(*command, maxlike->classify);
  command->callback([maxlike] { RunMaxLike(*maxlike); });
}

}  // namespace ztcli
