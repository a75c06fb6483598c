// Clump, sieve and eliminate on a 4000 x 4000 class image with the texture
// of a classification (8 classes, clumps of every size) and on the same
// image with one region of 8 M pixels (a sea or a forest: the left half in
// one class, with single holes), 4 and 8 neighbours: megapixels per second
// and the process's peak memory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <vector>

#include "bench_support.h"
#include "ztclass/postclass.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

namespace {

constexpr int kSide = 4000;

void* NewResult(const std::string& name, ZTRSDataType type) {
  const char* options[] = {"TILED=YES", nullptr};
  return ztRSCreate(ztRSGetDriverByName("GTiff"), ztbench::Path(name).c_str(), kSide, kSide, 1, type, options);
}

void Report(benchmark::State& state) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["MP/s"] = benchmark::Counter(double(kSide) * kSide * state.iterations() / 1e6, benchmark::Counter::kIsRate);
  state.counters["peak MiB"] = double(usage.ru_maxrss) / 1024;
}

// The clump image and statistics that sieve and eliminate start from.
void Clump(int neighbours, bool oneRegion, const std::string& stem) {
  void* source = ztRSOpen(ztbench::ClassImage(kSide, oneRegion).c_str(), 0);
  void* result = NewResult(stem + ".tif", ZTRS_UInt32);
  ztClassClump(source, 1, result, 1, ztbench::Path(stem + ".txt").c_str(), kSide, kSide, 0, 0, neighbours);
  ztRSClose(result);
  ztRSClose(source);
}

// Clumps of neighbours range(0) of the map range(1) (1: one region).
std::string Stem(const benchmark::State& state) {
  return "clumps" + std::to_string(state.range(0)) + (state.range(1) ? "r" : "");
}

void BM_Clump(benchmark::State& state) {
  const int neighbours = static_cast<int>(state.range(0));
  for (auto _ : state) Clump(neighbours, state.range(1), Stem(state));
  Report(state);
}

void BM_Sieve(benchmark::State& state) {
  const std::string stem = Stem(state);
  Clump(static_cast<int>(state.range(0)), state.range(1), stem);
  void* source = ztRSOpen(ztbench::Path(stem + ".tif").c_str(), 0);
  for (auto _ : state) {
    void* result = NewResult("sieved.tif", ZTRS_UInt32);
    const long rc = ztClassSieve(source, 1, ztbench::Path(stem + ".txt").c_str(), result, 1,
                                 ztbench::Path("sieve.txt").c_str(), kSide, kSide, 0, 0, 10);
    ztRSClose(result);
    if (rc != RC_OK) state.SkipWithError("sieve failed");
  }
  ztRSClose(source);
  Report(state);
}

void BM_Eliminate(benchmark::State& state) {
  const std::string stem = Stem(state);
  Clump(static_cast<int>(state.range(0)), state.range(1), stem);
  void* source = ztRSOpen(ztbench::Path(stem + ".tif").c_str(), 0);
  for (auto _ : state) {
    void* result = NewResult("eliminated.tif", ZTRS_Byte);
    const long rc = ztClassEliminate(source, 1, ztbench::Path(stem + ".txt").c_str(), result, 1,
                                     ztbench::Path("eliminate.txt").c_str(), kSide, kSide, 0, 0, 10);
    ztRSClose(result);
    if (rc != RC_OK) state.SkipWithError("eliminate failed");
  }
  ztRSClose(source);
  Report(state);
}

BENCHMARK(BM_Clump)->ArgsProduct({{4, 8}, {0, 1}})->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Sieve)->ArgsProduct({{4, 8}, {0, 1}})->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Eliminate)->ArgsProduct({{4, 8}, {0, 1}})->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
