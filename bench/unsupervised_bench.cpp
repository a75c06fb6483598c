// The unsupervised statistical classifiers, whole calls on the 4000 x 4000,
// 6-band Byte GeoTIFF (tiled 256 x 256) at the host's default sampling
// interval (about 100,000 samples: every 12th pixel): megapixels per second,
// and the share of the call spent before the final pass (centres, initial
// statistics, scatter matrices, iterations), timed by the progress captions.
#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>
#include <numeric>
#include <vector>

#include "bench_support.h"
#include "ztclass/result_codes.h"
#include "ztclass/unsupervised.h"
#include "ztservices/progress.h"
#include "ztservices/raster.h"

namespace {

constexpr int kSide = 4000;
constexpr long kInterval = 12;

using Clock = std::chrono::steady_clock;

// The pass over the window is the last phase a call captions: the time of
// the last caption is when learning ended.
struct PhaseClock {
  Clock::time_point finalPass;
  static void OnSub(void* self, const char*) { static_cast<PhaseClock*>(self)->finalPass = Clock::now(); }
};

using Classifier = std::function<long(void* source, long* bands, void* result)>;

void Run(benchmark::State& state, const Classifier& classify) {
  void* source = ztRSOpen(ztbench::Scene(kSide, kSide, 6).c_str(), 0);
  std::vector<long> bands(6);
  std::iota(bands.begin(), bands.end(), 1L);
  const std::string resultPath = ztbench::Path("clusters.tif");
  const char* options[] = {"TILED=YES", nullptr};
  PhaseClock clock;
  ZTProgressSink sink{};
  sink.userData = &clock;
  sink.subName = PhaseClock::OnSub;
  ztSetProgressSink(&sink);
  double learning = 0, total = 0;
  for (auto _ : state) {
    void* result = ztRSCreate(ztRSGetDriverByName("GTiff"), resultPath.c_str(), kSide, kSide, 1, ZTRS_Byte, options);
    const Clock::time_point start = Clock::now();
    const long rc = classify(source, bands.data(), result);
    const Clock::time_point end = Clock::now();
    ztRSClose(result);
    if (rc != RC_OK) state.SkipWithError(("result code " + std::to_string(rc)).c_str());
    learning += std::chrono::duration<double>(clock.finalPass - start).count();
    total += std::chrono::duration<double>(end - start).count();
  }
  ztSetProgressSink(nullptr);
  ztRSClose(source);
  state.counters["MP/s"] = benchmark::Counter(double(kSide) * kSide * state.iterations() / 1e6, benchmark::Counter::kIsRate);
  state.counters["learning %"] = total > 0 ? 100 * learning / total : 0;
}

void BM_ClusterMinimumDistance(benchmark::State& state) {
  const unsigned long k = state.range(0);
  Run(state, [&](void* s, long* b, void* r) {
    return ztFJDMiniDist(s, b, 6, k, kInterval, r, kSide, kSide, 0, 0);
  });
}

void BM_ClusterParallelepiped(benchmark::State& state) {
  const unsigned long k = state.range(0);
  Run(state, [&](void* s, long* b, void* r) { return ztFJDBox(s, b, 6, k, kInterval, r, kSide, kSide, 0, 0); });
}

void BM_ClusterGeneralizedDistance(benchmark::State& state) {
  const unsigned long k = state.range(0);
  Run(state, [&](void* s, long* b, void* r) {
    return ztFJDGYMiniDist(s, b, 6, k, kInterval, r, kSide, kSide, 0, 0);
  });
}

void BM_Isodata(benchmark::State& state) {
  const long k = state.range(0);
  long display[] = {3, 2, 1};
  Run(state, [&](void* s, long* b, void* r) {
    // The host's defaults; minimum class size 0.5 % of the window.
    return ztISODATA(s, b, 6, k, 5.0f, 10, 0.01f, 1.0f, kSide * kSide / 200, 2, kInterval, r, kSide, kSide, 0, 0,
                     display, 6);
  });
}

// Every pixel a sample on a 7000 x 7000 image: more samples than the
// learning phases keep in memory, so each walk reads them again.
void BM_ClusterMinimumDistanceEveryPixel(benchmark::State& state) {
  const int side = 7000;
  void* source = ztRSOpen(ztbench::Scene(side, side, 6).c_str(), 0);
  std::vector<long> bands = {1, 2, 3, 4, 5, 6};
  const std::string resultPath = ztbench::Path("clusters.tif");
  const char* options[] = {"TILED=YES", nullptr};
  for (auto _ : state) {
    void* result = ztRSCreate(ztRSGetDriverByName("GTiff"), resultPath.c_str(), side, side, 1, ZTRS_Byte, options);
    const long rc = ztFJDMiniDist(source, bands.data(), 6, 8, 1, result, side, side, 0, 0);
    ztRSClose(result);
    if (rc != RC_OK) state.SkipWithError(("result code " + std::to_string(rc)).c_str());
  }
  ztRSClose(source);
  state.counters["MP/s"] = benchmark::Counter(double(side) * side * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

BENCHMARK(BM_ClusterMinimumDistance)->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ClusterParallelepiped)->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ClusterGeneralizedDistance)->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ClusterMinimumDistanceEveryPixel)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Isodata)->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
