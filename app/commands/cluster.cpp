// ztclass cluster-mindist | cluster-box | cluster-gmindist | isodata: the
// unsupervised statistical classifiers.
#include <algorithm>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cluster_support.h"
#include "commands/commands.h"
#include "ztclass/result_codes.h"
#include "number_options.h"
#include "ztclass/unsupervised.h"
#include "ztservices/matrix.h"
#include "ztservices/raster.h"

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

// The sums of x x^T over a cluster's samples (upper triangle), added in the
// order the generalized minimum distance adds them, so that its inversion
// fails exactly where the library's did.
struct Scatter {
  explicit Scatter(long n) : n(n), sums(n * n, 0.0) {}
  void Add(const double* x) {
    for (long a = 0; a < n; ++a)
      for (long b = a; b < n; ++b) sums[a * n + b] += x[a] * x[b];
    ++count;
  }
  bool Invertible() const {
    std::vector<double> s(sums), inverse(n * n);
    for (long a = 0; a < n; ++a)
      for (long b = a; b < n; ++b) s[b * n + a] = s[a * n + b] /= static_cast<double>(count);
    return ztInverseMatrix1(s.data(), n, false, inverse.data()) != 0;
  }
  long n;
  long count = 0;
  std::vector<double> sums;
};

// The generalized minimum distance writes its samples' clusters into the
// result before it inverts their scatter matrices, cluster by cluster in
// ascending order, and stops at the first that cannot be inverted. A failed
// run is explained from there: that cluster, rebuilt from the samples, and
// whether any cluster count could help: not when the matrix of all samples
// together, the one cluster of --classes 1, cannot be inverted either.
std::string SingularClusterAdvice(void* result, const ClusterJob& job, long classes) {
  const Window& w = job.window;
  const long n = static_cast<long>(job.bands.size());
  std::map<long, Scatter> clusters;
  Scatter all(n);
  std::vector<double> row(w.columns), values(n * w.columns), sample(n);
  ztRSFlushCache(result);
  void* band = ztRSGetRasterBand(result, 1);
  for (long y = 0; y < w.rows; y += job.interval) {
    if (ztRSRasterIO(band, ZTRS_Read, 0, y, w.columns, 1, row.data(), w.columns, 1, ZTRS_Float64, 0, 0)) break;
    bool read = true;
    for (long b = 0; b < n && read; ++b)
      read = ztRSRasterIO(ztRSGetRasterBand(job.source.get(), job.bands[b]), ZTRS_Read, w.firstColumn,
                          w.firstRow + y, w.columns, 1, &values[b * w.columns], w.columns, 1, ZTRS_Float64, 0,
                          0) == 0;
    if (!read) break;
    for (long x = 0; x < w.columns; x += job.interval) {
      if (!(row[x] >= 1 && row[x] <= classes)) continue;
      for (long b = 0; b < n; ++b) sample[b] = values[b * w.columns + x];
      clusters.try_emplace(static_cast<long>(row[x]), n).first->second.Add(sample.data());
      all.Add(sample.data());
    }
  }
  const auto failed = std::find_if(clusters.begin(), clusters.end(),
                                   [](const auto& cluster) { return !cluster.second.Invertible(); });
  std::string text = "the scatter matrix of ";
  if (failed == clusters.end()) {
    text += "a cluster";
  } else {
    const long count = failed->second.count;
    text += "cluster " + std::to_string(failed->first) + " (" + std::to_string(count) +
            (count == 1 ? " sample" : " samples");
    text += count < n ? ", fewer than the " + std::to_string(n) + " that " + std::to_string(n) + " bands need)"
                      : ", all on one line or plane through zero in the space of the " + std::to_string(n) + " bands)";
  }
  text += " cannot be inverted";
  if (all.count > 0 && !all.Invertible())
    return text + ", nor can that of all " + std::to_string(all.count) +
           " samples together, so no number of clusters helps: their values lie in fewer dimensions than the "
           "bands (equal samples, a band of zeros, bands in proportion). Try a smaller --interval, other --bands, "
           "or cluster-mindist, which needs no scatter matrix";
  // The matrix of all samples inverts, so one cluster, at least, works.
  const std::string fewer = classes > 2    ? "fewer clusters (--classes " + std::to_string(classes - 1) + " or less), "
                            : classes == 2 ? "one cluster (--classes 1), "
                                           : "";
  return text + ": a cluster started at an outlier pixel keeps few samples. Try " + fewer +
         "a smaller --interval, or cluster-mindist, which needs no scatter matrix";
}

