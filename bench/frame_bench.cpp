// Throughput of the shared classification pass on one and more threads, and
// of the reading and writing beneath it; how soon a slow pass answers a
// stop; the class mask, cell gathering and purifying, and cell access. On a
// 4000 x 4000, 6-band Byte GeoTIFF.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <vector>

#include "bench_support.h"
#include "frame/arguments.h"
#include "frame/classification_pass.h"
#include "samples/cell_set.h"
#include "samples/class_aois.h"
#include "samples/class_mask.h"
#include "ztclass/samples.h"
#include "ztservices/imagebase.h"
#include "ztservices/progress.h"
#include "ztservices/raster.h"
#include "ztservices/workers.h"

namespace {

constexpr int kSide = 4000;
constexpr int kBands = 6;

// Nearest of three fixed centres in six bands: a realistic per-pixel cost.
double NearestOfThree(const zt::PixelValues& p) {
  double best = 1e300, cls = 0;
  for (int k = 1; k <= 3; ++k) {
    double d = 0;
    for (long b = 0; b < kBands; ++b) d += (p[b] - 60.0 * k) * (p[b] - 60.0 * k);
    if (d < best) best = d, cls = k;
  }
  return cls;
}

// The result as the command line creates it: tiled, DEFLATE.
void* CreateResult(const std::string& path) {
  const char* options[] = {"TILED=YES", "COMPRESS=DEFLATE", nullptr};
  return ztRSCreate(ztRSGetDriverByName("GTiff"), path.c_str(), kSide, kSide, 1, ZTRS_Byte, options);
}

// The pass with state.range(0) threads deciding (the host's worker threads).
void BM_ClassificationPass(benchmark::State& state) {
  void* source = ztRSOpen(ztbench::Scene(kSide, kSide, kBands).c_str(), 0);
  const std::string resultPath = ztbench::Path("pass.tif");
  const long bands[] = {1, 2, 3, 4, 5, 6};
  ztSetWorkerThreads(state.range(0));
  for (auto _ : state) {
    void* result = CreateResult(resultPath);
    zt::ClassificationPass pass(source, bands, kBands, result, zt::Window{kSide, kSide, 0, 0});
    pass.LookUpBands();
    pass.Open();
    pass.Run(64, NearestOfThree);
    ztRSClose(result);
  }
  ztSetWorkerThreads(1);
  ztRSClose(source);
  state.counters["MP/s"] = benchmark::Counter(double(kSide) * kSide * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ClassificationPass)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor under every pass: every band of every block read in its own
// type, and a one-band result of the same size written block by block and
// compressed, with no conversion and no decision.
void BM_ReadWriteLimit(benchmark::State& state) {
  void* source = ztRSOpen(ztbench::Scene(kSide, kSide, kBands).c_str(), 0);
  const std::string resultPath = ztbench::Path("limit.tif");
  long blockColumns = 0, blockRows = 0;
  ztRSGetBlockSize(ztRSGetRasterBand(source, 1), &blockColumns, &blockRows);
  std::vector<unsigned char> block(blockColumns * blockRows);
  for (auto _ : state) {
    void* result = CreateResult(resultPath);
    void* out = ztRSGetRasterBand(result, 1);
    for (long y = 0; y < kSide; y += blockRows)
      for (long x = 0; x < kSide; x += blockColumns) {
        const long w = std::min(blockColumns, kSide - x), h = std::min(blockRows, kSide - y);
        for (int b = 1; b <= kBands; ++b)
          ztRSRasterIO(ztRSGetRasterBand(source, b), ZTRS_Read, x, y, w, h, block.data(), w, h, ZTRS_Byte, 0, 0);
        ztRSRasterIO(out, ZTRS_Write, x, y, w, h, block.data(), w, h, ZTRS_Byte, 0, 0);
      }
    ztRSClose(result);
  }
  ztRSClose(source);
  state.counters["MP/s"] = benchmark::Counter(double(kSide) * kSide * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReadWriteLimit)->Unit(benchmark::kMillisecond)->UseRealTime();

// How long a stop request waits for an answer when one row block is slow:
// 1024-row tiles and a decision of about a microsecond per pixel, so that a
// row block takes seconds. The stop is requested 300 ms into the pass.
void BM_StopLatency(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  const std::string sourcePath = ztbench::Path("tall_tiles.tif");
  if (!std::filesystem::exists(sourcePath)) {
    const char* options[] = {"TILED=YES", "BLOCKXSIZE=1024", "BLOCKYSIZE=1024", nullptr};
    void* created = ztRSCreate(ztRSGetDriverByName("GTiff"), sourcePath.c_str(), 4096, 2048, 1, ZTRS_Byte, options);
    ztRSClose(created);
  }
  void* source = ztRSOpen(sourcePath.c_str(), 0);
  const std::string resultPath = ztbench::Path("stopped.tif");
  struct Stop {
    Clock::time_point at;
  } stop;
  ZTProgressSink sink{};
  sink.userData = &stop;
  sink.stopRequested = [](void* data) { return Clock::now() >= static_cast<Stop*>(data)->at ? 1 : 0; };
  ztSetProgressSink(&sink);
  double worst = 0;
  for (auto _ : state) {
    void* result = ztRSCreate(ztRSGetDriverByName("GTiff"), resultPath.c_str(), 4096, 2048, 1, ZTRS_Byte, nullptr);
    const long band = 1;
    zt::ClassificationPass pass(source, &band, 1, result, zt::Window{2048, 4096, 0, 0});
    pass.LookUpBands();
    pass.Open();
    stop.at = Clock::now() + std::chrono::milliseconds(300);
    pass.Run(64, [](const zt::PixelValues& p) {
      double v = p[0];
      for (int i = 0; i < 300; ++i) v = std::sqrt(v + i);
      return v > 1e9 ? 2.0 : 1.0;
    });
    worst = std::max(worst, std::chrono::duration<double>(Clock::now() - stop.at).count());
    ztRSClose(result);
  }
  ztSetProgressSink(nullptr);
  ztRSClose(source);
  state.counters["worst answer s"] = worst;
}
BENCHMARK(BM_StopLatency)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

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
    zt::ClassMask mask;
    benchmark::DoNotOptimize(mask.Build(scene.source, scene.aois));
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

// The training cells of samples --purify: those within 2 standard deviations
// of their class mean in every band, of 8 AOIs of 200 x 200 pixels.
void BM_PurifyCells(benchmark::State& state) {
  TrainingScene scene(200);
  long bands[] = {1, 2, 3, 4, 5, 6};
  AOICELL* set = nullptr;
  long cells = 0, kept = 0;
  ztGetAOICellSet(scene.source, bands, kBands, scene.aois.data(), 8, &set, cells);
  for (auto _ : state) {
    AOICELL* purified = nullptr;
    if (ztPurifyAOICellSet(set, cells, kBands, 8, &purified, kept, 2.0) != 0) state.SkipWithError("purify failed");
    ztFreePrfAOICellSet(purified, kept);
  }
  ztFreeAOICellSet(set, cells);
  state.counters["kept"] = double(kept);
  state.counters["cells/s"] = benchmark::Counter(double(cells) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PurifyCells)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CellAccess(benchmark::State& state) {
  const std::string path = ztbench::Path("cells.zti");
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

