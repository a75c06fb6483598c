#include "unmixing_fixture.h"

#include <fstream>
#include <numeric>
#include <stdexcept>

#include "ztclass/samples.h"
#include "ztclass/unmixing.h"

namespace zttest {

UnmixScene::UnmixScene(const RasterSpec& s, const std::function<double(int, int, int)>& value,
                       const std::vector<std::vector<PixelRect>>& classes)
    : spec(s) {
  WriteGeoTiff(sourcePath, spec, value);
  source = ztRSOpen(sourcePath.c_str(), 0);
  AttachClasses(classes);
}

UnmixScene::~UnmixScene() {
  if (editor) ztRSFreeAOIInfo(editor);
  if (result) ztRSClose(result);
  if (source) ztRSClose(source);
}

void UnmixScene::AttachClasses(const std::vector<std::vector<PixelRect>>& rects) {
  const std::string path = dir.File("classes.geojson");
  std::ofstream out(path);
  out << "{\"type\":\"FeatureCollection\",\"features\":[";
  const char* separator = "";
  for (size_t k = 0; k < rects.size(); ++k)
    for (const PixelRect& r : rects[k]) {
      out << separator << "{\"type\":\"Feature\",\"properties\":{\"class\":" << k + 1 << ",\"name\":\"class"
          << k + 1 << "\"},\"geometry\":{\"type\":\"Polygon\",\"coordinates\":[[[" << r.x0 << "," << r.y0 << "],["
          << r.x1 << "," << r.y0 << "],[" << r.x1 << "," << r.y1 << "],[" << r.x0 << "," << r.y1 << "],[" << r.x0
          << "," << r.y0 << "]]]}}";
      separator = ",";
    }
  out << "]}\n";
  out.close();
  if (ztRSAttachAOIFile(source, path.c_str(), "class") != 0) throw std::runtime_error("attach failed");
  if (ztRSAllocAOIInfo(source, &editor) != 0) throw std::runtime_error("no AOI editor");
  long count = 0;
  ztGetClassAOINum(editor, count);
  aois.assign(count, AOI{});
  ztGetClassAOIInfo(editor, count, aois.data());
}

void UnmixScene::MakeResult(int bands, GDALDataType type, int columns, int rows, double fill) {
  if (result) ztRSClose(result);
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
  GDALDataset* ds = driver->Create(resultPath.c_str(), columns, rows, bands, type, nullptr);
  for (int b = 1; b <= bands; ++b) ds->GetRasterBand(b)->Fill(fill);
  GDALClose(ds);
  result = ztRSOpen(resultPath.c_str(), 1);
}

std::vector<double> UnmixScene::ResultBand(int band) {
  if (result) ztRSClose(result);
  result = nullptr;
  return ReadBand(resultPath, band);
}

long UnmixScene::Decompose(int rows, int columns, int firstRow, int firstColumn, std::vector<long> bands) {
  if (bands.empty()) {
    bands.resize(spec.bands);
    std::iota(bands.begin(), bands.end(), 1L);
  }
  return ztLinearDecompose(source, bands.data(), static_cast<long>(bands.size()), aois.data(),
                           static_cast<long>(aois.size()), result, rows, columns, firstRow, firstColumn);
}

}  // namespace zttest
