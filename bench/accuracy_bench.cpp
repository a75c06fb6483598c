// Accuracy assessment of a 4000 x 4000 class image of 5 classes against 5
// reference AOIs attached to it that cover 1,003,520 pixels: samples per
// second of the whole call (report included) and the process's peak memory.
#include <benchmark/benchmark.h>
#include <gdal_priv.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "bench_support.h"
#include "ztclass/accuracy.h"
#include "ztclass/classinfo.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

namespace {

constexpr int kSide = 4000, kClasses = 5, kAoiSide = 448;  // 5 x 448^2 = 1,003,520 pixels

// Bands of classes 1 to 5 with ragged borders and some unclassified pixels.
std::string ClassImage() {
  const std::string path = ztbench::Path("accuracy_classes.tif");
  if (std::filesystem::exists(path)) return path;
  GDALAllRegister();
  const char* options[] = {"TILED=YES", nullptr};
  GDALDataset* out = GetGDALDriverManager()->GetDriverByName("GTiff")->Create(
      (path + ".partial").c_str(), kSide, kSide, 1, GDT_Byte, const_cast<char**>(options));
  std::vector<unsigned char> row(kSide);
  for (int r = 0; r < kSide; ++r) {
    for (int c = 0; c < kSide; ++c)
      row[c] = (c * 7 + r * 13) % 97 == 0 ? 0 : static_cast<unsigned char>(1 + ((c + (r * 31) % 53) / 800) % kClasses);
    if (out->GetRasterBand(1)->RasterIO(GF_Write, 0, r, kSide, 1, row.data(), kSide, 1, GDT_Byte, 0, 0, nullptr) !=
        CE_None)
      break;
  }
  GDALClose(out);
  std::filesystem::rename(path + ".partial", path);
  return path;
}

void BM_AccuracyAppraise(benchmark::State& state) {
  void* image = ztRSOpen(ClassImage().c_str(), 0);
  std::vector<CLASSATTINFO> records(kClasses, CLASSATTINFO{});
  for (int k = 0; k < kClasses; ++k) {
    records[k].classNo = static_cast<unsigned char>(k + 1);
    std::snprintf(records[k].name, sizeof records[k].name, "class %d", k + 1);
  }
  ztRSWriteClassInfo(image, kClasses, records.data());
  for (int k = 0; k < kClasses; ++k) {
    const double x = 400 + k * 700, y = 600 + (k % 3) * 1000;
    const double xy[] = {x, y, x + kAoiSide, y, x + kAoiSide, y + kAoiSide, x, y + kAoiSide};
    const long points = 4;
    ztRSAddAOI(image, ("class " + std::to_string(k + 1)).c_str(), 10, 20, 30, 3, "", 1, &points, xy);
  }
  const std::string report = ztbench::Path("accuracy.txt");
  for (auto _ : state) {
    const long rc = ztAccuracyAppraise(image, report.c_str(), nullptr, nullptr, image, true, true, true, true);
    if (rc != RC_OK) state.SkipWithError(("result code " + std::to_string(rc)).c_str());
  }
  ztRSClose(image);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double samples = double(kClasses) * kAoiSide * kAoiSide;
  state.counters["Msamples/s"] = benchmark::Counter(samples * state.iterations() / 1e6, benchmark::Counter::kIsRate);
  state.counters["peak MiB"] = double(usage.ru_maxrss) / 1024;
}

BENCHMARK(BM_AccuracyAppraise)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
