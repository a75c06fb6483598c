#include "bench_support.h"

#include <gdal_priv.h>

#include <cmath>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "ztservices/raster.h"

namespace ztbench {

namespace {

// Texture that differs from band to band, so that class covariances have
// full rank even with hundreds of bands.
int Noise(unsigned c, unsigned r, unsigned b) {
  unsigned h = c * 73856093u ^ r * 19349663u ^ b * 83492791u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  return static_cast<int>((h ^ (h >> 15)) % 17);
}

}  // namespace

std::string Path(const std::string& name) {
  const auto folder = std::filesystem::temp_directory_path() / "ztclass-bench";
  std::filesystem::create_directories(folder);
  return (folder / name).string();
}

std::string Scene(int columns, int rows, int bands) {
  const std::string path =
      Path("scene_" + std::to_string(columns) + "x" + std::to_string(rows) + "x" + std::to_string(bands) + ".tif");
  if (std::filesystem::exists(path)) return path;
  GDALAllRegister();
  const char* options[] = {"TILED=YES", "BLOCKXSIZE=256", "BLOCKYSIZE=256", "INTERLEAVE=BAND", nullptr};
  const std::string partial = path + ".partial";
  GDALDataset* ds = GetGDALDriverManager()->GetDriverByName("GTiff")->Create(
      partial.c_str(), columns, rows, bands, GDT_Byte, const_cast<char**>(options));
  std::vector<unsigned char> row(columns);
  for (int b = 1; b <= bands; ++b)
    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c < columns; ++c)
        row[c] = static_cast<unsigned char>(128 + 60 * std::sin(c * 0.01 * b) * std::cos(r * 0.013) +
                                            Noise(c, r, b));
      if (ds->GetRasterBand(b)->RasterIO(GF_Write, 0, r, columns, 1, row.data(), columns, 1, GDT_Byte, 0, 0,
                                         nullptr) != CE_None)
        throw std::runtime_error("cannot write the benchmark scene");
    }
  GDALClose(ds);
  std::filesystem::rename(partial, path);
  return path;
}

std::string ClassImage(int side, bool oneRegion) {
  const std::string path = Path((oneRegion ? "region_" : "classes_") + std::to_string(side) + ".tif");
  if (std::filesystem::exists(path)) return path;
  GDALAllRegister();
  auto* scene = static_cast<GDALDataset*>(GDALOpen(Scene(side, side, 6).c_str(), GA_ReadOnly));
  const char* options[] = {"TILED=YES", nullptr};
  GDALDataset* out = GetGDALDriverManager()->GetDriverByName("GTiff")->Create(
      (path + ".partial").c_str(), side, side, 1, GDT_Byte, const_cast<char**>(options));
  double minMax[2];
  scene->GetRasterBand(1)->ComputeRasterMinMax(FALSE, minMax);
  const double span = minMax[1] - minMax[0] + 1;
  std::vector<unsigned char> row(side);
  for (int r = 0; r < side; ++r) {
    if (scene->GetRasterBand(1)->RasterIO(GF_Read, 0, r, side, 1, row.data(), side, 1, GDT_Byte, 0, 0, nullptr) !=
        CE_None)
      throw std::runtime_error("cannot read the benchmark scene");
    for (unsigned char& v : row) v = static_cast<unsigned char>(1 + (v - minMax[0]) * 8 / span);
    for (int c = 0; oneRegion && c < side / 2; ++c) row[c] = r % 97 == 5 && c % 89 == 7 ? 2 : 1;
    if (out->GetRasterBand(1)->RasterIO(GF_Write, 0, r, side, 1, row.data(), side, 1, GDT_Byte, 0, 0, nullptr) !=
        CE_None)
      throw std::runtime_error("cannot write the benchmark class map");
  }
  GDALClose(out);
  GDALClose(scene);
  std::filesystem::rename(path + ".partial", path);
  return path;
}

void AddClassAois(void* dataset, int count, int side) {
  const long columns = ztRSGetRasterXSize(dataset), rows = ztRSGetRasterYSize(dataset);
  for (int k = 0; k < count; ++k) {
    const double x = (k + 0.5) * columns / count - side / 2.0, y = (k % 3 + 1) * rows / 4.0 - side / 2.0;
    const double xy[] = {x, y, x + side, y, x + side, y + side, x, y + side};
    const long points = 4;
    ztRSAddAOI(dataset, ("class " + std::to_string(k + 1)).c_str(), 10, 20, 30, 3, "", 1, &points, xy);
  }
}

}  // namespace ztbench
