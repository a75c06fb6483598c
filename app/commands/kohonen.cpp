// ztclass kohonen: the Kohonen network, clusters learnt from a regular
// sample of the image by competitive neurons.
#include <cmath>
#include <memory>

#include "class_records.h"
#include "cluster_support.h"
#include "commands/commands.h"
#include "ztclass/neural.h"

namespace ztcli {

namespace {

struct KohonenOptions {
  ClusterOptions cluster;
  double rate = 0.1;
  double changeThreshold = 1e-6;
  long epochs = 200;
};

// Every neuron after the first is placed apart from the others, so the
// network needs two; class 255 is kept for no-data pixels.
void CheckOptions(const KohonenOptions& o) {
  if (o.cluster.classes < 2) throw UsageError("the Kohonen network needs at least two clusters (--clusters 2 or more)");
  if (o.cluster.classes > kHighestClassValue)
    throw UsageError("--clusters must be at most " + std::to_string(kHighestClassValue) +
                     " (255 is the class of no-data pixels)");
  if (!std::isfinite(o.rate) || o.rate <= 0 || o.rate > 1) throw UsageError("--rate must lie in (0, 1]");
  if (!std::isfinite(o.changeThreshold) || o.changeThreshold < 0)
    throw UsageError("--change-threshold must be a finite number, 0 or more");
  if (o.epochs < 0 || o.epochs > ZT_MAX_EPOCHS)
    throw UsageError("--epochs must lie in 0.." + std::to_string(ZT_MAX_EPOCHS));
}

void RunKohonen(const KohonenOptions& o) {
  CheckOptions(o);
  ClusterJob job(o.cluster, [](long k) { return k; });
  CheckNetworkInterval(o.cluster, job);
  const Window& w = job.window;
  RunCluster(o.cluster, job, "Kohonen network classification", [&](void* result) {
    return ztKohonenNNClass(job.source.get(), job.bands.data(), static_cast<long>(job.bands.size()),
                            static_cast<unsigned long>(o.cluster.classes), job.interval, o.rate, o.changeThreshold,
                            o.epochs, result, w.rows, w.columns, w.firstRow, w.firstColumn);
  }, ModelSpec{"kohonen", {{"classes", o.cluster.classes}, {"interval", job.interval}, {"rate", o.rate},
                           {"change-threshold", o.changeThreshold}, {"epochs", o.epochs}}});
}

}  // namespace

void AddKohonenCommand(CLI::App& app) {
  auto o = std::make_shared<KohonenOptions>();
  auto* command = app.add_subcommand("kohonen", "Kohonen network clustering (no training polygons needed)");
  AddClusterOptions(*command, o->cluster);
  // The neurons' colours come from the step colours: no display bands.
  command->remove_option(command->get_option("--display-bands"));
  command->add_option("--rate", o->rate,
                      "Learning rate of the first epoch: how far a neuron moves towards each sample it wins; it "
                      "falls linearly to 0 over the epochs")
      ->capture_default_str();
  command->add_option("--change-threshold", o->changeThreshold,
                      "An epoch whose total squared move of all neurons (in scaled band values, 0..1) is below this "
                      "is stable; 100 stable epochs in a row end training (0: never end early)")
      ->capture_default_str();
  command->add_option("--epochs", o->epochs,
                      "Passes over the sample at most (0: neurons stay on their well-spread starting samples)")
      ->capture_default_str();
  command->callback([o] { RunKohonen(*o); });
}

}  // namespace ztcli
