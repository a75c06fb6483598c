// Applying a trained model to the 4000 x 4000, 6-band Byte GeoTIFF (tiled
// 256 x 256) with 8 class AOIs of 100 x 100 pixels, into a tiled Byte
// GeoTIFF: each network beside minimum distance, on 1 and 2 threads
// (megapixels per second). Each model is trained once, with few epochs:
// the apply's cost does not depend on how well the network learnt.
#include <benchmark/benchmark.h>

#include <map>
#include <numeric>
#include <string>
#include <vector>

#include "bench_support.h"
#include "ztclass/model.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"
#include "ztservices/workers.h"

namespace {

constexpr int kSide = 4000, kBands = 6, kClasses = 8;

struct Method {
  const char* name;
  const char* parameters;
};

const Method kMethods[] = {
    {"mindist", ""},
    {"bp", R"({"hidden": [10], "epochs": 5})"},
    {"hrbp", R"({"epochs": 5})"},
    {"rbf", R"({"centre-epochs": 5, "output-epochs": 5})"},
    {"lvq2", R"({"lvq-epochs": 5})"},
    {"kohonen", R"({"classes": 8, "epochs": 5})"},
    {"art", R"({"classes": 8, "passes": 1})"},
    {"fuzzy-art", R"({"classes": 8, "passes": 1})"},
};

struct Scene {
  void* source = nullptr;
  std::vector<long> bands = std::vector<long>(kBands);
  std::map<std::string, ZTModel*> models;

  Scene() {
    source = ztRSOpen(ztbench::Scene(kSide, kSide, kBands).c_str(), 0);
    ztbench::AddClassAois(source, kClasses, kSide / 40);
    std::iota(bands.begin(), bands.end(), 1L);
  }

  ZTModel* Model(const Method& m) {
    ZTModel*& model = models[m.name];
    if (!model)
      ztModelTrain(m.name, m.parameters, source, bands.data(), kBands, kSide, kSide, 0, 0, nullptr, &model);
    return model;
  }
};

Scene& Shared() {
  static Scene scene;
  return scene;
}

// range(0): the method's index; range(1): the threads.
void BM_Apply(benchmark::State& state) {
  Scene& s = Shared();
  const Method& m = kMethods[state.range(0)];
  ZTModel* model = s.Model(m);
  if (!model) {
    state.SkipWithError((std::string("training failed: ") + ztModelLastError()).c_str());
    return;
  }
  state.SetLabel(m.name);
  const long threadsBefore = ztGetWorkerThreads();
  ztSetWorkerThreads(state.range(1));
  const std::string path = ztbench::Path("apply.tif");
  const char* options[] = {"TILED=YES", nullptr};
  for (auto _ : state) {
    void* result = ztRSCreate(ztRSGetDriverByName("GTiff"), path.c_str(), kSide, kSide, 1, ZTRS_Byte, options);
    const long rc = ztModelApply(model, s.source, s.bands.data(), kBands, result, nullptr, kSide, kSide, 0, 0, nullptr);
    ztRSClose(result);
    if (rc != RC_OK) state.SkipWithError(ztModelLastError());
  }
  ztSetWorkerThreads(threadsBefore);
  state.counters["MP/s"] =
      benchmark::Counter(double(kSide) * kSide * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

BENCHMARK(BM_Apply)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(1);

}  // namespace
