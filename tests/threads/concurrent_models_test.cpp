// Several trainings and applies at once in one process, each with its own
// progress sink, against the same calls made one after another: the same
// class images, and (under ThreadSanitizer) no data race.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "test_support.h"
#include "ztclass/model.h"
#include "ztservices/raster.h"
#include "ztservices/workers.h"

namespace {

constexpr int kColumns = 60, kRows = 40, kBands = 3;

// Three classes in vertical stripes, with a little texture of each band's
// own (textures alike in every band would make the classes' covariances
// singular).
double Pixel(int band, int column, int row) {
  const int stripe = column * 3 / kColumns;
  return 30 + 60 * stripe + 10 * band + (column * (7 + 4 * band) + row * (13 + 6 * band) + column * row * band) % 11;
}

void AddTrainingPolygons(void* image) {
  for (int k = 0; k < 3; ++k) {
    const double x0 = k * 20 + 4, x1 = x0 + 12;
    const double xy[] = {x0, 5, x1, 5, x1, 35, x0, 35, x0, 5};
    const long points = 5;
    const std::string name = "class" + std::to_string(k + 1);
    ASSERT_EQ(ztRSAddAOI(image, name.c_str(), 40 * k, 80, 200 - 40 * k, 3, "", 1, &points, xy), 0);
  }
}

struct Counting {
  long positions = 0;
  static void Position(void* self, long, long, long) { ++static_cast<Counting*>(self)->positions; }
  static int Stop(void*) { return 0; }
  ZTProgressSink Sink() { return ZTProgressSink{this, nullptr, nullptr, nullptr, nullptr, Position, Stop}; }
};

// Trains method on the scene and applies the model to it into output.
void TrainAndApply(const std::string& scene, const std::string& method, const std::string& parameters,
                   const std::string& output) {
  void* image = ztRSOpen(scene.c_str(), 0);
  AddTrainingPolygons(image);
  long bands[kBands] = {1, 2, 3};
  Counting counting;
  const ZTProgressSink sink = counting.Sink();
  ZTModel* model = nullptr;
  EXPECT_EQ(ztModelTrain(method.c_str(), parameters.c_str(), image, bands, kBands, kRows, kColumns, 0, 0, &sink,
                         &model),
            0)
      << method << ": " << ztModelLastError();
  void* result = ztRSCreate(ztRSGetDriverByName("GTiff"), output.c_str(), kColumns, kRows, 1, ZTRS_Byte, nullptr);
  EXPECT_EQ(ztModelApply(model, image, bands, kBands, result, nullptr, kRows, kColumns, 0, 0, &sink), 0)
      << method << ": " << ztModelLastError();
  ztRSClose(result);
  ztModelFree(model);
  ztRSClose(image);
  EXPECT_GT(counting.positions, 0);
}

TEST(ConcurrentModels, TrainingsAndAppliesOnSeveralThreadsAsOneAfterAnother) {
  zttest::TempDir dir;
  const std::string scene = dir.File("scene.tif");
  zttest::WriteGeoTiff(scene, zttest::RasterSpec{kColumns, kRows, kBands}, Pixel);
  ztSetWorkerThreads(2);
  const std::vector<std::pair<std::string, std::string>> runs = {
      {"mindist", "{}"}, {"maxlike", "{}"}, {"box", "{}"}, {"gmindist", "{}"},
      {"isodata", R"({"classes": 3})"}, {"cluster-mindist", R"({"classes": 3})"}, {"mindist", "{}"}};
  auto run = [&](size_t i, const std::string& prefix) {
    TrainAndApply(scene, runs[i].first, runs[i].second, dir.File(prefix + std::to_string(i) + ".tif"));
  };
  for (size_t i = 0; i < runs.size(); ++i) run(i, "alone");
  std::vector<std::thread> threads;
  for (size_t i = 0; i < runs.size(); ++i) threads.emplace_back(run, i, "together");
  for (std::thread& t : threads) t.join();
  ztSetWorkerThreads(1);
  // Read here: the test's reader registers GDAL's drivers, which GDAL does
  // not allow on several threads at once.
  for (size_t i = 0; i < runs.size(); ++i)
    EXPECT_EQ(zttest::ReadBand(dir.File("together" + std::to_string(i) + ".tif")),
              zttest::ReadBand(dir.File("alone" + std::to_string(i) + ".tif")))
        << runs[i].first;
}

}  // namespace
