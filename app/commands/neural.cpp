// ztclass bp | hrbp | rbf | lvq2: the supervised neural-network classifiers.
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <sstream>

#include "classify_support.h"
#include "commands/commands.h"
#include "number_options.h"
#include "ztclass/neural.h"
#include "ztclass/result_codes.h"
#include "ztclass/samples.h"

namespace ztcli {

namespace {

constexpr long kMaxHiddenSize = 500;

struct NetworkOptions {
  ClassifyOptions classify;
  std::optional<unsigned> seed;
};

// "10,8" -> {10, 8}; "0" or "" -> no hidden layer where allowed.
std::vector<long> ParseHiddenLayers(const std::string& text, bool allowNone) {
  std::vector<long> sizes;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, ',');) {
    long value = 0;
    auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
    if (ec != std::errc() || end != part.data() + part.size() || part.empty())
      throw UsageError("--hidden expects neuron counts such as 10,8, got '" + text + "'");
    sizes.push_back(value);
  }
  if (allowNone && (sizes.empty() || (sizes.size() == 1 && sizes[0] == 0))) return {};
  if (sizes.empty()) throw UsageError("--hidden needs at least one hidden layer");
  for (long size : sizes)
    if (size < 1 || size > kMaxHiddenSize)
      throw UsageError("--hidden layer sizes must lie in 1..500, got '" + text + "'");
  return sizes;
}

void CheckEpochs(long value, const std::string& option) {
  if (value < 0 || value > ZT_MAX_EPOCHS)
    throw UsageError(option + " must lie in 0.." + std::to_string(ZT_MAX_EPOCHS));
}

// The library's rand() draws repeat run after run; --seed picks another
// sequence.
void Seed(const NetworkOptions& o) {
  if (o.seed) std::srand(*o.seed);
}

// Which class lost all its training pixels to purification (mean +- 1
// standard deviation in every band), for a message the user can act on;
// otherwise, when every class kept some, the method's own reason.
std::string ClassWithoutSamples(Classification& job, const std::string& otherwise) {
  std::vector<AOI>& aois = job.ClassAois();
  const long classes = static_cast<long>(aois.size());
  AOICELL* cells = nullptr;
  AOICELL* purified = nullptr;
  long count = 0, kept = 0;
  std::vector<long> perClass(classes + 1, 0);
  if (ztGetAOICellSet(job.Source(), const_cast<long*>(job.Bands().data()), job.BandCount(), aois.data(), classes,
                      &cells, count) == RC_OK &&
      ztPurifyAOICellSet(cells, count, job.BandCount(), classes, &purified, kept, 1.0) == RC_OK)
    for (long i = 0; i < kept; ++i) ++perClass[purified[i].classNo];
  ztFreePrfAOICellSet(purified, kept);
  ztFreeAOICellSet(cells, count);
  for (long k = 1; k <= classes; ++k)
    if (perClass[k] == 0)
      return "class " + std::to_string(k) + " '" + std::string(aois[k - 1].name, strnlen(aois[k - 1].name, 128)) +
             "' keeps no training pixel within one standard deviation of its mean: draw its polygons over "
             "more typical pixels";
  return otherwise;
}

// Runs a network export, naming the class that had no training sample;
// spec: the model of --save-model and "train"; tooFew: why the method had
// too few samples when every class kept some.
void RunNetwork(Classification& job, const std::string& what, const std::function<long(void*)>& classify,
                const ModelSpec& spec, const std::string& tooFew = "too few training pixels") {
  job.Run(what, [&](void* result) {
    const long rc = classify(result);
    if (rc == RC_TOO_FEW_SAMPLES) throw CommandError(what + ": " + ClassWithoutSamples(job, tooFew));
    if (rc == RC_BAD_PARAMETER)
      throw CommandError(what + ": the training diverged (weights beyond every number): use a smaller learning "
                                "rate or momentum");
    return rc;
  }, spec);
}

// The model's seed: --seed, or the draws of an unseeded run.
unsigned ModelSeed(const NetworkOptions& o) { return o.seed.value_or(1u); }

struct BPOptions : NetworkOptions {
  std::string hidden = "5";
  double rate = 0.0015;
  double momentum = 0.5;
  double error = 0.001;
  long epochs = 4000;
};

