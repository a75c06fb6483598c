#pragma once
#include <string>

#include "ztservices/imagebase.h"
#include "ztservices/raster.h"

namespace zt {

// A temporary zti raster of doubles, written and read cell by cell, closed
// when the guard goes.
class ZtiTempFile {
 public:
  ZtiTempFile() = default;
  ~ZtiTempFile() {
    if (cells_) ztCloseZtiFileForReadWrite(cells_);
  }
  ZtiTempFile(const ZtiTempFile&) = delete;
  ZtiTempFile& operator=(const ZtiTempFile&) = delete;

  // Replaces any dataset at path with a new one; false when that fails.
  bool Create(const std::string& path, long columns, long rows) {
    void* driver = ztRSGetDriverByName("ZOVREKZTI");
    ztRSDeleteDataset(driver, path.c_str());
    void* dataset = ztRSCreate(driver, path.c_str(), columns, rows, 1, ZTRS_Float64, nullptr);
    if (!dataset) return false;
    ztRSOpenPyramidLayer(dataset, 1);
    cells_ = ztRSGetInternalHandle(dataset, "ZOVREKZTI");
    if (!cells_) ztRSClose(dataset);
    return cells_ != nullptr;
  }

  double Get(long row, long column) const {
    double value = 0.0;
    ztGetCell(cells_, row, column, &value);
    return value;
  }
  void Set(long row, long column, double value) { ztSetCell(cells_, row, column, value); }

 private:
  void* cells_ = nullptr;
};

}  // namespace zt
