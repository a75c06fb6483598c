// Kohonen network: max-min initial weights, the two learning rules and the
// training loop against hand-worked numbers and a brute-force network
// written here, and the export on real GeoTIFFs of every storage type.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

#include "network_fixture.h"
#include "neural/image_sampler.h"
#include "neural/kohonen_network.h"
#include "neural/network_model.h"
#include "ztclass/neural.h"
#include "ztclass/result_codes.h"

using namespace zttest;

namespace {

using Vectors = std::vector<std::vector<double>>;

// Patterns as the networks take them: an array of pointers into rows.
struct Patterns {
  Vectors rows;
  std::vector<double*> pointers;
  explicit Patterns(Vectors r) : rows(std::move(r)) {
    for (auto& row : rows) pointers.push_back(row.data());
  }
  double** get() { return pointers.data(); }
  long count() const { return static_cast<long>(rows.size()); }
};

Vectors AllWeights(zt::CKohonenNN& net, long neurons, long inputs) {
  Vectors w;
  for (long j = 0; j < neurons; ++j) w.emplace_back(net.Weights(j), net.Weights(j) + inputs);
  return w;
}

// The brute-force network. Neuron 0 on pattern 0, neuron 1 on the pattern farthest from it, each
// further neuron on the unchosen pattern farthest (distance capped at 1000)
// from all neurons placed, recomputed from scratch; the earliest pattern on
// ties, the last choice again once every pattern is taken.
Vectors BruteMaxMin(const Vectors& p, long neurons) {
  Vectors w{p[0]};
  std::vector<bool> chosen(p.size(), false);
  chosen[0] = true;
  size_t pick = 0;
  double best = -1;
  for (size_t i = 1; i < p.size(); ++i)
    if (Distance2(w[0], p[i]) > best) best = Distance2(w[0], p[i]), pick = i;
  w.push_back(p[pick]);
  chosen[pick] = true;
  while (static_cast<long>(w.size()) < neurons) {
    best = -1;
    for (size_t i = 1; i < p.size(); ++i) {
      if (chosen[i]) continue;
      double nearest = 1000;
      for (const auto& neuron : w) nearest = std::min(nearest, Distance2(neuron, p[i]));
      if (nearest > best) best = nearest, pick = i;
    }
    w.push_back(p[pick]);
    chosen[pick] = true;
  }
  return w;
}

Vectors BruteTrain(const Vectors& p, long neurons, double learningRate, double threshold, long epochs) {
  Vectors w = BruteMaxMin(p, neurons);
  Vectors previous = w;
  long stable = 0;
  for (long e = 0; e < epochs && stable < 100; ++e) {
    const double rate = (1.0 - double(e) / double(epochs)) * learningRate;
    for (const auto& x : p) {
      const size_t j = Nearest(w, x);
      if (e >= 10 && Distance2(w[j], x) >= 0.01 * double(x.size())) continue;
      for (size_t i = 0; i < x.size(); ++i) w[j][i] += rate * (x[i] - w[j][i]);
    }
    double change = 0;
    for (size_t j = 0; j < w.size(); ++j) change += Distance2(w[j], previous[j]);
    previous = w;
    stable = change < threshold ? stable + 1 : 0;
  }
  return w;
}

TEST(KohonenNetwork, MaxMinWeightsMatchABruteForceChoice) {
  // 16-bit values scaled by 1/255 lie far apart: 40 is 1600 from 0 and 3600
  // from 100, 50 is 2500 from both. Capped, both count 1000 and 40 wins.
  Patterns far({{0}, {40}, {50}, {100}});
  zt::CKohonenNN capped;
  ASSERT_EQ(capped.Create(1, 3), RC_OK);
  ASSERT_EQ(capped.InitCenters(far.get(), far.count()), RC_OK);
  EXPECT_EQ(AllWeights(capped, 3, 1), (Vectors{{0}, {100}, {40}}));
  Vectors v;
  for (int i = 0; i < 60; ++i) v.push_back({(i * 37 % 11) / 10.0, (i * 17 % 7) / 6.0, (i * 13 % 5) / 4.0});
  Patterns p(v);
  for (long k : {2L, 5L, 9L, 70L}) {
    zt::CKohonenNN net;
    ASSERT_EQ(net.Create(3, k), RC_OK);
    ASSERT_EQ(net.InitCenters(p.get(), p.count()), RC_OK);
    EXPECT_EQ(AllWeights(net, k, 3), BruteMaxMin(v, k)) << k;
  }
}

TEST(KohonenNetwork, OneNeuronCannotBePlacedApart) {
  Patterns p({{0, 0}, {1, 1}});
  zt::CKohonenNN net;
  ASSERT_EQ(net.Create(2, 1), RC_OK);
  EXPECT_EQ(net.InitCenters(p.get(), p.count()), RC_TOO_FEW_SAMPLES);
  EXPECT_EQ(net.Train(p.get(), p.count(), 0.1, 0.0, 5), RC_TOO_FEW_SAMPLES);
}

// Training stops on this sum: every weight of every neuron counts.
TEST(KohonenNetwork, WeightChangeIsTheSquaredMoveSinceTheLastCall) {
  zt::CKohonenNN net;
  ASSERT_EQ(net.Create(2, 2), RC_OK);
  double change = -1;
  net.Weights(1)[0] = 0.5;
  net.Weights(0)[1] = -0.25;
  net.WeightChange(&change);
  EXPECT_EQ(change, 0.3125);
  net.WeightChange(&change);
  EXPECT_EQ(change, 0.0);
}

TEST(KohonenNetwork, TrainingStopsAfterAHundredStableEpochs) {
  Patterns still({{0, 0}, {1, 1}});
  ProgressRecorder progress;
  zt::CKohonenNN net;
  ASSERT_EQ(net.Create(2, 2), RC_OK);
  ASSERT_EQ(net.Train(still.get(), still.count(), 0.3, 1e-12, 500), RC_OK);
  EXPECT_EQ(progress.steps, 100);
  EXPECT_EQ(progress.Count("sub:网络训练..."), 1);
  EXPECT_EQ(progress.Count("range:0,500"), 1);
  // Nothing moves at all: a threshold of 0 is never undercut.
  progress.steps = 0;
  ASSERT_EQ(net.Train(still.get(), still.count(), 0.3, 0.0, 500), RC_OK);
  EXPECT_EQ(progress.steps, 500);
  // The far pattern moves neuron 0 for ten epochs, then nothing moves: 110.
  Patterns moving({{0, 0}, {1, 1}, {0.5, 0.2}});
  progress.steps = 0;
  ASSERT_EQ(net.Train(moving.get(), moving.count(), 0.5, 1e-12, 500), RC_OK);
  EXPECT_EQ(progress.steps, 110);
}

// A 30 x 26 three-band scene of sea (left), vegetation (middle) and city
// (right) with texture; band 3, listed first, holds the no-data value 0 on
// a diagonal.
double Landscape(int band, int column, int row) {
  if (column == row) return band == 3 ? 0 : 50;
  const double texture = (column * 7 + row * 3 + band) % 11;
  if (column < 10) return 20 + 4 * band + texture;
  if (column < 20) return band == 2 ? 150 + texture : 60 + texture;
  return 170 + 10 * band + texture;
}

TEST(KohonenClassification, MatchesABruteForceNetworkOnAGeoTiff) {
  const int rows = 20, columns = 24, firstRow = 3, firstColumn = 2, interval = 3;
  Scene scene(30, 26, 3, Landscape, true, 0);
  scene.MakeResult(columns, rows);
  long bands[] = {3, 1, 2};
  auto pattern = [&](int column, int row) {
    std::vector<double> x;
    for (long b : bands) x.push_back(Landscape(int(b), column, row) / 255.0);
    return x;
  };
  Vectors sample;
  for (int row = firstRow; row < firstRow + rows; row += interval)
    for (int column = firstColumn; column < firstColumn + columns; column += interval)
      if (Landscape(int(bands[0]), column, row) != 0) sample.push_back(pattern(column, row));
  const Vectors neurons = BruteTrain(sample, 4, 0.4, 1e-7, 60);

  ProgressRecorder progress;
  ASSERT_EQ(ztKohonenNNClass(scene.source, bands, 3, 4, interval, 0.4, 1e-7, 60, scene.result, rows, columns, firstRow,
                             firstColumn),
            RC_OK);
  std::vector<long> counts(256, 0);
  ExpectMap(scene.Result(), rows, columns, [&](int r, int c) {
    const int column = firstColumn + c, row = firstRow + r;
    const size_t k = Landscape(int(bands[0]), column, row) == 0 ? 255 : Nearest(neurons, pattern(column, row)) + 1;
    ++counts[k];
    return double(k);
  });
  for (long k = 1; k <= 4; ++k) EXPECT_GT(counts[k], 0) << k;
  ExpectClusterCaptions(progress, "main:Kohonen 神经网络分类");
  EXPECT_EQ(progress.Count("end"), 1);
}

// The image sampler against a grid walked in the test: which pixels are left
// out (the grid itself and the stops are the clustering networks' tests') ---

// The patterns sampled from the window; the sampling must succeed.
std::vector<std::vector<double>> Sample(Scene& scene, const zt::Window& w, long interval, bool noDataFlag,
                                        double noData) {
  const zt::NoDataRule rule{noDataFlag, noData};
  std::vector<void*> bands;
  for (int b = 1; b <= scene.bands; ++b) bands.push_back(ztRSGetRasterBand(scene.source, b));
  zt::PatternArray array;
  EXPECT_EQ(array.Allocate(w, interval, scene.bands), RC_OK);
  long count = -1;
  EXPECT_EQ(zt::SampleImage(bands.data(), scene.bands, interval, rule, w.rows, w.columns, w.firstRow, w.firstColumn,
                            array.Patterns(), &count),
            RC_OK);
  EXPECT_LE(count, array.Capacity());
  std::vector<std::vector<double>> patterns;
  for (long i = 0; i < count; ++i) patterns.emplace_back(array.Patterns()[i], array.Patterns()[i] + scene.bands);
  return patterns;
}

TEST(ImageSampler, LeavesOutExactNoDataAndNonNumbersOfAnyBand) {
  // Band 1 holds the no-data value 7 on a diagonal and 7.00001 next to
  // it: only exact equality is left out. Band 2 holds it in one pixel, NaN
  // on one column, and infinities on another.
  auto value = [](int b, int c, int r) {
    if (b == 1 && c == r) return 7.0;
    if (b == 1 && c == r + 1) return 7.00001;
    if (b == 2 && c == 3 && r == 7) return 7.0;
    if (b == 2 && c == 5) return std::nan("");
    if (b == 2 && c == 9) return r % 2 ? HUGE_VAL : -HUGE_VAL;
    return b * 1000 + r * 37.0 + c;
  };
  Scene scene(12, 10, 2, value, true, 7.0, GDT_Float32);
  const zt::Window w{10, 12, 0, 0};
  const auto sampled = Sample(scene, w, 1, true, 7.0);
  const auto expected =
      SampleGrid(scene, w, 1, 1, [](int c, int r) { return c == r || (c == 3 && r == 7) || c == 5 || c == 9; });
  ASSERT_EQ(sampled.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i)
    for (size_t b = 0; b < 2; ++b)
      EXPECT_FLOAT_EQ(static_cast<float>(sampled[i][b]), static_cast<float>(expected[i][b]));
  // Without the flag the diagonal stays in; the others are still left out.
  EXPECT_EQ(Sample(scene, w, 1, false, 7.0).size(),
            SampleGrid(scene, w, 1, 1, [](int c, int) { return c == 5 || c == 9; }).size());
}

// A Float32 fill 5e-7 above the no-data value 0.9: the fill gets 255 and
// no neuron. Two neurons then split 100 from 110; sampled, the fill would
// take one (the farthest from 110) and leave the other both.
TEST(KohonenClassification, PixelsWithinOneMillionthOfNoDataTrainNoNeuron) {
  auto value = [](int, int c, int) { return c < 4 ? 0.9 + 5e-7 : c < 8 ? 100.0 : 110.0; };
  Scene scene(12, 10, 1, value, true, 0.9, GDT_Float32);
  long band = 1;
  ASSERT_EQ(ztKohonenNNClass(scene.source, &band, 1, 2, 1, 0.3, 0.0, 20, scene.result, 10, 12, 0, 0), RC_OK);
  const std::vector<double> classes = scene.Result();
  const double hundred = classes[4], hundredTen = classes[8];
  EXPECT_NE(hundred, hundredTen);
  ExpectMap(classes, 10, 12, [&](int, int c) { return c < 4 ? 255.0 : c < 8 ? hundred : hundredTen; });
}

// A stack of a Byte band and a UInt16 band holding values above a byte's:
// the patterns keep the UInt16 values whole, listed alone or first.
TEST(ImageSampler, BandsOfDifferentTypesKeepTheirValues) {
  TempDir dir;
  auto narrow = [](int, int c, int r) { return double((c * 7 + r * 3) % 50); };
  auto wide = [](int, int c, int r) { return 1000.0 + c * 40 + r; };
  WriteBandStack(dir.File("stack.vrt"), 12, 10, {{GDT_Byte, narrow}, {GDT_UInt16, wide}});
  Handle ds(ztRSOpen(dir.File("stack.vrt").c_str(), 0));
  ASSERT_TRUE(ds);
  const zt::Window w{10, 12, 0, 0};
  for (long bandCount : {1, 2}) {
    std::vector<void*> bands = {ztRSGetRasterBand(ds.get(), 2), ztRSGetRasterBand(ds.get(), 1)};
    zt::PatternArray array;
    ASSERT_EQ(array.Allocate(w, 1, bandCount), RC_OK);
    long count = -1;
    ASSERT_EQ(
        zt::SampleImage(bands.data(), bandCount, 1, zt::NoDataRule{}, w.rows, w.columns, 0, 0, array.Patterns(), &count),
        RC_OK);
    ASSERT_EQ(count, w.rows * w.columns);
    for (int r = 0; r < w.rows; ++r)
      for (int c = 0; c < w.columns; ++c) {
        const double* pattern = array.Patterns()[r * w.columns + c];
        ASSERT_EQ(pattern[0], wide(2, c, r)) << r << "," << c;
        if (bandCount == 2) {
          ASSERT_EQ(pattern[1], narrow(1, c, r)) << r << "," << c;
        }
      }
  }
}

// A clustering network on one scene stored four ways: as Byte, as UInt16
// with the values x 100 (a 16-bit sensor's digital numbers), and as
// reflectance in Float32 (values / 256) and Float64 (values / 255). One
// sampled pixel reaches 255, so the scaling of the other types divides v x f
// by 255 x f, which rounds to v / 255 to the last bit for these factors: the
// class maps must agree pixel for pixel. The supervised networks' training
// samples take the same scaling (the command line's copies of one scene).

// The patches, with one pixel of 255 where the sampler sees it.
double Bright(int band, int column, int row) {
  return column == 0 && row == 0 && band == 1 ? 255.0 : Patches(band, column, row);
}

std::vector<double> Classify(GDALDataType type, double factor) {
  Scene s(kArtColumns, kArtRows, kArtBands, [factor](int b, int c, int r) { return Bright(b, c, r) * factor; },
          false, 0, type);
  s.MakeResult(kArtColumns, kArtRows);
  long bands[] = {1, 2, 3};
  std::srand(1);  // the same initial weights for every copy
  EXPECT_EQ(ztKohonenNNClass(s.source, bands, 3, 6, 2, 0.3, 0.0, 20, s.result, kArtRows, kArtColumns, 0, 0), RC_OK);
  return s.Result();
}

// Training scales a value beyond the training range in proportion; a model
// saved with the clamping kind keeps clamping it.
TEST(NetworkStorageTypes, ValuesBeyondTheTrainingRangeClampOnlyInOldModels) {
  const double training[] = {10.0, 60.0};
  const zt::BandScaling trained = zt::DeriveBandScaling(ZTRS_UInt16, 1, 2, [&](long i) { return &training[i]; });
  EXPECT_EQ(trained.Apply(0, 120.0), 2.0);
  for (auto [kind, scaled] : {std::pair{"training-range", 1.0}, {"training-range-unclamped", 2.0}}) {
    zt::Model m;
    m.bands = {1};
    m.scaling = {{"kind", kind}, {"offset", {0.0}}, {"span", {60.0}}};
    EXPECT_EQ(zt::CheckScaling(m), "") << kind;
    EXPECT_EQ(zt::ModelScaling(m).Apply(0, 120.0), scaled) << kind;
  }
}

TEST(NetworkStorageTypes, SixteenBitAndReflectanceCopiesGiveTheByteMap) {
  const std::vector<double> byte = Classify(GDT_Byte, 1.0);
  ASSERT_EQ(byte.size(), size_t(kArtColumns * kArtRows));
  for (auto [type, factor] : {std::pair{GDT_UInt16, 100.0}, {GDT_Float32, 1.0 / 256}, {GDT_Float64, 1.0 / 255}})
    EXPECT_EQ(Classify(type, factor), byte) << GDALGetDataTypeName(type);
}

}  // namespace
