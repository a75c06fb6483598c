#include "network_fixture.h"

namespace zttest {

double TwoHalves(int band, int column, int row) {
  // The same texture in every band, so that purification to one standard
  // deviation keeps a third of the pixels, of three different values.
  const double noise = column % 4 + row % 4;
  return column < 12 ? 30 + 5 * band + noise : 180 - 10 * band + noise;
}

NetScene::NetScene(bool hasNoData, double noData, GDALDataType type, std::function<double(int, int, int)> value)
    : scene(kNetColumns, kNetRows, kNetBands, std::move(value), hasNoData, noData, type) {
  scene.AddClass("dark", {{2, 2, 8, 8}}, 0, 0, 255);
  scene.AddClass("bright", {{14, 10, 20, 16}}, 255, 255, 0);
  scene.MakeResult(kNetColumns, kNetRows);
}

void Samples::Add(long classNo, std::vector<double> v) {
  values.push_back(std::move(v));
  classes.push_back(classNo);
}

AOICELL* Samples::Cells() {
  cells_.clear();
  for (size_t i = 0; i < values.size(); ++i) cells_.push_back(AOICELL{classes[i], 0, 0, values[i].data()});
  return cells_.data();
}

}  // namespace zttest
