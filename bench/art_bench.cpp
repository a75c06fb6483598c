// The adaptive-resonance networks, whole calls on the 4000 x 4000, 6-band
// Byte GeoTIFF (tiled 256 x 256) at the host's default sampling interval
// (every 12th pixel) and its default parameters: training seconds (from the
// training caption to the pass caption) and megapixels per second of the
// pass (from its caption to the end of the call).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <numeric>
#include <vector>

#include "bench_support.h"
#include "ztclass/classinfo.h"
#include "ztclass/neural.h"
#include "ztclass/result_codes.h"
#include "ztservices/progress.h"
#include "ztservices/raster.h"

namespace {

constexpr int kSide = 4000;
constexpr long kInterval = 12;
constexpr long kPasses = 5;

using Clock = std::chrono::steady_clock;

struct PhaseClock {
  Clock::time_point training, pass;
  static void OnSub(void* self, const char* text) {
    auto* clock = static_cast<PhaseClock*>(self);
    if (std::strcmp(text, "网络训练...") == 0) clock->training = Clock::now();
    if (std::strcmp(text, "神经网络分类...") == 0) clock->pass = Clock::now();
  }
};

using Network = std::function<long(void* source, long* bands, void* result)>;

void Run(benchmark::State& state, const Network& classify) {
  void* source = ztRSOpen(ztbench::Scene(kSide, kSide, 6).c_str(), 0);
  std::vector<long> bands(6);
  std::iota(bands.begin(), bands.end(), 1L);
  const std::string resultPath = ztbench::Path("art.tif");
  const char* options[] = {"TILED=YES", nullptr};
  PhaseClock clock;
  ZTProgressSink sink{};
  sink.userData = &clock;
  sink.subName = PhaseClock::OnSub;
  ztSetProgressSink(&sink);
  double training = 0, pass = 0;
  long formed = 0;
  for (auto _ : state) {
    void* result = ztRSCreate(ztRSGetDriverByName("GTiff"), resultPath.c_str(), kSide, kSide, 1, ZTRS_Byte, options);
    const long rc = classify(source, bands.data(), result);
    const Clock::time_point end = Clock::now();
    ztRSReadClsNum(result, formed);
    ztRSClose(result);
    if (rc != RC_OK) state.SkipWithError(("result code " + std::to_string(rc)).c_str());
    training += std::chrono::duration<double>(clock.pass - clock.training).count();
    pass += std::chrono::duration<double>(end - clock.pass).count();
  }
  ztSetProgressSink(nullptr);
  ztRSClose(source);
  state.counters["training s"] = training / state.iterations();
  state.counters["pass MP/s"] = pass > 0 ? double(kSide) * kSide * state.iterations() / 1e6 / pass : 0;
  state.counters["categories"] = formed;
}

void BM_ART(benchmark::State& state) {
  const unsigned long k = state.range(0);
  Run(state, [&](void* s, long* b, void* r) {
    return ztARTNNClass(s, b, 6, k, kInterval, 0.5, 0.0, 0.99, kPasses, r, kSide, kSide, 0, 0);
  });
}

void BM_FuzzyART(benchmark::State& state) {
  const unsigned long k = state.range(0);
  Run(state, [&](void* s, long* b, void* r) {
    return ztFuzzyARTNNClass(s, b, 6, k, kInterval, 1.0, 0.001, 0.75, kPasses, r, kSide, kSide, 0, 0);
  });
}

BENCHMARK(BM_ART)->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_FuzzyART)->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