void RunMethod(const ClusterMethod& m, const ClusterOptions& o) {
  ClusterJob job(o, [&](long k) { return k + m.valueOffset; });
  const Window& w = job.window;
  RunCluster(o, job, m.what, [&](void* result) {
    const long bandCount = static_cast<long>(job.bands.size());
    const unsigned long k = static_cast<unsigned long>(o.classes);
    const long rc =
        job.DisplayBands()
            ? m.colours(job.source.get(), job.bands.data(), bandCount, k, job.interval, result, w.rows, w.columns,
                        w.firstRow, w.firstColumn, job.DisplayBands())
            : m.plain(job.source.get(), job.bands.data(), bandCount, k, job.interval, result, w.rows, w.columns,
                      w.firstRow, w.firstColumn);
    if (rc == RC_MATRIX_NOT_INVERTIBLE && m.plain == ztFJDGYMiniDist)
      throw CommandError(std::string(m.what) + " failed: " + DescribeResultCode(rc) + "; " +
                         SingularClusterAdvice(result, job, o.classes));
    return rc;
  }, ClusterModelSpec(m.name, o, job));
}

struct IsodataOptions {
  ClusterOptions cluster;
  long iterations = 10;
  std::optional<float> splitThreshold;  // default: DefaultSplitThreshold
  float convergence = 0.01f;
  float mergeThreshold = 1.0f;
  long minSize = -1;  // -1: 0.5 % of the window
  long maxMerges = 2;
  std::string stretch = "linear";
};

// In the order of the library's stretch modes.
const std::vector<std::string> kStretches = {"none",   "adaptive", "equalize", "normalize",
                                             "root",   "square",   "linear",   "invert"};

long StretchMode(const std::string& name) {
  return std::find(kStretches.begin(), kStretches.end(), name) - kStretches.begin();
}

// The split threshold is a standard deviation in the image's units; its
// default was chosen on 8-bit scenes. On other types it is carried over by
// the listed bands' extent, min(0, lowest) to highest over the whole image
// (never the window, so a window gives the same clusters as the image), as
// against the 8-bit 0..255. The extent is all a file tells of its scale, so
// a copy of an 8-bit scene (UInt16 x 100, reflectance 0..1) splits where the
// 8-bit form does only when that form reaches 255; one whose highest value
// is 157 gets 5 x 157 / 255 = 3.08 in 8-bit units.
constexpr float kEightBitSplitThreshold = 5.0f;

// basis: how the default was reached, for -v.
float DefaultSplitThreshold(ClusterJob& job, std::string& basis) {
  basis = "the 8-bit default";
  const ZTRSDataType type = ztRSGetDatasetType(job.source.get());
  if (type == ZTRS_Byte || type == ZTRS_Int8) return kEightBitSplitThreshold;
  double lo = 0.0, hi = 0.0;
  for (long band : job.bands) {
    double minMax[2] = {0.0, 0.0};
    if (ztRSComputeRasterMinMax(ztRSGetRasterBand(job.source.get(), band), 0, minMax) != 0) continue;
    lo = std::min(lo, minMax[0]);
    hi = std::max(hi, minMax[1]);
  }
  if (!(hi > lo)) return kEightBitSplitThreshold;
  std::ostringstream text;
  text << "5 x the listed bands' extent " << lo << " .. " << hi << " / 255";
  basis = text.str();
  return static_cast<float>(kEightBitSplitThreshold * (hi - lo) / 255.0);
}

// ISODATA splits up to half of K more clusters than it keeps, at most 254.
long IsodataHighestValue(long k) { return k <= 254 ? std::min(254L, k + k / 2) : k; }

void RunIsodata(const IsodataOptions& o) {
  const long stretch = StretchMode(o.stretch);
  ClusterJob job(o.cluster, IsodataHighestValue);
  const Window& w = job.window;
  const long minSize = o.minSize >= 0 ? o.minSize : static_cast<long>(0.005 * double(w.rows) * double(w.columns));
  std::string basis;
  const float splitThreshold = o.splitThreshold ? *o.splitThreshold : DefaultSplitThreshold(job, basis);
  if (Verbose() && !o.splitThreshold) std::cout << "Split threshold: " << splitThreshold << " (" << basis << ")\n";
  RunCluster(o.cluster, job, "ISODATA classification", [&](void* result) {
    return ztISODATA(job.source.get(), job.bands.data(), static_cast<long>(job.bands.size()), o.cluster.classes,
                     splitThreshold, o.iterations, o.convergence, o.mergeThreshold, minSize, o.maxMerges,
                     job.interval, result, w.rows, w.columns, w.firstRow, w.firstColumn, job.DisplayBands(), stretch);
  }, [&] {
    ModelSpec spec = ClusterModelSpec("isodata", o.cluster, job);
    spec.parameters.update({{"iterations", o.iterations}, {"split-threshold", splitThreshold},
                            {"convergence", o.convergence}, {"merge-threshold", o.mergeThreshold},
                            {"min-size", minSize}, {"max-merges", o.maxMerges}, {"stretch", o.stretch}});
    return spec;
  }());
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
                      "A cluster splits only if a band's standard deviation exceeds this (default: 5 on 8-bit "
                      "images; on others 5 x the listed bands' extent / 255)")
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
  command->add_option("--stretch", o->stretch, "Display stretch of the class colours: " + Choices(kStretches))
      ->capture_default_str()
      ->check(OneOf(kStretches));
  command->callback([o] { RunIsodata(*o); });
}

}  // namespace ztcli
