// ART and fuzzy ART: the exports against the methods written out here
// (preprocessing or complement coding, the search with reset flags, the
// opening of categories, the passes, the nearest category).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "network_fixture.h"
#include "neural/art_network.h"
#include "neural/fuzzy_art_network.h"
#include "ztclass/neural.h"
#include "ztclass/result_codes.h"

using namespace zttest;

namespace {

// The search both resonance methods share: the best category not yet reset
// (by choice) learns x when it matches, else it is reset and the next one
// tried; a new category opens when none matched and fewer than k exist.
template <typename Choice, typename Matches, typename Learn>
void Resonate(std::vector<std::vector<double>>& w, const std::vector<double>& x, long k, Choice choice,
              Matches matches, Learn learn) {
  std::vector<bool> reset(w.size(), false);
  for (size_t tries = w.size(); tries > 0; --tries) {
    size_t best = 0;
    double score = -1e300;
    for (size_t j = 0; j < w.size(); ++j)
      if (!reset[j] && choice(w[j]) > score) score = choice(w[j]), best = j;
    if (matches(w[best])) return learn(w[best]);
    reset[best] = true;
  }
  if (static_cast<long>(w.size()) < k) w.push_back(x);
}

// A written-out method (Train on the sample grid, Classify a scaled pixel)
// against the export run with the method's parameters, which it holds in the
// export's order, on the window 16 x 20 at (3, 2), interval 2: the category
// count, every pixel and the captions of the phases.
template <typename Brute, typename Export>
void ExpectExportMatches(Brute brute, Export run, const std::string& mainCaption) {
  Scene scene(kArtColumns, kArtRows, kArtBands, Patches);
  const zt::Window w{16, 20, 3, 2};
  scene.MakeResult(w.columns, w.rows);
  std::vector<long> bands = {1, 2, 3};
  brute.Train(SampleGrid(scene, w, 2));
  const long formed = static_cast<long>(brute.w.size());
  ASSERT_GT(formed, 1);
  ASSERT_LT(formed, 10) << "the test wants fewer categories than asked";
  ProgressRecorder progress;
  const auto& [k, beta, third, rho, passes, weights] = brute;
  ASSERT_EQ(run(scene.source, bands.data(), 3, k, 2, beta, third, rho, passes, scene.result, w.rows, w.columns,
                w.firstRow, w.firstColumn),
            RC_OK);
  EXPECT_EQ(long(Records(scene.result).size()), formed);
  ExpectMap(scene.Result(), int(w.rows), int(w.columns), [&](int r, int c) {
    return brute.Classify(ScaledPixel(scene, int(w.firstColumn) + c, int(w.firstRow) + r));
  });
  ExpectClusterCaptions(progress, mainCaption);
}

// A stop while sampling, while training and during the pass, given an export
// with everything but the network's own parameters bound.
template <typename Call>
void ExpectStopsInEveryPhase(Call call) {
  Scene s(kArtColumns, kArtRows, kArtBands, Patches);
  s.MakeResult(kArtColumns, kArtRows);
  std::vector<long> bands = {1, 2, 3};
  const long sampledRows = kArtRows / 2;
  // Steps before the stop, passes, and the caption the stop comes under.
  for (auto [after, maxIterations, caption] :
       {std::tuple{0L, 3L, "获取采样样本集..."}, {sampledRows - 1, 3L, "获取采样样本集..."},
        {sampledRows, 3L, "网络训练..."}, {sampledRows + 1, 3L, "网络训练..."}, {sampledRows, 1L, "神经网络分类..."}}) {
    ProgressRecorder progress;
    progress.stopAfterSteps = after;
    EXPECT_EQ(call(s.source, bands.data(), 3, 4, 2, maxIterations, s.result, kArtRows, kArtColumns, 0, 0), RC_CANCELLED)
        << after;
    EXPECT_EQ(progress.LastCaption(), caption) << after;
    EXPECT_EQ(progress.events.back(), "end");
  }
}

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
    Resonate(
        w, x, k, [&](const std::vector<double>& c) { return Dot(c, x); },
        [&](const std::vector<double>& c) { return Cosine(c, x) >= rho; },
        [&](std::vector<double>& c) {
          for (size_t i = 0; i < x.size(); ++i) c[i] += beta * (x[i] - c[i]);
          Unit(c);
        });
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
  ExpectExportMatches(BruteART{10, 0.3, 0.05, 0.995, 3, {}}, ztARTNNClass, "main:ART 神经网络分类");
}

