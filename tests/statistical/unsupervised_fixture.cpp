#include "unsupervised_fixture.h"

#include <cmath>


namespace zttest {

GridSamples SampleGrid(const Scene& scene, const std::vector<int>& bands, int rows, int columns, int firstRow,
                       int firstColumn, int interval) {
  GridSamples s;
  for (int j = 0; j * interval < rows; ++j)
    for (int i = 0; i * interval < columns; ++i) {
      const int r = firstRow + j * interval, c = firstColumn + i * interval;
      s.values.push_back(PixelOf(scene, bands, r, c));
      s.positions.push_back({r, c});
    }
  return s;
}

std::vector<Vec> BruteCentres(const GridSamples& s, int count, const Vec& first, bool hasNoData, double noData) {
  std::vector<Vec> centres = {first};
  while (static_cast<int>(centres.size()) < count) {
    int best = -1;
    double bestD = 0;
    for (size_t i = 0; i < s.values.size(); ++i) {
      bool skip = false;
      for (double v : s.values[i]) skip = skip || std::isnan(v) || (hasNoData && v == noData);
      if (skip) continue;
      double d = INFINITY;
      for (const Vec& c : centres) d = std::min(d, Distance2(c, s.values[i]));
      if (best < 0 || d > bestD) best = int(i), bestD = d;
    }
    if (best < 0) return {};
    centres.push_back(s.values[best]);
  }
  return centres;
}

BruteClasses BruteAssign(const GridSamples& s, const std::vector<Vec>& centres) {
  BruteClasses b;
  std::map<int, std::vector<Vec>> members;
  for (const Vec& x : s.values) {
    bool nan = false;
    for (double v : x) nan = nan || std::isnan(v);
    if (nan) {
      b.sampleClass.push_back(0);
      continue;
    }
    const int k = int(Nearest(centres, x)) + 1;
    b.sampleClass.push_back(k);
    members[k].push_back(x);
  }
  for (auto& [k, xs] : members) {
    b.list.push_back(k);
    b.count[k] = long(xs.size());
    Vec mean(xs[0].size(), 0.0), dev(xs[0].size(), 0.0);
    for (const Vec& x : xs)
      for (size_t i = 0; i < x.size(); ++i) mean[i] += x[i];
    for (double& m : mean) m /= double(xs.size());
    for (const Vec& x : xs)
      for (size_t i = 0; i < x.size(); ++i) dev[i] += (x[i] - mean[i]) * (x[i] - mean[i]);
    for (double& d : dev) d = std::sqrt(d / double(xs.size()));
    b.mean[k] = mean;
    b.deviation[k] = dev;
  }
  return b;
}

}  // namespace zttest
