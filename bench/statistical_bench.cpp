// The supervised statistical classifiers, whole calls: megapixels per
// second on a 4000 x 4000, 6-band Byte GeoTIFF (tiled 256 x 256) with 8
// class AOIs, and on a 1000 x 1000, 200-band one for the classifiers whose
// cost grows with the square of the band count. The last argument of each
// is the number of threads that decide the pixels.
#include <benchmark/benchmark.h>

#include <functional>
#include <numeric>
#include <vector>

#include "bench_support.h"
#include "ztclass/result_codes.h"
#include "ztclass/statistical.h"
#include "ztservices/raster.h"
#include "ztservices/workers.h"

namespace {

using Classifier = std::function<long(void* source, long* bands, long bandCount, void* result, long side)>;

void RunClassifier(benchmark::State& state, int side, int bandCount, long threads, const Classifier& classify) {
  ztSetWorkerThreads(threads);
  void* source = ztRSOpen(ztbench::Scene(side, side, bandCount).c_str(), 0);
  ztbench::AddClassAois(source, 8, side / 40);
  std::vector<long> bands(bandCount);
  std::iota(bands.begin(), bands.end(), 1L);
  const std::string resultPath = ztbench::Path("classes.tif");
  const char* options[] = {"TILED=YES", nullptr};
  for (auto _ : state) {
    void* result = ztRSCreate(ztRSGetDriverByName("GTiff"), resultPath.c_str(), side, side, 1, ZTRS_Byte, options);
    const long rc = classify(source, bands.data(), bandCount, result, side);
    ztRSClose(result);
    if (rc != RC_OK) state.SkipWithError(("result code " + std::to_string(rc)).c_str());
  }
  ztRSClose(source);
  ztSetWorkerThreads(1);
  state.counters["MP/s"] = benchmark::Counter(double(side) * side * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

std::vector<float> Factors(float value) { return std::vector<float>(8, value); }

void BM_MinimumDistance(benchmark::State& state) {
  auto f = Factors(3), limits = Factors(255);
  RunClassifier(state, 4000, 6, state.range(0), [&](void* s, long* b, long n, void* r, long side) {
    return ztMiniDistA(s, b, n, r, side, side, 0, 0, f.data(), limits.data());
  });
}

void BM_Parallelepiped(benchmark::State& state) {
  auto f = Factors(2);
  RunClassifier(state, 4000, 6, state.range(0), [&](void* s, long* b, long n, void* r, long side) {
    return ztJDBoxA(s, b, n, r, side, side, 0, 0, f.data());
  });
}

void BM_GeneralizedDistance(benchmark::State& state) {
  auto f = Factors(3);
  RunClassifier(state, state.range(0), state.range(1), state.range(2), [&](void* s, long* b, long n, void* r, long side) {
    return ztGYMiniDistA(s, b, n, r, side, side, 0, 0, f.data());
  });
}

void BM_MaximumLikelihood(benchmark::State& state) {
  RunClassifier(state, state.range(0), state.range(1), state.range(2), [&](void* s, long* b, long n, void* r, long side) {
    return MaxLiklihoodClass(s, b, n, 0.0, r, side, side, 0, 0);
  });
}

BENCHMARK(BM_MinimumDistance)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_Parallelepiped)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_GeneralizedDistance)->Args({4000, 6, 1})->Args({4000, 6, 2})->Args({1000, 200, 1})->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_MaximumLikelihood)->Args({4000, 6, 1})->Args({4000, 6, 2})->Args({1000, 200, 1})->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