long CallART(void* source, long* bands, long bandCount, unsigned long k, long interval, long maxIterations,
             void* result, long rows, long columns, long firstRow, long firstColumn) {
  return ztARTNNClass(source, bands, bandCount, k, interval, 0.3, 0.05, 0.9, maxIterations, result, rows, columns,
                      firstRow, firstColumn);
}

// The argument checks in their order, 254 clusters accepted and 255 refused,
// the interval's bounds, and no sampled pattern at all.
TEST(ARTClassification, ChecksArgumentsInOrder) {
  const auto call = CallART;
  Scene s(kArtColumns, kArtRows, kArtBands, Patches);
  s.MakeResult(kArtColumns, kArtRows);
  long b[] = {1, 2, 3};
  void *src = s.source, *res = s.result;
  ProgressRecorder progress;
  // Each line breaks the checks before it too: the first failure decides.
  EXPECT_EQ(call(nullptr, b, 3, 0, 0, 1, res, 21, 1, -1, 0), RC_NULL_ARGUMENT);
  EXPECT_EQ(call(src, b, 3, 0, 0, 1, nullptr, 21, 1, -1, 0), RC_NULL_ARGUMENT);
  EXPECT_EQ(call(src, b, 1025, 0, 0, 1, res, 21, 1, -1, 0), RC_TOO_MANY_BANDS);
  EXPECT_EQ(call(src, b, 3, 0, 2, 1, res, 21, 1, -1, 0), RC_BAD_WINDOW);
  EXPECT_EQ(call(src, b, 3, 255, 2, 1, res, 20, 24, 0, 0), RC_BAD_WINDOW);
  EXPECT_EQ(call(src, b, 3, 2, 0, 1, res, 20, 24, 0, 0), RC_BAD_WINDOW);
  EXPECT_EQ(call(src, b, 3, 2, 21, 1, res, 20, 24, 0, 0), RC_BAD_WINDOW);
  EXPECT_EQ(call(src, b, 3, 2, 2, 1, res, 20, 24, -1, 0), RC_BAD_WINDOW);
  EXPECT_EQ(call(src, b, 3, 2, 2, 1, res, 20, 24, 0, -1), RC_BAD_WINDOW);
  EXPECT_EQ(call(src, b, 3, 2, 2, 1, res, 21, 24, 0, 0), RC_BAD_WINDOW);
  EXPECT_EQ(progress.Count("start"), 0) << "no progress before the checks pass";
  // The interval may reach the smaller image side; 254 categories fit.
  EXPECT_EQ(call(src, b, 3, 254, 20, 1, res, 20, 24, 0, 0), RC_OK);
  EXPECT_EQ(call(src, b, 3, 1, 1, 1, res, 20, 24, 0, 0), RC_OK);
  // Every sampled pixel no-data: nothing to train on.
  Scene blank(8, 6, 2, [](int band, int c, int) { return band == 1 ? 9.0 : c; }, true, 9.0);
  blank.MakeResult(8, 6);
  EXPECT_EQ(call(blank.source, b, 2, 3, 1, 1, blank.result, 6, 8, 0, 0), RC_TOO_FEW_SAMPLES);
}

TEST(ARTClassification, StopsWhileSamplingTrainingOrClassifying) { ExpectStopsInEveryPhase(CallART); }

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
  double Choice(const std::vector<double>& x, const std::vector<double>& c) const {
    return Overlap(x, c, x.size()) / (alpha + Size(c));
  }
  long Classify(const std::vector<double>& pixel) const {
    const std::vector<double> x = Code(pixel);
    long best = 0;
    for (size_t j = 1; j < w.size(); ++j)
      if (Choice(x, w[j]) > Choice(x, w[best])) best = static_cast<long>(j);
    return best + 1;
  }
};

TEST(FuzzyARTClassification, MatchesTheMethodWrittenOutOnARealImage) {
  ExpectExportMatches(BruteFuzzyART{10, 0.5, 0.01, 0.9, 3, {}}, ztFuzzyARTNNClass, "main:Fuzzy ART神经网络分类");
}

// One band of 26, 51, 179, 230 (x = 0.102, 0.2, 0.702, 0.902), vigilance
// 0.75, rate 1, choice 0.001, one pass: 51 joins the box of 26 (match 0.902),
// 179 opens a second (match 0.4), which 230 joins (T 0.799 against 0.222,
// match 0.8): boxes [0.102, 0.2] and [0.702, 0.902], w = (0.102, 0.8) and
// (0.702, 0.098). For 51, T = (0.102 + 0.8) / 0.903 = 0.999 against
// (0.2 + 0.098) / 0.801 = 0.372: each sample falls into the box it formed,
// where the smaller of pixel and lower edge alone would put 51 in the box
// of 179 (0.2 against 0.102).
TEST(FuzzyARTClassification, SamplesFallIntoTheBoxesTheyFormed) {
  const double values[] = {26, 51, 179, 230};
  Scene s(4, 1, 1, [&](int, int c, int) { return values[c]; });
  long band = 1;
  ASSERT_EQ(ztFuzzyARTNNClass(s.source, &band, 1, 4, 1, 1.0, 0.001, 0.75, 1, s.result, 1, 4, 0, 0), RC_OK);
  EXPECT_EQ(s.Result(), (std::vector<double>{1, 1, 2, 2}));
}

