// ISODATA: iterative self-organising clustering of the sample grid, then a
// nearest-mean pass over the window.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "frame/arguments.h"
#include "frame/entry.h"
#include "frame/nearest_class.h"
#include "frame/string_table.h"
#include "model/method_list.h"
#include "model/parameters.h"
#include "statistical/class_colours.h"
#include "statistical/initial_classes.h"
#include "statistical/isodata_clusters.h"
#include "statistical/nearest_mean.h"
#include "statistical/sample_parts.h"
#include "statistical/supervised_training.h"
#include "ztclass/classinfo.h"
#include "ztclass/result_codes.h"
#include "ztclass/unsupervised.h"
#include "ztservices/enhance.h"

namespace zt {

namespace {

constexpr int kCaption = 65;
constexpr int kFinalCaption = 67;
constexpr long kMaxIsodataClasses = 256;
constexpr long kStretchModes = 8;
constexpr float kLowClip = 0.005f, kHighClip = 0.995f;
constexpr double kNormalizeDeviations = 2.0;

struct IsodataArguments {
  void* source;
  long* bands;
  long bandCount;
  void* result;
  Window window;
  long interval;
  long maxIterations;
  IsodataLimits limits;
  long minClassSize;
  const long* displayBands;
  long stretchMode;
};

long CheckArguments(const IsodataArguments& a) {
  if (long rc = CheckCommonArguments(a.source, a.result, a.bandCount, a.window)) return rc;
  if (a.limits.classCount < 1 || a.limits.classCount > kMaxIsodataClasses) return RC_BAD_WINDOW;
  if (a.interval < 1 || a.bandCount < 1) return RC_BAD_WINDOW;
  if (a.stretchMode < 0 || a.stretchMode >= kStretchModes) return RC_BAD_WINDOW;
  if (a.displayBands)
    for (int c = 0; c < 3; ++c)
      if (a.displayBands[c] < 1 || a.displayBands[c] > a.bandCount) return RC_BAD_WINDOW;
  return RC_OK;
}

// Every usable sample (IsUnusableSample under noData) to the nearest of the
// reference's clusters (ties to the lower index); the output's 256 entries
// get counts, means and deviations. The
// iteration's progress (0..100) follows the sampled rows, so that a log
// shows a long iteration moving.
void ClassifySamples(SampleReader& reader, const SampleGrid& grid, const NoDataRule& noData,
                     const ClusterTable& reference, ClusterTable& output, long n) {
  std::vector<std::vector<double>> squares(kClusterSlots, std::vector<double>(n, 0.0));
  for (Cluster& cluster : output.entries) {
    cluster.samples = 0;
    cluster.mark = -1;
    std::fill(cluster.mean.begin(), cluster.mean.end(), 0.0);
    std::fill(cluster.deviation.begin(), cluster.deviation.end(), 0.0);
  }
  output.count = reference.count;
  if (reference.count < 1) return;
  // The nearest cluster of each sample of a row, -1 for an unusable one.
  std::vector<long> winners(grid.Columns());
  for (long j = 0; j < grid.Rows(); ++j) {
    SetPos(100 * j / grid.Rows());
    const double* row = reader.Row(j);
    ForSampleParts(grid.Columns(), reference.count * n, [&](long begin, long end) {
      for (long i = begin; i < end; ++i) {
        const double* sample = row + i * n;
        winners[i] = -1;
        if (IsUnusableSample(sample, n, noData)) continue;
        winners[i] = static_cast<long>(NearestClass(static_cast<size_t>(reference.count), [&](size_t k) {
          return SquaredDistance(reference.entries[k].mean.data(), sample, n);
        }));
      }
    });
    for (long i = 0; i < grid.Columns(); ++i) {
      const long winner = winners[i];
      if (winner < 0) continue;
      const double* sample = row + i * n;
      Cluster& cluster = output.entries[winner];
      ++cluster.samples;
      for (long b = 0; b < n; ++b) {
        cluster.mean[b] += sample[b];
        squares[winner][b] += sample[b] * sample[b];
      }
    }
  }
  for (long k = 0; k < kClusterSlots; ++k) {
    Cluster& cluster = output.entries[k];
    if (cluster.samples == 0) continue;
    for (long b = 0; b < n; ++b) {
      const double mean = cluster.mean[b] / cluster.samples;
      cluster.mean[b] = mean;
      cluster.deviation[b] = std::sqrt(std::max(squares[k][b] / cluster.samples - mean * mean, 0.0));
    }
  }
}

void ShowIteration(long iteration) {
  char caption[128];
  std::snprintf(caption, sizeof caption, Localized("第%ld次迭代，类分裂、合并...", "Iteration %ld: splitting and merging classes..."),
                iteration);
  SetSubProgressName(caption);
  SetRange(0, 100);
  SetPos(0);
}

// The iterations; final receives the final clusters. Every cluster deleted
// gives RC_TOO_FEW_SAMPLES.
long Iterate(const IsodataArguments& a, SampleReader& reader, const SampleGrid& grid, const NoDataRule& noData,
             ClusterTable& first, ClusterTable& second, ClusterTable*& final) {
  const long n = a.bandCount;
  ClusterTable* reference = &first;
  ClusterTable* output = &second;
  final = &first;
  for (long it = 1; it <= a.maxIterations; ++it) {
    ShowIteration(it);
    if (IsStopProgress()) return RC_CANCELLED;
    while (true) {
      const long c = reference->count;
      ClassifySamples(reader, grid, noData, *reference, *output, n);
      if (long rc = reader.Failure()) return rc;
      DeleteSmallClusters(*output, a.limits.minSamples);
      SetPos(100);
      if (output->count == 0) return RC_TOO_FEW_SAMPLES;
      if (output->count == c) break;
      std::swap(reference, output);
    }
    if (Converged(*output, *reference, a.limits.convergence)) {
      final = output;
      return RC_OK;
    }
    if (output->count > a.limits.classCount)
      MergeClusters(*output, *reference, a.limits);
    else
      SplitClusters(*output, *reference, a.limits);
    final = reference;
  }
  return RC_OK;
}

// Names and colours of the final clusters through the chosen display
// stretch; null when no display bands are given or a step fails.
std::vector<AOI> ClusterRecords(const IsodataArguments& a, const ClassificationPass& pass,
                                const ClusterTable& final) {
  if (!a.displayBands) return {};
  const long n = a.bandCount;
  std::vector<double> means(final.count * n);
  for (long j = 0; j < final.count; ++j)
    for (long b = 0; b < n; ++b) means[j * n + b] = final.entries[j].mean[b];
  std::vector<AOI> records = NamedRecords(final.count);
  long stretchResult = RC_OK;
  for (int c = 0; c < 3; ++c) {
    const long p = a.displayBands[c] - 1;
    const long band = a.bands[p];
    std::array<unsigned short, 256> table{};
    void* s = a.source;
    unsigned short* t = table.data();
    switch (a.stretchMode) {
      case 0: ztComImgNoneALayer(s, band, t); break;
      case 1: stretchResult = ztComImgAdaptiveALayer(s, band, t, nullptr); break;
      case 2: stretchResult = ztComImgEqualizeALayer(s, band, t, nullptr); break;
      case 3: stretchResult = ztComImgNormalizeALayer(s, band, t, kNormalizeDeviations, nullptr); break;
      case 4: stretchResult = ztComImgRootALayer(s, band, t, -1, -1, kLowClip, kHighClip, nullptr); break;
      case 5: stretchResult = ztComImgSquareALayer(s, band, t, -1, -1, kLowClip, kHighClip, nullptr); break;
      case 6: stretchResult = ztComImgLinearALayer(s, band, t, -1, -1, kLowClip, kHighClip, nullptr); break;
      default: stretchResult = ztComImgInvertALayer(s, band, t, -1, -1, kLowClip, kHighClip, nullptr); break;
    }
    if (ColourComponent(pass.Bands()[p], pass.SourceType(), means, n, p, t, kColourFields[c], records) != RC_OK)
      return {};
  }
  if (stretchResult != RC_OK) return {};
  return records;
}

// The clusters of the sample grid and their records (pass open, progress
// started) into the model.
long Learn(const IsodataArguments& a, const ClassificationPass& pass, Model& model) {
  const long n = a.bandCount, k = a.limits.classCount;
  const SampleGrid grid(a.window, a.interval);
  ClusterTable first(n), second(n);
  ClusterTable* final = &first;
  SampleReader reader(a.source, a.bands, n, grid);
  if (!reader.IsOpen()) return RC_NULL_ARGUMENT;
  const NoDataRule& noData = pass.NoData();
  std::vector<double> origin, centres;
  if (long rc = FirstCentre(reader, grid, a.window.firstRow, a.window.firstColumn, n, noData, origin)) return rc;
  if (long rc = SelectCentres(reader, grid, k, n, origin, noData, centres)) return rc;
  for (long j = 0; j < k; ++j) std::copy_n(&centres[j * n], n, first.entries[j].mean.begin());
  first.count = k;
  if (long rc = Iterate(a, reader, grid, noData, first, second, final)) return rc;
  std::vector<AOI> records = ClusterRecords(a, pass, *final);
  SetClassRecords(model, records.empty() ? nullptr : records.data(), final->count);
  ClusterTable& classes = final == &first ? second : first;
  ClassifySamples(reader, grid, noData, *final, classes, n);
  // A cluster that draws no sample in this pass keeps the mean it was found
  // with, which its colour comes from too: a mean of zeros would take
  // pixels that no sample lies near, under a record made for another mean.
  std::vector<double> means(final->count * n), classNumbers(final->count);
  for (long j = 0; j < final->count; ++j) {
    classNumbers[j] = static_cast<double>(j + 1);
    const Cluster& cluster = classes.entries[j].samples > 0 ? classes.entries[j] : final->entries[j];
    for (long b = 0; b < n; ++b) means[j * n + b] = cluster.mean[b];
  }
  model.Put("means", {final->count, n}, std::move(means));
  model.Put("classes", {final->count}, std::move(classNumbers));
  return RC_OK;
}

long Apply(const Model& model, ClassificationPass& pass) {
  if (long rc = WriteModelClasses(model, pass)) return rc;
  return pass.Run(kFinalCaption, NearestMeanDecision{model.At("means").values, model.At("classes").values,
                                                     pass.BandCount(), pass.NoData()});
}

long Isodata(const IsodataArguments& a) {
  ProgressSession progress;
  if (long rc = CheckArguments(a)) return rc;
  ClassificationPass pass(a.source, a.bands, a.bandCount, a.result, a.window);
  if (long rc = pass.LookUpBands()) return rc;
  progress.Start(kCaption);
  if (long rc = pass.Open()) return rc;
  Model model;
  if (long rc = Learn(a, pass, model)) return rc;
  return Apply(model, pass);
}

const std::vector<std::string> kStretchNames = {"none",   "adaptive", "equalize", "normalize",
                                                "root",   "square",   "linear",   "invert"};

long Train(const TrainRequest& r, Model& model) {
  ProgressSession progress;
  if (long rc = CheckSourceArguments(r.source, r.bandCount, r.window)) return rc;
  ParameterReader p(r.parameters, model.parameters);
  const long classes = p.Integer("classes", 8, 1, kMaxSplitClusters);
  const double pixels = double(std::max(r.window.rows, 0L)) * double(std::max(r.window.columns, 0L));
  const long interval =
      p.Integer("interval", std::max(1L, long(std::sqrt(pixels / 100000.0))), 1, std::numeric_limits<long>::max());
  const long iterations = p.Integer("iterations", 10, 0, 1000000);
  const float split = static_cast<float>(p.Number("split-threshold", 5.0, 0.0, 1e30));
  const float convergence = static_cast<float>(p.Number("convergence", 0.01, 0.0, 1e30));
  const float merge = static_cast<float>(p.Number("merge-threshold", 1.0, 0.0, 1e30));
  const long minSize = p.Integer("min-size", static_cast<long>(0.005 * pixels), 0, std::numeric_limits<long>::max());
  const long maxMerges = p.Integer("max-merges", 2, 0, 1000000);
  std::vector<long> displayBands = p.IntegerList("display-bands", 3, 1, r.bandCount);
  const std::string stretch = p.Choice("stretch", "linear", kStretchNames);
  p.Finish();
  const long stretchMode = std::find(kStretchNames.begin(), kStretchNames.end(), stretch) - kStretchNames.begin();
  IsodataArguments a{r.source, r.bands, r.bandCount, nullptr, r.window, interval, iterations,
                     IsodataLimits{classes, split, convergence, merge, minSize / interval / interval, maxMerges},
                     minSize, displayBands.empty() ? nullptr : displayBands.data(), stretchMode};
  ClassificationPass pass(r.source, r.bands, r.bandCount, nullptr, r.window);
  if (long rc = pass.LookUpBands()) return rc;
  progress.Start(kCaption);
  if (long rc = pass.Open()) return rc;
  return Learn(a, pass, model);
}

std::string Check(const Model& model) {
  const long count = model.numbers.count("classes") ? static_cast<long>(model.At("classes").values.size()) : 0;
  for (std::string reason : {ExpectClassList(model, "classes"), ExpectShape(model, "means", {count, model.BandCount()})})
    if (!reason.empty()) return reason;
  return "";
}

}  // namespace

const MethodEntry kIsodataMethod{"isodata", kCaption, Train, Apply, Check};

}  // namespace zt

using namespace zt;

long ztISODATA(void* source, long* bands, long bandCount, long classCount, float splitThreshold, long maxIterations,
               float convergence, float mergeThreshold, long minClassSize, long maxMerges, long interval,
               void* result, long rows, long columns, long firstRow, long firstColumn, long* displayBands,
               long stretchMode) {
  return Framed([&] {
    IsodataArguments a{source, bands, bandCount, result, {rows, columns, firstRow, firstColumn}, interval,
                       maxIterations, IsodataLimits{classCount, splitThreshold, convergence, mergeThreshold, 0,
                                                    maxMerges},
                       minClassSize, displayBands, stretchMode};
    // theta N' = minClassSize / s^2, divided in two steps so that s^2 cannot
    // overflow (the same quotient for integers).
    if (interval >= 1) a.limits.minSamples = minClassSize / interval / interval;
    return Isodata(a);
  });
}
