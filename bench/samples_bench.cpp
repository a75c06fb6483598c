// Cell gathering and the class mask of one polygon of many vertices (a
// digitised coastline, say) on a 1000 x 1000 Byte GeoTIFF: the cost should
// grow with the pixels of the polygon's box and the vertices, not with their
// product.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "bench_support.h"
#include "samples/class_aois.h"
#include "samples/class_mask.h"
#include "services/aoi_editor_handle.h"
#include "ztclass/samples.h"
#include "ztservices/raster.h"

namespace {

constexpr int kSide = 1000;

// A wavy ring of radius about 250 pixels round the scene's centre.
struct WavyScene {
  void* source = ztRSOpen(ztbench::Scene(kSide, kSide, 1).c_str(), 0);
  zt::AoiEditorHandle editor;
  std::vector<AOI> aois;

  explicit WavyScene(long vertices) {
    std::vector<double> xy;
    for (long k = 0; k < vertices; ++k) {
      const double t = 2 * M_PI * k / vertices;
      const double radius = 250 * (1 + 0.08 * std::sin(37 * t) + 0.03 * std::sin(411 * t));
      xy.push_back(kSide / 2.0 + radius * std::cos(t));
      xy.push_back(kSide / 2.0 + radius * std::sin(t));
    }
    ztRSAddAOI(source, "coast", 10, 20, 30, 3, "", 1, &vertices, xy.data());
    zt::LoadClassAois(source, editor, aois);
  }
  ~WavyScene() { ztRSClose(source); }
};

void BM_GatherManyVertices(benchmark::State& state) {
  WavyScene scene(state.range(0));
  long band = 1, cells = 0;
  for (auto _ : state) {
    AOICELL* set = nullptr;
    ztGetAOICellSet(scene.source, &band, 1, scene.aois.data(), 1, &set, cells);
    ztFreeAOICellSet(set, cells);
  }
  state.counters["cells"] = double(cells);
}
BENCHMARK(BM_GatherManyVertices)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ClassMaskManyVertices(benchmark::State& state) {
  WavyScene scene(state.range(0));
  for (auto _ : state) {
    zt::ClassMask mask;
    benchmark::DoNotOptimize(mask.Build(scene.source, scene.aois));
  }
}
BENCHMARK(BM_ClassMaskManyVertices)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
