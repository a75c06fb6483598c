#pragma once
// Brute-force pieces for the unsupervised classifiers: the sample grid read
// straight from the scene's value function, max-min centres chosen by
// comparing every sample with every centre, and nearest-centre classes.
#include <map>
#include <vector>

#include "classifier_fixture.h"

namespace zttest {

struct GridSamples {
  std::vector<Vec> values;
  std::vector<std::pair<int, int>> positions;  // (row, column) in the source
};

GridSamples SampleGrid(const Scene& scene, const std::vector<int>& bands, int rows, int columns, int firstRow,
                       int firstColumn, int interval);

// Centres 1..count (index k - 1); samples with a band equal to noData (when
// hasNoData) or NaN are passed over.
std::vector<Vec> BruteCentres(const GridSamples& s, int count, const Vec& first, bool hasNoData = false,
                              double noData = 0);

struct BruteClasses {
  std::vector<int> sampleClass;  // per sample, 0 for NaN samples
  std::map<int, long> count;
  std::map<int, Vec> mean, deviation;
  std::vector<int> list;  // non-empty classes, ascending
};

// Every sample to its nearest centre (ties to the lower number); deviations
// from the squared differences to the mean, summed apart.
BruteClasses BruteAssign(const GridSamples& s, const std::vector<Vec>& centres);

}  // namespace zttest
