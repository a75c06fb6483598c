// ART: the export against an ART loop written here (preprocessing, the
// search with reset flags, the opening of categories, the passes, the
// nearest direction).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "art_fixture.h"
#include "network_fixture.h"
#include "neural/art_network.h"
#include "ztclass/classinfo.h"
#include "ztclass/neural.h"
#include "ztclass/result_codes.h"

using namespace zttest;

namespace {

// The whole method written out: sampling grid, preprocessing, training and
// the nearest direction of every pixel.
struct BruteART {
  long k;
  double beta, theta, rho;
  long passes;
  std::vector<std::vector<double>> w;

  static double Dot(const std::vector<double>& a, const std::vector<double>& b) {
    double d = 0;
    for (size_t i = 0; i < a.size(); ++i) d += a[i] * b[i];
    return d;
  }
  static void Unit(std::vector<double>& v) {
    const double n = std::sqrt(Dot(v, v));
    for (double& e : v) e = n != 0 ? e / n : 0;
  }
  void Prepare(std::vector<double>& x) const {
    Unit(x);
    for (double& e : x)
      if (std::fabs(e) <= theta) e = 0;
    Unit(x);
  }
  double Cosine(const std::vector<double>& c, const std::vector<double>& x) const {
    const double a = std::sqrt(Dot(c, c)), b = std::sqrt(Dot(x, x));
    return a * b != 0 ? Dot(c, x) / (a * b) : a != 0 ? 0.0 : b == 0 ? 1.0 : 0.0;
  }
  void Learn(const std::vector<double>& x) {
    std::vector<bool> reset(w.size(), false);
    for (size_t tries = w.size(); tries > 0; --tries) {
      size_t best = 0;
      double score = -std::numeric_limits<double>::infinity();
      for (size_t j = 0; j < w.size(); ++j)
        if (!reset[j] && Dot(w[j], x) > score) score = Dot(w[j], x), best = j;
      if (Cosine(w[best], x) >= rho) {
        for (size_t i = 0; i < x.size(); ++i) w[best][i] += beta * (x[i] - w[best][i]);
        Unit(w[best]);
        return;
      }
      reset[best] = true;
    }
    if (static_cast<long>(w.size()) < k) w.push_back(x);
  }
  void Train(std::vector<std::vector<double>> patterns) {
    for (auto& x : patterns) Prepare(x);
    w = {patterns[0]};
    for (size_t p = 1; p < patterns.size(); ++p) Learn(patterns[p]);
    for (long pass = 1; pass < passes; ++pass)
      for (auto& x : patterns) Learn(x);
  }
  long Classify(std::vector<double> x) const {
    Prepare(x);
    long best = 0;
    for (size_t j = 1; j < w.size(); ++j)
      if (Dot(w[j], x) > Dot(w[best], x)) best = static_cast<long>(j);
    return best + 1;
  }
};

TEST(ARTClassification, MatchesTheMethodWrittenOutOnARealImage) {
  Scene scene(kArtColumns, kArtRows, kArtBands, Patches);
  const zt::Window w{16, 20, 3, 2};
  scene.MakeResult(w.columns, w.rows);
  std::vector<long> bands = {1, 2, 3};
  BruteART brute{10, 0.3, 0.05, 0.995, 3, {}};
  brute.Train(SampleGrid(scene, w, 2));
  const long formed = static_cast<long>(brute.w.size());
  ASSERT_GT(formed, 1);
  ASSERT_LT(formed, 10) << "the test wants fewer categories than asked";

  ProgressRecorder progress;
  ASSERT_EQ(ztARTNNClass(scene.source, bands.data(), 3, 10, 2, 0.3, 0.05, 0.995, 3, scene.result, w.rows,
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
  EXPECT_EQ(progress.Count("main:ART 神经网络分类"), 1);
  EXPECT_EQ(progress.Count("sub:获取采样样本集..."), 1);
  EXPECT_EQ(progress.Count("sub:网络训练..."), 1);
  EXPECT_EQ(progress.Count("sub:神经网络分类..."), 1);
}

long CallART(void* source, long* bands, long bandCount, unsigned long k, long interval, long maxIterations,
             void* result, long rows, long columns, long firstRow, long firstColumn) {
  return ztARTNNClass(source, bands, bandCount, k, interval, 0.3, 0.05, 0.9, maxIterations, result, rows, columns,
                      firstRow, firstColumn);
}

TEST(ARTClassification, ChecksArgumentsInOrder) { ExpectClusterArgumentChecks(CallART); }

TEST(ARTClassification, StopsWhileSamplingTrainingOrClassifying) { ExpectStopsInEveryPhase(CallART); }

}  // namespace
