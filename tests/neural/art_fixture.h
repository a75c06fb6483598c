#pragma once
// What the two adaptive-resonance tests share: a small scene of patches of
// different colour directions, the sample grid walked by hand, and the
// stop checks that both exports must pass alike.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "../statistical/classifier_fixture.h"
#include "frame/window.h"
#include "ztclass/result_codes.h"

namespace zttest {

constexpr int kArtColumns = 24, kArtRows = 20, kArtBands = 3;

// Six patches (8 x 10 pixels) of different band ratios, with texture.
double Patches(int band, int column, int row);

// Band values / 255 of pixel (column, row) in band order.
std::vector<double> ScaledPixel(const Scene& scene, int column, int row);

// Every interval-th pixel of every interval-th row of the window, its bands
// divided by divisor, but for the pixels that skip(column, row) names.
std::vector<std::vector<double>> SampleGrid(const Scene& scene, const zt::Window& w, long interval,
                                            double divisor = 255, const std::function<bool(int, int)>& skip = nullptr);

// An export with everything but the network's own parameters bound.
using ClusterExport = std::function<long(void* source, long* bands, long bandCount, unsigned long clusterCount,
                                         long interval, long maxIterations, void* result, long rows,
                                         long columns, long firstRow, long firstColumn)>;

// Each caption of a clustering network's run shown once.
void ExpectClusterCaptions(const ProgressRecorder& progress, const std::string& mainCaption);

// A stop while sampling, while training and during the pass.
void ExpectStopsInEveryPhase(const ClusterExport& call);

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
// against the export run on the window 16 x 20 at (3, 2), interval 2: the
// category count, every pixel and the captions of the phases.
template <typename Brute, typename Run>
void ExpectExportMatches(Brute& brute, Run run, const std::string& mainCaption) {
  Scene scene(kArtColumns, kArtRows, kArtBands, Patches);
  const zt::Window w{16, 20, 3, 2};
  scene.MakeResult(w.columns, w.rows);
  std::vector<long> bands = {1, 2, 3};
  brute.Train(SampleGrid(scene, w, 2));
  const long formed = static_cast<long>(brute.w.size());
  ASSERT_GT(formed, 1);
  ASSERT_LT(formed, 10) << "the test wants fewer categories than asked";
  ProgressRecorder progress;
  ASSERT_EQ(run(scene.source, bands.data(), scene.result, w), RC_OK);
  EXPECT_EQ(long(Records(scene.result).size()), formed);
  ExpectMap(scene.Result(), int(w.rows), int(w.columns), [&](int r, int c) {
    return brute.Classify(ScaledPixel(scene, int(w.firstColumn) + c, int(w.firstRow) + r));
  });
  ExpectClusterCaptions(progress, mainCaption);
}

}  // namespace zttest
