#pragma once
// A small two-class scene for the network classifiers: dark pixels on the
// left, bright ones on the right, with one training rectangle in each half.
#include <utility>
#include <vector>

#include "../statistical/classifier_fixture.h"
#include "ztclass/records.h"

namespace zttest {

constexpr int kNetColumns = 24, kNetRows = 20, kNetBands = 3;

double TwoHalves(int band, int column, int row);

// The scene, its two classes and a result of its size.
struct NetScene {
  Scene scene;
  std::vector<long> bands = {1, 2, 3};
  explicit NetScene(bool hasNoData = false, double noData = 0, GDALDataType type = GDT_Byte,
                    std::function<double(int, int, int)> value = TwoHalves);
};

// Samples given literally, for training the networks directly. The cells
// point into values: Cells() makes them afresh, so a copy stays valid.
struct Samples {
  std::vector<std::vector<double>> values;
  std::vector<long> classes;
  void Add(long classNo, std::vector<double> v);
  AOICELL* Cells();
  long Count() const { return static_cast<long>(values.size()); }

 private:
  std::vector<AOICELL> cells_;
};

// Patterns as the networks take them: an array of pointers into rows.
struct Patterns {
  std::vector<std::vector<double>> rows;
  std::vector<double*> pointers;
  explicit Patterns(std::vector<std::vector<double>> r) : rows(std::move(r)) {
    for (auto& row : rows) pointers.push_back(row.data());
  }
  double** get() { return pointers.data(); }
  long count() const { return static_cast<long>(rows.size()); }
};

}  // namespace zttest