void RunBP(const BPOptions& o) {
  std::vector<long> hidden = ParseHiddenLayers(o.hidden, false);
  CheckEpochs(o.epochs, "--epochs");
  Classification job(o.classify, Training::kWholeImage);
  const Window& w = job.GetWindow();
  Seed(o);
  RunNetwork(job, "BP network classification", [&](void* result) {
    return ztBPNNClass(job.Source(), const_cast<long*>(job.Bands().data()), job.BandCount(), hidden.data(),
                       static_cast<long>(hidden.size()), o.rate, o.momentum, o.error, o.epochs, result, w.rows,
                       w.columns, w.firstRow, w.firstColumn);
  }, ModelSpec{"bp", {{"hidden", hidden}, {"rate", o.rate}, {"momentum", o.momentum}, {"error", o.error},
                      {"epochs", o.epochs}, {"seed", ModelSeed(o)}}});
}

struct HRBPOptions : NetworkOptions {
  std::string hidden = "0";
  bool squares = false;
  double rate = 0.02;
  bool useMomentum = false;
  double momentum = 0.5;
  double error = 0.01;
  long epochs = 3000;
};

void RunHRBP(const HRBPOptions& o) {
  std::vector<long> hidden = ParseHiddenLayers(o.hidden, true);
  CheckEpochs(o.epochs, "--epochs");
  Classification job(o.classify, Training::kWholeImage);
  const Window& w = job.GetWindow();
  Seed(o);
  RunNetwork(job, "high-order BP network classification", [&](void* result) {
    return ztHRBPNNClass(job.Source(), const_cast<long*>(job.Bands().data()), job.BandCount(),
                         hidden.empty() ? nullptr : hidden.data(), static_cast<long>(hidden.size()), o.squares,
                         o.rate, o.useMomentum, o.momentum, o.error, o.epochs, result, w.rows, w.columns,
                         w.firstRow, w.firstColumn);
  }, ModelSpec{"hrbp", {{"hidden", hidden}, {"squares", o.squares}, {"rate", o.rate}, {"use-momentum", o.useMomentum},
                        {"momentum", o.momentum}, {"error", o.error}, {"epochs", o.epochs}, {"seed", ModelSeed(o)}}});
}

struct RBFOptions : NetworkOptions {
  double centreRate = 0.05;
  double centreThreshold = 1e-8;
  long centreEpochs = 50;
  double outputRate = 0.0005;
  double error = 0.001;
  long outputEpochs = 3000;
};

void RunRBF(const RBFOptions& o) {
  CheckEpochs(o.centreEpochs, "--centre-epochs");
  CheckEpochs(o.outputEpochs, "--output-epochs");
  Classification job(o.classify, Training::kWholeImage);
  const Window& w = job.GetWindow();
  Seed(o);
  RunNetwork(job, "RBF network classification", [&](void* result) {
    return ztRBFNNClass(job.Source(), const_cast<long*>(job.Bands().data()), job.BandCount(), o.centreRate,
                        o.centreThreshold, o.centreEpochs, o.outputRate, o.error, o.outputEpochs, result, w.rows,
                        w.columns, w.firstRow, w.firstColumn);
  }, ModelSpec{"rbf", {{"centre-rate", o.centreRate}, {"centre-threshold", o.centreThreshold},
                       {"centre-epochs", o.centreEpochs}, {"output-rate", o.outputRate}, {"error", o.error},
                       {"output-epochs", o.outputEpochs}, {"seed", ModelSeed(o)}}},
             "no hidden unit is left: each class centre has 5 or fewer nearest training pixels; draw larger class "
             "polygons");
}

struct LVQ2Options : NetworkOptions {
  double tuneRate = 0.05;
  long tuneEpochs = 1;
  double lvqRate = 0.002;
  long lvqEpochs = 50;
};

void RunLVQ2(const LVQ2Options& o) {
  CheckEpochs(o.tuneEpochs, "--tune-epochs");
  CheckEpochs(o.lvqEpochs, "--lvq-epochs");
  Classification job(o.classify, Training::kWholeImage);
  const Window& w = job.GetWindow();
  RunNetwork(job, "LVQ2 network classification", [&](void* result) {
    return ztLVQ2NNClass(job.Source(), const_cast<long*>(job.Bands().data()), job.BandCount(), o.tuneRate,
                         o.tuneEpochs, o.lvqRate, o.lvqEpochs, result, w.rows, w.columns, w.firstRow, w.firstColumn);
  }, ModelSpec{"lvq2", {{"tune-rate", o.tuneRate}, {"tune-epochs", o.tuneEpochs}, {"lvq-rate", o.lvqRate},
                        {"lvq-epochs", o.lvqEpochs}}});
}

// randomWeights: whether the network draws its initial weights at random,
// which is what --seed steers (LVQ2 starts from the class means).
CLI::App* AddNetworkCommand(CLI::App& app, const std::string& name, const std::string& description,
                            NetworkOptions& o, bool randomWeights = true) {
  auto* command = app.add_subcommand(name, description);
  AddClassifyOptions(*command, o.classify);
  if (!randomWeights) return command;
  command->add_option("--seed", o.seed,
                      "Seed of the random initial weights; the same seed gives the same map (default: the "
                      "same draw on every run)");
  return command;
}

}  // namespace

