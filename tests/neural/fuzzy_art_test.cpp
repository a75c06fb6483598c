// Fuzzy ART: the export against the method written out here.
#include <gtest/gtest.h>

#include <algorithm>

#include "art_fixture.h"
#include "neural/fuzzy_art_network.h"
#include "ztclass/neural.h"
#include "ztclass/result_codes.h"

using namespace zttest;

namespace {

// The whole method written out on complement-coded patterns.
struct BruteFuzzyART {
  long k;
  double beta, alpha, rho;
  long passes;
  std::vector<std::vector<double>> w;

  static std::vector<double> Code(const std::vector<double>& x) {
    std::vector<double> c = x;
    for (double v : x) c.push_back(1 - v);
    return c;
  }
  static double Overlap(const std::vector<double>& x, const std::vector<double>& c, size_t n) {
    double s = 0;
    for (size_t i = 0; i < n; ++i) s += std::min(x[i], c[i]);
    return s;
  }
  static double Size(const std::vector<double>& v) {
    double s = 0;
    for (double e : v) s += e;
    return s;
  }
  void Learn(const std::vector<double>& x) {
    Resonate(
        w, x, k, [&](const std::vector<double>& c) { return Overlap(x, c, x.size()) / (alpha + Size(c)); },
        [&](const std::vector<double>& c) { return Overlap(x, c, x.size()) / Size(x) >= rho; },
        [&](std::vector<double>& c) {
          for (size_t i = 0; i < x.size(); ++i) c[i] = beta * std::min(x[i], c[i]) + (1 - beta) * c[i];
        });
  }
  void Train(const std::vector<std::vector<double>>& samples) {
    std::vector<std::vector<double>> coded;
    for (const auto& s : samples) coded.push_back(Code(s));
    w = {coded[0]};
    for (size_t p = 1; p < coded.size(); ++p) Learn(coded[p]);
    for (long pass = 1; pass < passes; ++pass)
      for (const auto& x : coded) Learn(x);
  }
  long Classify(const std::vector<double>& pixel) const {
    long best = 0;
    for (size_t j = 1; j < w.size(); ++j)
      if (Overlap(pixel, w[j], pixel.size()) > Overlap(pixel, w[best], pixel.size())) best = static_cast<long>(j);
    return best + 1;
  }
};

TEST(FuzzyARTClassification, MatchesTheMethodWrittenOutOnARealImage) {
  BruteFuzzyART brute{10, 0.5, 0.01, 0.9, 3, {}};
  ExpectExportMatches(
      brute,
      [](void* source, long* bands, void* result, const zt::Window& w) {
        return ztFuzzyARTNNClass(source, bands, 3, 10, 2, 0.5, 0.01, 0.9, 3, result, w.rows, w.columns, w.firstRow,
                                 w.firstColumn);
      },
      "main:Fuzzy ART神经网络分类");
}

long CallFuzzyART(void* source, long* bands, long bandCount, unsigned long k, long interval, long maxIterations,
                  void* result, long rows, long columns, long firstRow, long firstColumn) {
  return ztFuzzyARTNNClass(source, bands, bandCount, k, interval, 0.5, 0.01, 0.8, maxIterations, result, rows,
                           columns, firstRow, firstColumn);
}

TEST(FuzzyARTClassification, StopsWhileSamplingTrainingOrClassifying) { ExpectStopsInEveryPhase(CallFuzzyART); }

}  // namespace
