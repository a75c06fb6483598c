#include "classifier_fixture.h"

#include <cmath>

namespace zttest {

Scene::Scene(int c, int r, int b, std::function<double(int, int, int)> v, bool hasNoData, double noData,
             GDALDataType type)
    : columns(c), rows(r), bands(b), value(std::move(v)) {
  RasterSpec spec;
  spec.columns = c;
  spec.rows = r;
  spec.bands = b;
  spec.type = type;
  spec.blockColumns = spec.blockRows = 16;
  spec.hasNoData = hasNoData;
  spec.noData = noData;
  WriteGeoTiff(sourcePath, spec, value);
  source = ztRSOpen(sourcePath.c_str(), 0);
}

Scene::~Scene() {
  if (result) ztRSClose(result);
  if (source) ztRSClose(source);
}

void Scene::AddClass(const std::string& name, const std::vector<Rect>& rects, int r, int g, int b) {
  std::vector<long> counts;
  std::vector<double> xy;
  for (const Rect& rect : rects) {
    counts.push_back(4);
    for (double v : {double(rect.x0), double(rect.y0), double(rect.x1), double(rect.y0), double(rect.x1),
                     double(rect.y1), double(rect.x0), double(rect.y1)})
      xy.push_back(v);
  }
  ztRSAddAOI(source, name.c_str(), static_cast<unsigned char>(r), static_cast<unsigned char>(g),
             static_cast<unsigned char>(b), 3, "", static_cast<long>(counts.size()), counts.data(), xy.data());
}

void Scene::AddOtherAoi(const Rect& rect) {
  const long count = 4;
  const double xy[] = {double(rect.x0), double(rect.y0), double(rect.x1), double(rect.y0),
                       double(rect.x1), double(rect.y1), double(rect.x0), double(rect.y1)};
  ztRSAddAOI(source, "not a class", 0, 0, 0, 1, "", 1, &count, xy);
}

void Scene::MakeResult(long resultColumns, long resultRows, ZTRSDataType type) {
  if (result) ztRSClose(result);
  result = ztRSCreate(ztRSGetDriverByName("GTiff"), resultPath.c_str(), resultColumns, resultRows, 1, type, nullptr);
}

std::vector<double> Scene::Result() {
  ztRSClose(result);
  result = nullptr;
  return ReadBand(resultPath);
}

BruteStats WindowStatistics(const Scene& scene, const std::vector<std::vector<Rect>>& classRects,
                            const std::vector<int>& bandList, int rows, int columns, int firstRow,
                            int firstColumn) {
  BruteStats s;
  std::map<std::pair<int, int>, double> sum, squares;
  for (int r = firstRow; r < firstRow + rows; ++r)
    for (int c = firstColumn; c < firstColumn + columns; ++c) {
      int k = 0;
      for (size_t a = 0; a < classRects.size(); ++a)
        for (const Rect& rect : classRects[a])
          if (rect.Holds(c, r)) k = static_cast<int>(a) + 1;
      if (k == 0) continue;
      bool numbers = true;
      for (int b : bandList) numbers = numbers && !std::isnan(scene.value(b, c, r));
      if (!numbers) continue;
      ++s.count[k];
      for (size_t b = 0; b < bandList.size(); ++b) {
        const double v = scene.value(bandList[b], c, r);
        sum[{k, int(b)}] += v;
        squares[{k, int(b)}] += v * v;
      }
    }
  for (auto [k, n] : s.count) {
    s.classes.push_back(k);
    for (size_t b = 0; b < bandList.size(); ++b) {
      const double mean = sum[{k, int(b)}] / n;
      s.mean[{k, int(b)}] = mean;
      s.deviation[{k, int(b)}] = std::sqrt(std::max(0.0, squares[{k, int(b)}] / n - mean * mean));
    }
  }
  return s;
}

}  // namespace zttest
