// ztclass cluster-mindist | cluster-box | cluster-gmindist | isodata: the
// unsupervised statistical classifiers.
#include <algorithm>
#include <memory>

#include "cluster_support.h"
#include "commands/commands.h"
#include "number_options.h"
#include "ztclass/unsupervised.h"

namespace ztcli {

namespace {

using ClusterCall = long (*)(void*, long*, long, unsigned long, long, void*, long, long, long, long);
using ColourCall = long (*)(void*, long*, long, unsigned long, long, void*, long, long, long, long, long*);

struct ClusterMethod {
  const char* name;
  const char* description;
  const char* what;
  ClusterCall plain;
  ColourCall colours;
  long valueOffset;  // the box writes class k as k + 1
};

void RunMethod(const ClusterMethod& m, const ClusterOptions& o) {
  ClusterJob job(o, [&](long k) { return k + m.valueOffset; });
  const Window& w = job.window;
  RunCluster(o, job, m.what, [&](void* result) {
    const long bandCount = static_cast<long>(job.bands.size());
    const unsigned long k = static_cast<unsigned long>(o.classes);
    if (job.DisplayBands())
      return m.colours(job.source.get(), job.bands.data(), bandCount, k, job.interval, result, w.rows, w.columns,
                       w.firstRow, w.firstColumn, job.DisplayBands());
    return m.plain(job.source.get(), job.bands.data(), bandCount, k, job.interval, result, w.rows, w.columns,
                   w.firstRow, w.firstColumn);
  });
}

struct IsodataOptions {
  ClusterOptions cluster;
  long iterations = 10;
  float splitThreshold = 5.0f;
  float convergence = 0.01f;
  float mergeThreshold = 1.0f;
  long minSize = -1;  // -1: 0.5 % of the window
  long maxMerges = 2;
  std::string stretch = "linear";
};

const char* const kStretches[] = {"none", "adaptive", "equalize", "normalize", "root", "square", "linear", "invert"};

long StretchMode(const std::string& name) {
  for (long i = 0; i < 8; ++i)
    if (name == kStretches[i]) return i;
  throw CommandError("unknown --stretch '" + name +
                     "' (none, adaptive, equalize, normalize, root, square, linear, invert)");
}

// ISODATA splits up to half of K more clusters than it keeps, at most 254.
long IsodataHighestValue(long k) { return k <= 254 ? std::min(254L, k + k / 2) : k; }

void RunIsodata(const IsodataOptions& o) {
  const long stretch = StretchMode(o.stretch);
  if (o.iterations < 0) throw CommandError("--iterations must be 0 or more");
  ClusterJob job(o.cluster, IsodataHighestValue);
  const Window& w = job.window;
  const long minSize = o.minSize >= 0 ? o.minSize : static_cast<long>(0.005 * double(w.rows) * double(w.columns));
  RunCluster(o.cluster, job, "ISODATA classification", [&](void* result) {
    return ztISODATA(job.source.get(), job.bands.data(), static_cast<long>(job.bands.size()), o.cluster.classes,
                     o.splitThreshold, o.iterations, o.convergence, o.mergeThreshold, minSize, o.maxMerges,
                     job.interval, result, w.rows, w.columns, w.firstRow, w.firstColumn, job.DisplayBands(), stretch);
  });
}

const ClusterMethod kMethods[] = {
    {"cluster-mindist", "Unsupervised minimum distance classification", "unsupervised minimum distance classification",
     ztFJDMiniDist, ztFJDMiniDistNew, 0},
    {"cluster-box", "Unsupervised parallelepiped classification (value 1: in no box, class k: k + 1)",
     "unsupervised parallelepiped classification", ztFJDBox, ztFJDBoxNew, 1},
    {"cluster-gmindist", "Unsupervised generalized minimum distance classification",
     "unsupervised generalized minimum distance classification", ztFJDGYMiniDist, ztFJDGYMiniDistNew, 0},
};

}  // namespace

void AddClusterCommands(CLI::App& app) {
  for (const ClusterMethod& m : kMethods) {
    auto options = std::make_shared<ClusterOptions>();
    auto* command = app.add_subcommand(m.name, m.description);
    AddClusterOptions(*command, *options);
    command->callback([options, &m] { RunMethod(m, *options); });
  }

  auto o = std::make_shared<IsodataOptions>();
  auto* command = app.add_subcommand("isodata", "ISODATA clustering");
  AddClusterOptions(*command, o->cluster);
  command->add_option("--iterations", o->iterations, "Iterations at most (0: classify by the initial centres)")
      ->capture_default_str()
      ->check(NotNegative());
  command->add_option("--split-threshold", o->splitThreshold,
                      "A cluster splits only if a band's standard deviation exceeds this")
      ->capture_default_str()
      ->check(NotNegative());
  command->add_option("--convergence", o->convergence,
                      "Stop when no cluster's band-mean sum changes by more than this fraction")
      ->capture_default_str()
      ->check(NotNegative());
  command->add_option("--merge-threshold", o->mergeThreshold,
                      "Clusters closer than this (band differences over their standard deviations) may merge")
      ->capture_default_str()
      ->check(NotNegative());
  command->add_option("--min-size", o->minSize,
                      "Clusters of at most this many pixels are deleted (default: 0.5 % of the window)")
      ->check(NotNegative());
  command->add_option("--max-merges", o->maxMerges, "Merges allowed per iteration")->capture_default_str()
      ->check(NotNegative());
  command->add_option("--stretch", o->stretch,
                      "Display stretch of the class colours: none, adaptive, equalize, normalize, root, square, "
                      "linear or invert")
      ->capture_default_str();
  command->callback([o] { RunIsodata(*o); });
}

}  // namespace ztcli
