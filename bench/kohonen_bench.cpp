// The Kohonen network on the 4000 x 4000, 6-band Byte GeoTIFF (tiled
// 256 x 256) at the host's default sampling interval (about 100,000
// samples: every 12th pixel) and its default rate, change threshold and
// epochs: training (seconds, on the sampled patterns); the model's apply is
// timed in apply_bench.cpp.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <numeric>
#include <vector>

#include "bench_support.h"
#include "frame/progress_session.h"
#include "neural/image_sampler.h"
#include "neural/kohonen_network.h"
#include "neural/network_driver.h"
#include "ztclass/result_codes.h"
#include "ztservices/progress.h"
#include "ztservices/raster.h"

namespace {

constexpr int kSide = 4000, kBands = 6;
constexpr long kInterval = 12, kEpochs = 200;
constexpr double kRate = 0.1, kChangeThreshold = 1e-6;

// The scene and its sampled patterns, made once.
struct Sample {
  void* source = nullptr;
  std::vector<long> bands = std::vector<long>(kBands);
  zt::PatternArray patterns;
  long count = 0;
  zt::BandScaling scaling;

  Sample() {
    source = ztRSOpen(ztbench::Scene(kSide, kSide, kBands).c_str(), 0);
    std::iota(bands.begin(), bands.end(), 1L);
    const zt::Window w{kSide, kSide, 0, 0};
    std::vector<void*> handles;
    for (long b : bands) handles.push_back(ztRSGetRasterBand(source, static_cast<int>(b)));
    patterns.Allocate(w, kInterval, kBands);
    zt::SampleImage(handles.data(), kBands, kInterval, zt::NoDataRule{}, w.rows, w.columns, w.firstRow,
                    w.firstColumn, patterns.Patterns(), &count);
    scaling = zt::ScalePatterns(ztRSGetDatasetType(source), kBands, patterns.Patterns(), count);
  }
};

Sample& Shared() {
  static Sample sample;
  return sample;
}

// Epochs run: training polls for a stop once per epoch.
long polls = 0;

long Train(zt::CKohonenNN& net, long clusters) {
  Sample& s = Shared();
  ZTProgressSink sink{};
  sink.stopRequested = [](void*) {
    ++polls;
    return 0;
  };
  ztSetProgressSink(&sink);
  polls = 0;
  net.Create(kBands, clusters);
  const long rc = net.Train(s.patterns.Patterns(), s.count, kRate, kChangeThreshold, kEpochs);
  ztSetProgressSink(nullptr);
  return rc;
}

void BM_KohonenTrain(benchmark::State& state) {
  Shared();
  for (auto _ : state) {
    zt::CKohonenNN net;
    if (long rc = Train(net, state.range(0))) state.SkipWithError(("result code " + std::to_string(rc)).c_str());
  }
  state.counters["samples"] = static_cast<double>(Shared().count);
  state.counters["epochs"] = static_cast<double>(polls);
}

BENCHMARK(BM_KohonenTrain)->Arg(8)->Arg(16)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace
