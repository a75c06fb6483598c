// The supervised networks on a 4000 x 4000, 6-band Byte GeoTIFF (tiled
// 256 x 256) with 8 class AOIs of 100 x 100 pixels: training (seconds at
// the stated epochs, on the purified samples); the models' apply is timed in
// apply_bench.cpp.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <numeric>
#include <vector>

#include "bench_support.h"
#include "frame/progress_session.h"
#include "neural/bp_network.h"
#include "neural/high_order_network.h"
#include "neural/lvq2_network.h"
#include "neural/network_driver.h"
#include "neural/rbf_network.h"
#include "samples/class_aois.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

namespace {

constexpr int kSide = 4000, kBands = 6, kClasses = 8;

// The scene, its class AOIs and their purified samples, made once.
struct Training {
  void* source = nullptr;
  zt::AoiEditorHandle editor;
  std::vector<AOI> aois;
  std::vector<long> bands = std::vector<long>(kBands);
  std::unique_ptr<zt::ClassificationPass> pass;
  zt::TrainingSamples samples;

  Training() {
    source = ztRSOpen(ztbench::Scene(kSide, kSide, kBands).c_str(), 0);
    ztbench::AddClassAois(source, kClasses, kSide / 40);
    std::iota(bands.begin(), bands.end(), 1L);
    zt::LoadClassAois(source, editor, aois);
    pass = std::make_unique<zt::ClassificationPass>(source, bands.data(), kBands, nullptr, zt::Window{});
    pass->LookUpBands();
    samples.Gather(*pass, aois);
  }
};

Training& Shared() {
  static Training training;
  return training;
}

void Report(benchmark::State& state, long epochs) {
  state.counters["samples"] = static_cast<double>(Shared().samples.Count());
  state.counters["epochs"] = static_cast<double>(epochs);
}

long hidden[] = {10};

void TrainBP(zt::CBPNN& net, long epochs) {
  Training& t = Shared();
  std::srand(1);
  net.Create(kBands, kClasses, 1, hidden);
  net.InitWeights(zt::ProcessRandom());
  net.Train(t.samples.Cells(), t.samples.Count(), 0.3, 0.5, epochs, -1.0);
}

void BM_BPTrain(benchmark::State& state) {
  for (auto _ : state) {
    zt::CBPNN net;
    TrainBP(net, state.range(0));
  }
  Report(state, state.range(0));
}

void TrainHRBP(zt::CHighRankNN& net, long epochs) {
  Training& t = Shared();
  std::srand(1);
  net.Create(kBands, kClasses, true, 0, nullptr);
  net.InitWeights(true, zt::ProcessRandom());
  net.Train(t.samples.Cells(), t.samples.Count(), 0.5, true, false, false, 0.5, epochs, -1.0);
}

void BM_HRBPTrain(benchmark::State& state) {
  for (auto _ : state) {
    zt::CHighRankNN net;
    TrainHRBP(net, state.range(0));
  }
  Report(state, state.range(0));
}

void TrainRBF(zt::CRBFNN& net, long epochs) {
  Training& t = Shared();
  std::srand(1);
  net.SetSizes(kBands, kClasses);
  net.Train(t.samples.Cells(), t.samples.Count(), epochs, 0.05, -1.0, epochs, 0.2, -1.0, zt::ProcessRandom());
}

void BM_RBFTrain(benchmark::State& state) {
  for (auto _ : state) {
    zt::CRBFNN net;
    TrainRBF(net, state.range(0));
  }
  Report(state, 2 * state.range(0));
}

void TrainLVQ2(zt::CLVQ2NN& net, long epochs) {
  Training& t = Shared();
  net.Create(kBands, kClasses);
  net.Train(t.samples.Cells(), t.samples.Count(), epochs, 0.05, epochs, 0.05);
}

void BM_LVQ2Train(benchmark::State& state) {
  for (auto _ : state) {
    zt::CLVQ2NN net;
    TrainLVQ2(net, state.range(0));
  }
  Report(state, 2 * state.range(0));
}

BENCHMARK(BM_BPTrain)->Arg(100)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_HRBPTrain)->Arg(100)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_RBFTrain)->Arg(50)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_LVQ2Train)->Arg(50)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace
