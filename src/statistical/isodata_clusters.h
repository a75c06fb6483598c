#pragma once
// The cluster tables of ISODATA and the steps that rebuild them: deletion
// of small clusters, the convergence test, splitting and merging.
#include <vector>

namespace zt {

constexpr long kClusterSlots = 256;
// Splitting stops here, so that no class number reaches the no-data
// class 255.
constexpr long kMaxSplitClusters = 254;

struct Cluster {
  long samples = 0;
  long mark = -1;  // -1 none, 1 selected to split, -2 consumed, >= 0 merge partner
  std::vector<double> mean, deviation;
};

// 256 entries; the first count are the clusters.
struct ClusterTable {
  explicit ClusterTable(long bandCount) : entries(kClusterSlots, Cluster{0, -1, std::vector<double>(bandCount, 0.0),
                                                                         std::vector<double>(bandCount, 0.0)}) {}
  std::vector<Cluster> entries;
  long count = 0;
};

struct IsodataLimits {
  long classCount;          // K
  double splitThreshold;    // theta S
  double convergence;
  double mergeThreshold;    // theta C
  long minSamples;          // theta N'
  long maxMerges;           // L
};

// Keeps the clusters of more than minSamples samples, in their order.
void DeleteSmallClusters(ClusterTable& table, long minSamples);

// True when every cluster's band-mean sum changed relatively by at most
// the threshold from the reference; a reference sum of 0 fails.
bool Converged(const ClusterTable& output, const ClusterTable& reference, double threshold);

// Splits clusters of source into destination (see ISODATA's split rule).
void SplitClusters(ClusterTable& source, ClusterTable& destination, const IsodataLimits& limits);

struct ClusterPair {
  long first, second;
  double distance;
};

// Ascending distances, equal ones in their order; pairs whose distance is
// not a number after every other, in their order.
void SortPairs(std::vector<ClusterPair>& pairs);

// Merges close pairs of source into destination (see ISODATA's merge rule).
void MergeClusters(ClusterTable& source, ClusterTable& destination, const IsodataLimits& limits);

}  // namespace zt
