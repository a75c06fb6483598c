#include "art_fixture.h"

namespace zttest {

double Patches(int band, int column, int row) {
  const int patch = column / 8 + 3 * (row / 10);
  return 20 + 60 * ((patch * (band + 1)) % 4) + (column * 3 + row * 5 + band) % 7;
}

std::vector<double> ScaledPixel(const Scene& scene, int column, int row) {
  std::vector<double> x;
  for (int b = 1; b <= scene.bands; ++b) x.push_back(scene.value(b, column, row) / 255.0);
  return x;
}

std::vector<std::vector<double>> SampleGrid(const Scene& scene, const zt::Window& w, long interval, double divisor,
                                            const std::function<bool(int, int)>& skip) {
  std::vector<std::vector<double>> patterns;
  for (long i = 0; i < w.rows; i += interval)
    for (long j = 0; j < w.columns; j += interval) {
      const int column = static_cast<int>(w.firstColumn + j), row = static_cast<int>(w.firstRow + i);
      if (skip && skip(column, row)) continue;
      patterns.emplace_back();
      for (int b = 1; b <= scene.bands; ++b) patterns.back().push_back(scene.value(b, column, row) / divisor);
    }
  return patterns;
}

void ExpectClusterCaptions(const ProgressRecorder& progress, const std::string& mainCaption) {
  for (const std::string& caption : {mainCaption, std::string("sub:获取采样样本集..."), std::string("sub:网络训练..."),
                                     std::string("sub:神经网络分类...")})
    EXPECT_EQ(progress.Count(caption), 1) << caption;
}

void ExpectStopsInEveryPhase(const ClusterExport& call) {
  Scene s(kArtColumns, kArtRows, kArtBands, Patches);
  s.MakeResult(kArtColumns, kArtRows);
  std::vector<long> bands = {1, 2, 3};
  const long sampledRows = kArtRows / 2;
  struct Stop {
    long after, maxIterations;
    const char* caption;
  };
  for (const Stop& stop : {Stop{0, 3, "获取采样样本集..."}, Stop{sampledRows - 1, 3, "获取采样样本集..."},
                           Stop{sampledRows, 3, "网络训练..."}, Stop{sampledRows + 1, 3, "网络训练..."},
                           Stop{sampledRows, 1, "神经网络分类..."}}) {
    ProgressRecorder progress;
    progress.stopAfterSteps = stop.after;
    EXPECT_EQ(call(s.source, bands.data(), 3, 4, 2, stop.maxIterations, s.result, kArtRows, kArtColumns, 0, 0),
              RC_CANCELLED)
        << stop.after;
    EXPECT_EQ(progress.LastCaption(), stop.caption) << stop.after;
    EXPECT_EQ(progress.events.back(), "end");
  }
}

}  // namespace zttest
