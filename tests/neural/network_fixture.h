#pragma once
// What the network tests share: training samples given literally, and a
// small scene of patches of different colour directions with the sample grid
// walked by hand, on which the clustering networks run.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "../statistical/classifier_fixture.h"
#include "frame/window.h"
#include "ztclass/records.h"

namespace zttest {

// Samples given literally, for training the networks directly. The cells
// point into values: Cells() makes them afresh, so a copy stays valid.
struct Samples {
  std::vector<std::vector<double>> values;
  std::vector<long> classes;
  void Add(long classNo, std::vector<double> v) {
    values.push_back(std::move(v));
    classes.push_back(classNo);
  }
  AOICELL* Cells() {
    cells_.clear();
    for (size_t i = 0; i < values.size(); ++i) cells_.push_back(AOICELL{classes[i], 0, 0, values[i].data()});
    return cells_.data();
  }
  long Count() const { return static_cast<long>(values.size()); }

 private:
  std::vector<AOICELL> cells_;
};

constexpr int kArtColumns = 24, kArtRows = 20, kArtBands = 3;

// Six patches (8 x 10 pixels) of different band ratios, with texture.
inline double Patches(int band, int column, int row) {
  const int patch = column / 8 + 3 * (row / 10);
  return 20 + 60 * ((patch * (band + 1)) % 4) + (column * 3 + row * 5 + band) % 7;
}

// Band values / divisor of pixel (column, row) in band order.
inline std::vector<double> ScaledPixel(const Scene& scene, int column, int row, double divisor = 255) {
  std::vector<double> x;
  for (int b = 1; b <= scene.bands; ++b) x.push_back(scene.value(b, column, row) / divisor);
  return x;
}

// Every interval-th pixel of every interval-th row of the window, its bands
// divided by divisor, but for the pixels that skip(column, row) names.
inline std::vector<std::vector<double>> SampleGrid(const Scene& scene, const zt::Window& w, long interval,
                                                   double divisor = 255,
                                                   const std::function<bool(int, int)>& skip = nullptr) {
  std::vector<std::vector<double>> patterns;
  for (long i = 0; i < w.rows; i += interval)
    for (long j = 0; j < w.columns; j += interval) {
      const int column = static_cast<int>(w.firstColumn + j), row = static_cast<int>(w.firstRow + i);
      if (!skip || !skip(column, row)) patterns.push_back(ScaledPixel(scene, column, row, divisor));
    }
  return patterns;
}

// Each caption of a clustering network's run shown once.
inline void ExpectClusterCaptions(const ProgressRecorder& progress, const std::string& mainCaption) {
  for (const std::string& caption : {mainCaption, std::string("sub:获取采样样本集..."), std::string("sub:网络训练..."),
                                     std::string("sub:神经网络分类...")})
    EXPECT_EQ(progress.Count(caption), 1) << caption;
}

}  // namespace zttest