void AddNeuralCommands(CLI::App& app) {
  auto bp = std::make_shared<BPOptions>();
  auto* command = AddNetworkCommand(app, "bp", "Supervised classification by a back-propagation neural network", *bp);
  command->add_option("--hidden", bp->hidden, "Neurons of each hidden layer, from the input side (1..500 each)")
      ->capture_default_str();
  command->add_option("--rate", bp->rate, "Learning rate: how far each training pixel moves the weights")
      ->capture_default_str()
      ->check(NotNegative());
  command->add_option("--momentum", bp->momentum, "Share of the previous weight change carried into the next")
      ->capture_default_str()
      ->check(NotNegative());
  command->add_option("--error", bp->error, "Stop training once the mean error per training pixel is this small")
      ->capture_default_str()
      ->check(NotNegative());
  command->add_option("--epochs", bp->epochs, "At most this many passes over the training pixels")
      ->capture_default_str();
  command->callback([bp] { RunBP(*bp); });

  auto hrbp = std::make_shared<HRBPOptions>();
  command = AddNetworkCommand(app, "hrbp", "Supervised classification by a high-order (second-order) BP network",
                              *hrbp);
  command
      ->add_option("--hidden", hrbp->hidden,
                   "Neurons of each hidden layer, from the input side (1..500 each); 0 or empty: no hidden layer")
      ->capture_default_str()
      ->check(EmptyAllowed());
  command->add_flag("--squares", hrbp->squares, "Also weigh the square of each input, not only products of pairs");
  command->add_option("--rate", hrbp->rate, "Learning rate: how far each training pixel moves the weights")
      ->capture_default_str()
      ->check(NotNegative());
  command->add_flag("--use-momentum", hrbp->useMomentum, "Raise the weights' learning rate by --momentum");
  command->add_option("--momentum", hrbp->momentum, "With --use-momentum the weights learn at rate x (1 + this)")
      ->capture_default_str()
      ->check(NotNegative());
  command->add_option("--error", hrbp->error, "Stop training once the mean error per training pixel is this small")
      ->capture_default_str()
      ->check(NotNegative());
  command->add_option("--epochs", hrbp->epochs, "At most this many passes over the training pixels")
      ->capture_default_str();
  command->callback([hrbp] { RunHRBP(*hrbp); });

  auto rbf = std::make_shared<RBFOptions>();
  command = AddNetworkCommand(app, "rbf", "Supervised classification by a radial-basis-function network", *rbf);
  command->add_option("--centre-rate", rbf->centreRate, "How far a training pixel first moves its nearest class centre")
      ->capture_default_str()
      ->check(NotNegative());
  command->add_option("--centre-threshold", rbf->centreThreshold,
                      "Centres count as settled when a pass moves them less than this in all (squared, in scaled band "
                      "values, 0..1)")
      ->capture_default_str()
      ->check(NotNegative());
  command->add_option("--centre-epochs", rbf->centreEpochs, "Passes that refine the centres")->capture_default_str();
  command->add_option("--output-rate", rbf->outputRate, "Learning rate of the output weights")->capture_default_str()
      ->check(NotNegative());
  command->add_option("--error", rbf->error, "Stop training once the mean error per training pixel is this small")
      ->capture_default_str()
      ->check(NotNegative());
  command->add_option("--output-epochs", rbf->outputEpochs, "At most this many passes training the outputs")
      ->capture_default_str();
  command->callback([rbf] { RunRBF(*rbf); });

  auto lvq2 = std::make_shared<LVQ2Options>();
  command = AddNetworkCommand(app, "lvq2", "Supervised classification by learning vector quantisation (LVQ2)", *lvq2,
                              false);
  command->add_option("--tune-rate", lvq2->tuneRate, "Starting rate of the first, unsupervised tuning passes")
      ->capture_default_str()
      ->check(NotNegative());
  command->add_option("--tune-epochs", lvq2->tuneEpochs,
                      "Tuning passes; they also count in the pass number that divides the LVQ2 rate")
      ->capture_default_str();
  command->add_option("--lvq-rate", lvq2->lvqRate,
                      "Starting rate of the LVQ2 passes, divided after each by the number of passes so far")
      ->capture_default_str()
      ->check(NotNegative());
  command->add_option("--lvq-epochs", lvq2->lvqEpochs, "LVQ2 passes")->capture_default_str();
  command->callback([lvq2] { RunLVQ2(*lvq2); });
}

}  // namespace ztcli
