// Linear spectral unmixing, whole calls: megapixels per second on a
// 4000 x 4000, 6-band Byte GeoTIFF (tiled 256 x 256) with 5 class AOIs as
// endmembers, into a tiled Float32 result of 5 bands, and the process's peak
// memory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <numeric>
#include <vector>

#include "bench_support.h"
#include "ztclass/result_codes.h"
#include "ztclass/samples.h"
#include "ztclass/unmixing.h"
#include "ztservices/raster.h"

namespace {

constexpr int kSide = 4000, kBands = 6, kClasses = 5;

void BM_LinearDecompose(benchmark::State& state) {
  void* source = ztRSOpen(ztbench::Scene(kSide, kSide, kBands).c_str(), 0);
  ztbench::AddClassAois(source, kClasses, kSide / 40);
  CAOIEditor* editor = nullptr;
  ztRSAllocAOIInfo(source, &editor);
  long count = 0;
  ztGetClassAOINum(editor, count);
  std::vector<AOI> aois(count);
  ztGetClassAOIInfo(editor, count, aois.data());
  std::vector<long> bands(kBands);
  std::iota(bands.begin(), bands.end(), 1L);
  const std::string resultPath = ztbench::Path("fractions.tif");
  const char* options[] = {"TILED=YES", nullptr};
  for (auto _ : state) {
    void* result = ztRSCreate(ztRSGetDriverByName("GTiff"), resultPath.c_str(), kSide, kSide, kClasses, ZTRS_Float32,
                              options);
    const long rc = ztLinearDecompose(source, bands.data(), kBands, aois.data(), count, result, kSide, kSide, 0, 0);
    ztRSClose(result);
    if (rc != RC_OK) state.SkipWithError(("result code " + std::to_string(rc)).c_str());
  }
  ztRSFreeAOIInfo(editor);
  ztRSClose(source);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["MP/s"] = benchmark::Counter(double(kSide) * kSide * state.iterations() / 1e6, benchmark::Counter::kIsRate);
  state.counters["peak MiB"] = double(usage.ru_maxrss) / 1024;
}

BENCHMARK(BM_LinearDecompose)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
