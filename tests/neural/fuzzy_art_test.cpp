// Fuzzy ART: the export against the method written out here.
#include <gtest/gtest.h>

#include <algorithm>

#include "art_fixture.h"
#include "network_fixture.h"
#include "neural/fuzzy_art_network.h"
#include "ztclass/classinfo.h"
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
    std::vector<bool> reset(w.size(), false);
    for (size_t tries = w.size(); tries > 0; --tries) {
      size_t best = 0;
      double score = -1;
      for (size_t j = 0; j < w.size(); ++j) {
        const double t = Overlap(x, w[j], x.size()) / (alpha + Size(w[j]));
        if (!reset[j] && t > score) score = t, best = j;
      }
      if (Overlap(x, w[best], x.size()) / Size(x) >= rho) {
        for (size_t i = 0; i < x.size(); ++i) w[best][i] = beta * std::min(x[i], w[best][i]) + (1 - beta) * w[best][i];
        return;
      }
      reset[best] = true;
    }
    if (static_cast<long>(w.size()) < k) w.push_back(x);
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
  Scene scene(kArtColumns, kArtRows, kArtBands, Patches);
  const zt::Window w{16, 20, 3, 2};
  scene.MakeResult(w.columns, w.rows);
  std::vector<long> bands = {1, 2, 3};
  BruteFuzzyART brute{10, 0.5, 0.01, 0.9, 3, {}};
  brute.Train(SampleGrid(scene, w, 2));
  const long formed = static_cast<long>(brute.w.size());
  ASSERT_GT(formed, 1);
  ASSERT_LT(formed, 10) << "the test wants fewer categories than asked";

  ProgressRecorder progress;
  ASSERT_EQ(ztFuzzyARTNNClass(scene.source, bands.data(), 3, 10, 2, 0.5, 0.01, 0.9, 3, scene.result, w.rows,
                              w.columns, w.firstRow, w.firstColumn),
            RC_OK);
  long records = 0;
  ASSERT_EQ(ztRSReadClsNum(scene.result, records), RC_OK);
  EXPECT_EQ(records, formed);
  const std::vector<double> classes = scene.Result();
  for (long r = 0; r < w.rows; ++r)
    for (long c = 0; c < w.columns; ++c)
      EXPECT_EQ(classes[r * w.columns + c],
                brute.Classify(ScaledPixel(scene, static_cast<int>(w.firstColumn + c), static_cast<int>(w.firstRow + r))))
          << c << "," << r;
  EXPECT_EQ(progress.Count("main:Fuzzy ART神经网络分类"), 1);
  EXPECT_EQ(progress.Count("sub:获取采样样本集..."), 1);
  EXPECT_EQ(progress.Count("sub:网络训练..."), 1);
  EXPECT_EQ(progress.Count("sub:神经网络分类..."), 1);
}

long CallFuzzyART(void* source, long* bands, long bandCount, unsigned long k, long interval, long maxIterations,
                  void* result, long rows, long columns, long firstRow, long firstColumn) {
  return ztFuzzyARTNNClass(source, bands, bandCount, k, interval, 0.5, 0.01, 0.8, maxIterations, result, rows,
                           columns, firstRow, firstColumn);
}

TEST(FuzzyARTClassification, StopsWhileSamplingTrainingOrClassifying) { ExpectStopsInEveryPhase(CallFuzzyART); }

}  // namespace
