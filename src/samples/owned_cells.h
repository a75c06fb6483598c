#pragma once
#include "samples/cell_set.h"

namespace zt {

// A cell set handed out by gathering or purification, released on scope exit.
struct OwnedCells {
  OwnedCells() = default;
  ~OwnedCells() { FreeCellSet(cells, count); }
  OwnedCells(const OwnedCells&) = delete;
  OwnedCells& operator=(const OwnedCells&) = delete;

  AOICELL* cells = nullptr;
  long count = 0;
};

}  // namespace zt
