// ISODATA: iterative self-organising clustering of the sample grid, then a
// nearest-mean pass over the window.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "frame/arguments.h"
#include "frame/entry.h"
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

// Every sample to the nearest of the reference's clusters (ties to the lower
// index); the output's 256 entries get counts, means and deviations.
void ClassifySamples(SampleReader& reader, const SampleGrid& grid, const ClusterTable& reference,
                     ClusterTable& output, long n) {
  std::vector<std::vector<double>> squares(kClusterSlots, std::vector<double>(n, 0.0));
  for (Cluster& cluster : output.entries) {
    cluster.samples = 0;
    cluster.mark = -1;
    std::fill(cluster.mean.begin(), cluster.mean.end(), 0.0);
    std::fill(cluster.deviation.begin(), cluster.deviation.end(), 0.0);
  }
  output.count = reference.count;
  if (reference.count < 1) return;
  const NoDataRule noTest;
  // The nearest cluster of each sample of a row, -1 for an unusable one.
  std::vector<long> winners(grid.Columns());
  for (long j = 0; j < grid.Rows(); ++j) {
    const double* row = reader.Row(j);
    ForSampleParts(grid.Columns(), reference.count * n, [&](long begin, long end) {
      for (long i = begin; i < end; ++i) {
        const double* sample = row + i * n;
        winners[i] = -1;
        if (IsUnusableSample(sample, n, noTest)) continue;
        long winner = 0;
        double best = SquaredDistance(reference.entries[0].mean.data(), sample, n);
        for (long k = 1; k < reference.count; ++k) {
          const double d = SquaredDistance(reference.entries[k].mean.data(), sample, n);
          if (d < best) best = d, winner = k;
        }
        winners[i] = winner;
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
  std::snprintf(caption, sizeof caption, "第%ld次迭代，类分裂、合并...", iteration);
  SetSubProgressName(caption);
  SetRange(0, 100);
  SetPos(0);
}

// The iterations; final receives the final clusters. Every cluster deleted
// gives RC_TOO_FEW_SAMPLES.
long Iterate(const IsodataArguments& a, SampleReader& reader, const SampleGrid& grid, ClusterTable& first,
             ClusterTable& second, ClusterTable*& final) {
  const long n = a.bandCount;
  ClusterTable* reference = &first;
  ClusterTable* output = &second;
  final = &first;
  for (long it = 1; it <= a.maxIterations; ++it) {
    ShowIteration(it);
    if (IsStopProgress()) return RC_CANCELLED;
    while (true) {
      const long c = reference->count;
      ClassifySamples(reader, grid, *reference, *output, n);
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

long Isodata(const IsodataArguments& a) {
  ProgressSession progress;
  if (long rc = CheckArguments(a)) return rc;
  ClassificationPass pass(a.source, a.bands, a.bandCount, a.result, a.window);
  if (long rc = pass.LookUpBands()) return rc;
  progress.Start(kCaption);
  if (long rc = pass.Open()) return rc;
  const long n = a.bandCount, k = a.limits.classCount;
  const SampleGrid grid(a.window, a.interval);
  ClusterTable first(n), second(n);
  ClusterTable* final = &first;
  SampleReader reader(a.source, a.bands, n, grid);
  if (!reader.IsOpen()) return RC_NULL_ARGUMENT;
  std::vector<double> origin(n), centres;
  reader.Read(a.window.firstRow, a.window.firstColumn, origin.data());
  if (long rc = SelectCentres(reader, grid, k, n, origin, NoDataRule{}, centres)) return rc;
  for (long j = 0; j < k; ++j) std::copy_n(&centres[j * n], n, first.entries[j].mean.begin());
  first.count = k;
  if (long rc = Iterate(a, reader, grid, first, second, final)) return rc;
  std::vector<AOI> records = ClusterRecords(a, pass, *final);
  if (long rc = ztRSWriteClassAtt(a.result, pass.ResultBand(), final->count, records.empty() ? nullptr : records.data()))
    return rc;
  ClusterTable& classes = final == &first ? second : first;
  ClassifySamples(reader, grid, *final, classes, n);
  std::vector<double> means(final->count * n), classNumbers(final->count);
  for (long j = 0; j < final->count; ++j) {
    classNumbers[j] = static_cast<double>(j + 1);
    for (long b = 0; b < n; ++b) means[j * n + b] = classes.entries[j].mean[b];
  }
  return pass.Run(kFinalCaption, NearestMeanDecision{means, classNumbers, n, pass.NoData()});
}

}  // namespace

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