// Two bands; the first four pixels open two boxes of equal size, band values
// 20..60 and 180..220 in both bands (vigilance 0.75, rate 1, one pass), and
// the pixels (x, 240 - x) between them lie 120 from both boxes, summed over
// the bands: each ties, |x ^ w| = 2 - (80 + 120) / 255 and |w| = 2 - 80 / 255
// for both, and goes to the first box (a match of 1 - 200 / 510 keeps it out
// of both in training). The last pixel, 255 in both bands, gives every
// storage type the same scaling and lies nearer the second box. Stored as
// UInt16 x 100 or as fractions, the ties must not fall to the rounding.
TEST(FuzzyARTClassification, TiesGoToTheFirstCategoryOnEveryStorageType) {
  std::vector<std::pair<double, double>> pixels = {{20, 20}, {60, 60}, {180, 180}, {220, 220}};
  std::vector<double> expected = {1, 1, 2, 2};
  for (double x = 60; x <= 180; ++x) pixels.push_back({x, 240 - x}), expected.push_back(1);
  pixels.push_back({255, 255}), expected.push_back(2);
  const int columns = static_cast<int>(pixels.size());
  for (auto [type, factor] : {std::pair{GDT_Byte, 1.0}, {GDT_UInt16, 100.0}, {GDT_Float32, 1 / 255.0},
                              {GDT_Float64, 1 / 255.0}}) {
    Scene s(
        columns, 1, 2,
        [&](int band, int c, int) { return (band == 1 ? pixels[c].first : pixels[c].second) * factor; }, false, 0,
        type);
    long bands[] = {1, 2};
    ASSERT_EQ(ztFuzzyARTNNClass(s.source, bands, 2, 2, 1, 1.0, 0.001, 0.75, 1, s.result, 1, columns, 0, 0), RC_OK);
    EXPECT_EQ(s.Result(), expected) << GDALGetDataTypeName(type);
  }
}

long CallFuzzyART(void* source, long* bands, long bandCount, unsigned long k, long interval, long maxIterations,
                  void* result, long rows, long columns, long firstRow, long firstColumn) {
  return ztFuzzyARTNNClass(source, bands, bandCount, k, interval, 0.5, 0.01, 0.8, maxIterations, result, rows,
                           columns, firstRow, firstColumn);
}

TEST(FuzzyARTClassification, StopsWhileSamplingTrainingOrClassifying) { ExpectStopsInEveryPhase(CallFuzzyART); }

// 8000 random patterns that hardly resonate open 254 categories, and each
// later one is tried against all of them: a first pass of seconds. A stop
// asked for before it is seen within it (the first pass steps no progress).
TEST(ResonanceTraining, StopIsSeenWithinTheFirstPass) {
  constexpr long kCount = 8000, kBands = 4;
  std::mt19937 random(3);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<double> values(kCount * kBands);
  auto patterns = [&] {
    for (double& v : values) v = unit(random);
    std::vector<double*> p;
    for (long i = 0; i < kCount; ++i) p.push_back(&values[i * kBands]);
    return p;
  };
  ProgressRecorder progress;
  progress.stopAfterSteps = 0;
  zt::CART art(kBands, 254);
  ASSERT_EQ(art.Create(), RC_OK);
  EXPECT_EQ(art.Train(patterns().data(), kCount, 1, 0.0, 0.99999, 0.5), RC_CANCELLED);
  zt::CFuzzyART fuzzy(kBands, 254);
  ASSERT_EQ(fuzzy.Create(), RC_OK);
  EXPECT_EQ(fuzzy.Train(patterns().data(), kCount, 1, 0.001, 0.99999, 1.0), RC_CANCELLED);
}

TEST(FuzzyARTClassification, OneClusterIsEnough) {
  Scene s(kArtColumns, kArtRows, kArtBands, Patches);
  s.MakeResult(kArtColumns, kArtRows);
  long b[] = {1, 2, 3};
  EXPECT_EQ(CallFuzzyART(s.source, b, 3, 1, 1, 1, s.result, kArtRows, kArtColumns, 0, 0), RC_OK);
}

}  // namespace
