// Throughput of the shared classification pass, the class mask, cell
// gathering and cell access, on a 4000 x 4000, 6-band Byte GeoTIFF.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>

#include "bench_support.h"
#include "frame/arguments.h"
#include "frame/classification_pass.h"
#include "samples/cell_set.h"
#include "samples/class_aois.h"
#include "samples/class_mask.h"
#include "ztclass/samples.h"
#include "ztservices/imagebase.h"
#include "ztservices/raster.h"

namespace {

constexpr int kSide = 4000;
constexpr int kBands = 6;

void BM_ClassificationPass(benchmark::State& state) {
  void* source = ztRSOpen(ztbench::Scene(kSide, kSide, kBands).c_str(), 0);
  const std::string resultPath = (std::filesystem::temp_directory_path() / "ztclass-bench/pass.tif").string();
  const long bands[] = {1, 2, 3, 4, 5, 6};
  for (auto _ : state) {
    const char* options[] = {"TILED=YES", nullptr};
    void* result = ztRSCreate(ztRSGetDriverByName("GTiff"), resultPath.c_str(), kSide, kSide, 1, ZTRS_Byte, options);
    zt::ClassificationPass pass(source, bands, kBands, result, zt::Window{kSide, kSide, 0, 0});
    pass.LookUpBands();
    pass.Open();
    // Nearest of three fixed centres in six bands: a realistic per-pixel cost.
    pass.Run(64, [](const zt::PixelValues& p) {
      double best = 1e300, cls = 0;
      for (int k = 1; k <= 3; ++k) {
        double d = 0;
        for (long b = 0; b < kBands; ++b) d += (p[b] - 60.0 * k) * (p[b] - 60.0 * k);
        if (d < best) best = d, cls = k;
      }
      return cls;
    });
    ztRSClose(result);
  }
  ztRSClose(source);
  state.counters["MP/s"] = benchmark::Counter(double(kSide) * kSide * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ClassificationPass)->Unit(benchmark::kMillisecond)->UseRealTime();

// The scene with 8 square class AOIs of the given side, listed.
struct TrainingScene {
  void* source = ztRSOpen(ztbench::Scene(kSide, kSide, kBands).c_str(), 0);
  zt::AoiEditorHandle editor;
  std::vector<AOI> aois;

  explicit TrainingScene(int side) {
    ztbench::AddClassAois(source, 8, side);
    zt::LoadClassAois(source, editor, aois);
  }
  ~TrainingScene() { ztRSClose(source); }
};

void BM_ClassMask(benchmark::State& state) {
  TrainingScene scene(200);
  for (auto _ : state) {
    zt::MemBlock mask;
    zt::BuildClassMask(scene.source, scene.aois, mask);
    benchmark::DoNotOptimize(mask.Bytes());
  }
  state.counters["AOI MP/s"] = benchmark::Counter(8 * 200.0 * 200 * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ClassMask)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GatherCells(benchmark::State& state) {
  TrainingScene scene(100);
  long bands[] = {1, 2, 3, 4, 5, 6};
  long cells = 0;
  for (auto _ : state) {
    AOICELL* set = nullptr;
    ztGetAOICellSet(scene.source, bands, kBands, scene.aois.data(), 8, &set, cells);
    ztFreeAOICellSet(set, cells);
  }
  state.counters["cells/s"] = benchmark::Counter(double(cells) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GatherCells)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CellAccess(benchmark::State& state) {
  const std::string path = (std::filesystem::temp_directory_path() / "ztclass-bench/cells.zti").string();
  constexpr long kCells = 2000;
  for (auto _ : state) {
    void* ds = ztRSCreate(ztRSGetDriverByName("ZOVREKZTI"), path.c_str(), kCells, kCells, 1, ZTRS_Float64, nullptr);
    void* cells = ztRSGetInternalHandle(ds, "ZOVREKZTI");
    double v = 0;
    for (long r = 0; r < kCells; ++r)
      for (long c = 0; c < kCells; ++c) ztSetCell(cells, r, c, double(r + c));
    for (long r = 0; r < kCells; ++r)
      for (long c = 0; c < kCells; ++c) ztGetCell(cells, r, c, &v);
    benchmark::DoNotOptimize(v);
    ztCloseZtiFileForReadWrite(cells);
  }
  state.counters["Mcells/s"] = benchmark::Counter(2.0 * kCells * kCells * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CellAccess)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

