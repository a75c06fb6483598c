#include "samples/cell_set.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace zt {

CellSet::~CellSet() { FreeCellSet(cells_, count_); }

void CellSet::Grow() {
  const long capacity = capacity_ == 0 ? kInitialCapacity : capacity_ * 2;
  auto* grown = static_cast<AOICELL*>(std::realloc(cells_, sizeof(AOICELL) * capacity));
  if (!grown) throw std::bad_alloc();
  cells_ = grown;
  capacity_ = capacity;
}

AOICELL& CellSet::Append(long classNo, long row, long column) {
  if (count_ == capacity_) Grow();
  auto* values = static_cast<double*>(std::calloc(bandCount_ > 0 ? bandCount_ : 1, sizeof(double)));
  if (!values) throw std::bad_alloc();
  AOICELL& cell = cells_[count_++];
  cell = AOICELL{classNo, row, column, values};
  return cell;
}

void CellSet::Release(AOICELL** cells, long& count) {
  if (count_ < capacity_ && count_ > 0) {
    if (auto* trimmed = static_cast<AOICELL*>(std::realloc(cells_, sizeof(AOICELL) * count_)))
      cells_ = trimmed;
  }
  if (count_ == 0) {
    std::free(cells_);
    cells_ = nullptr;
  }
  *cells = cells_;
  count = count_;
  cells_ = nullptr;
  count_ = capacity_ = 0;
}

void FreeCellSet(AOICELL* cells, long count) {
  if (!cells) return;
  for (long i = 0; i < count; ++i) std::free(cells[i].values);
  std::free(cells);
}

}  // namespace zt
