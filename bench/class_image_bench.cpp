// The library calls behind the commands that edit and report on a class
// image: recoding (recode), the class areas (area) and the class records
// (classes show and write, info), on the 4000 x 4000 class map of 8 classes
// of the post-classification benchmarks: megapixels per second, and records
// written and read back per second.
#include <benchmark/benchmark.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_support.h"
#include "ztclass/classinfo.h"
#include "ztclass/reports.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

namespace {

constexpr int kSide = 4000, kClasses = 8;

// A copy of the class map under name, 30 m pixels in UTM zone 33N, that a
// benchmark may change.
void* ClassMapCopy(const std::string& name) {
  GDALAllRegister();
  const std::string path = ztbench::Path(name);
  GDALDataset* map = static_cast<GDALDataset*>(GDALOpen(ztbench::ClassImage(kSide).c_str(), GA_ReadOnly));
  const char* options[] = {"TILED=YES", nullptr};
  GDALDataset* copy = GetGDALDriverManager()->GetDriverByName("GTiff")->CreateCopy(
      path.c_str(), map, FALSE, const_cast<char**>(options), nullptr, nullptr);
  GDALClose(map);
  if (!copy) throw std::runtime_error("cannot copy the benchmark class map");
  double transform[] = {500000, 30, 0, 4200000, 0, -30};
  copy->SetGeoTransform(transform);
  OGRSpatialReference utm;
  utm.importFromEPSG(32633);
  copy->SetSpatialRef(&utm);
  GDALClose(copy);
  return ztRSOpen(path.c_str(), 1);
}

std::vector<CLASSATTINFO> Records(long count) {
  std::vector<CLASSATTINFO> records(count, CLASSATTINFO{});
  for (long k = 0; k < count; ++k) {
    records[k].classNo = static_cast<unsigned char>(k + 1);
    std::snprintf(records[k].name, sizeof records[k].name, "class %ld", k + 1);
    records[k].red = static_cast<unsigned char>(k * 37);
  }
  return records;
}

void PixelRate(benchmark::State& state) {
  state.counters["MP/s"] =
      benchmark::Counter(double(kSide) * kSide * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

void BM_Recode(benchmark::State& state) {
  void* source = ztRSOpen(ztbench::ClassImage(kSide).c_str(), 0);
  void* result = ClassMapCopy("recoded.tif");
  unsigned char from[] = {1, 2, 3}, to[] = {3, 1, 2};
  for (auto _ : state) {
    const long rc = ztSaveEditedCls2Zti(source, from, result, to, 3);
    if (rc == RC_OK) ztRSFlushCache(result);
    else state.SkipWithError(("result code " + std::to_string(rc)).c_str());
  }
  ztRSClose(result);
  ztRSClose(source);
  PixelRate(state);
}
BENCHMARK(BM_Recode)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_ClassAreas(benchmark::State& state) {
  void* image = ClassMapCopy("areas.tif");
  std::vector<CLASSATTINFO> records = Records(kClasses);
  ztRSWriteClassInfo(image, kClasses, records.data());
  std::vector<ZTClassArea> areas(256);
  const std::string report = ztbench::Path("areas.txt");
  for (auto _ : state) {
    long count = 0;
    int geodesic = 0;
    const long rc = ztMeasureClassAreas(image, ZT_AREA_HA, ztbench::Path("areas.cls").c_str(), report.c_str(),
                                        areas.data(), static_cast<long>(areas.size()), &count, &geodesic);
    if (rc != RC_OK) state.SkipWithError(("result code " + std::to_string(rc)).c_str());
  }
  ztRSClose(image);
  PixelRate(state);
}
BENCHMARK(BM_ClassAreas)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// range(0) records written beside the class map, counted and read back.
void BM_ClassRecords(benchmark::State& state) {
  void* image = ClassMapCopy("records.tif");
  std::vector<CLASSATTINFO> records = Records(state.range(0)), read(state.range(0));
  for (auto _ : state) {
    long count = 0;
    if (ztRSWriteClassInfo(image, state.range(0), records.data()) != RC_OK || ztRSReadClsNum(image, count) != RC_OK ||
        count != state.range(0) || ztRSReadClassInfo(image, count, read.data()) != RC_OK)
      state.SkipWithError("the class records did not come back");
  }
  ztRSClose(image);
  state.counters["records/s"] =
      benchmark::Counter(double(state.range(0)) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ClassRecords)->Arg(kClasses)->Arg(255)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
