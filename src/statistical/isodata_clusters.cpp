#include "statistical/isodata_clusters.h"

#include <algorithm>
#include <cmath>

namespace zt {

void DeleteSmallClusters(ClusterTable& table, long minSamples) {
  long kept = 0;
  for (long j = 0; j < table.count; ++j)
    if (table.entries[j].samples > minSamples) {
      if (kept != j) table.entries[kept] = table.entries[j];
      ++kept;
    }
  table.count = kept;
}

bool Converged(const ClusterTable& output, const ClusterTable& reference, double threshold) {
  for (long j = 0; j < output.count; ++j) {
    double a = 0, r = 0;
    for (double m : output.entries[j].mean) a += m;
    for (double m : reference.entries[j].mean) r += m;
    if (r == 0 || std::fabs((a - r) / r) > threshold) return false;
  }
  return true;
}

void SplitClusters(ClusterTable& source, ClusterTable& destination, const IsodataLimits& limits) {
  const long c = source.count;
  const long nb = c > 0 ? static_cast<long>(source.entries[0].mean.size()) : 0;
  std::vector<double> spread(c, 0.0);
  double overall = 0;
  for (long j = 0; j < c; ++j) {
    Cluster& cluster = source.entries[j];
    cluster.mark = -1;
    for (double s : cluster.deviation) spread[j] += s * s;
    spread[j] /= nb;
    overall += spread[j];
  }
  if (c > 0) overall /= c;
  const long selectionLimit = limits.classCount / 2;
  long selected = 0;
  for (long j = 0; j < c && c + selected < kMaxSplitClusters; ++j) {
    Cluster& cluster = source.entries[j];
    double widest = 0;
    for (double s : cluster.deviation) widest = std::max(widest, s);
    const bool wide = widest > limits.splitThreshold && cluster.samples > 2 * limits.minSamples + 1;
    if (spread[j] > overall && (wide || c < selectionLimit)) {
      cluster.mark = 1;
      if (++selected >= selectionLimit) break;
    }
  }
  long written = 0;
  for (long j = 0; j < c; ++j) {
    Cluster& cluster = source.entries[j];
    if (cluster.mark != 1) {
      destination.entries[written++] = cluster;
      continue;
    }
    const long k = std::max_element(cluster.deviation.begin(), cluster.deviation.end()) - cluster.deviation.begin();
    for (double side : {0.5, -0.5}) {
      Cluster& half = destination.entries[written++];
      half = cluster;
      half.mark = -1;
      half.mean[k] = cluster.mean[k] + side * cluster.deviation[k];
      half.deviation[k] = cluster.deviation[k] * 0.5;
    }
    cluster.mark = -2;
  }
  destination.count = written;
}

void SortPairs(std::vector<ClusterPair>& pairs) {
  std::stable_sort(pairs.begin(), pairs.end(), [](const ClusterPair& a, const ClusterPair& b) {
    if (std::isnan(a.distance)) return false;
    if (std::isnan(b.distance)) return true;
    return a.distance < b.distance;
  });
}

void MergeClusters(ClusterTable& source, ClusterTable& destination, const IsodataLimits& limits) {
  const long c = source.count;
  std::vector<Cluster>& s = source.entries;
  for (long j = 0; j < c; ++j) s[j].mark = -1;
  std::vector<ClusterPair> pairs;
  pairs.reserve(c * (c - 1) / 2);
  for (long i = 0; i < c; ++i)
    for (long j = i + 1; j < c; ++j) {
      double sum = 0;
      for (size_t b = 0; b < s[i].mean.size(); ++b)
        sum += (s[i].mean[b] - s[j].mean[b]) * (s[i].mean[b] - s[j].mean[b]) / s[i].deviation[b] / s[j].deviation[b];
      pairs.push_back({i, j, std::sqrt(sum)});
    }
  SortPairs(pairs);
  long merges = 0;
  for (const ClusterPair& p : pairs) {
    if (p.distance < limits.mergeThreshold && s[p.first].mark == -1 && s[p.second].mark == -1) {
      s[p.first].mark = p.second;
      s[p.second].mark = p.first;
      ++merges;
    }
    if (merges >= limits.maxMerges) break;
  }
  long written = 0;
  for (long i = 0; i < c; ++i) {
    Cluster& ci = s[i];
    if (ci.mark == -2) continue;
    Cluster& d = destination.entries[written++];
    if (ci.mark == -1) {
      d = ci;
      continue;
    }
    Cluster& ct = s[ci.mark];
    const double ni = static_cast<double>(ci.samples), nt = static_cast<double>(ct.samples), n = ni + nt;
    d.samples = ci.samples + ct.samples;
    d.mark = -1;
    d.mean.resize(ci.mean.size());
    d.deviation.resize(ci.mean.size());
    for (size_t b = 0; b < ci.mean.size(); ++b) {
      const double m = (nt * ct.mean[b] + ni * ci.mean[b]) / n;
      const double spreadI = ci.deviation[b] * ci.deviation[b] + (ci.mean[b] - m) * (ci.mean[b] - m);
      const double spreadT = ct.deviation[b] * ct.deviation[b] + (ct.mean[b] - m) * (ct.mean[b] - m);
      d.mean[b] = m;
      d.deviation[b] = std::sqrt((ni * spreadI + nt * spreadT) / n);
    }
    ci.mark = ct.mark = -2;
  }
  destination.count = written;
}

}  // namespace zt
