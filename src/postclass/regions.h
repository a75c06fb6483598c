#pragma once
// Connected regions of equal value over a window that arrives row by row,
// numbered 1, 2, ... in the scan order of their first pixels, as region
// growing from each unvisited pixel in scan order numbers them.
//
// One pass gives every pixel a provisional label and joins the labels that
// meet (union-find whose root is always the smallest label of its set, so
// that a set's root is the label made at its first pixel); numbering the
// roots in label order then gives the scan order of the regions. The cost is
// linear in the pixels whatever the regions' sizes and shapes.
#include <cstdint>
#include <memory>
#include <vector>

#include "ztservices/progress.h"

namespace zt {

// Windows of up to this many cells are labelled in 32 bits.
constexpr long kMaxCellsOf32BitLabels = UINT32_MAX;

// Labels resolved between two looks at the user's stop request.
constexpr long kLabelsPerStopCheck = 1L << 16;

// Label: an unsigned type that holds the window's pixel count.
// Value: the pixel values compared; 0 is no region (its pixels keep label 0
// and are only counted).
template <typename Label, typename Value>
class Regions {
 public:
  Regions(long rows, long columns, bool eightNeighbours)
      : columns_(columns), eight_(eightNeighbours), labels_(new Label[rows * columns]), above_(columns) {
    NewLabel(0, 0);
  }

  // Row i (from 0, in order) of the window.
  void AddRow(long i, const Value* row);

  // After the last row: numbers the regions and gives their count; false
  // when the user asked to stop.
  bool Resolve(Label& regions);

  // After Resolve: turns row i of the labels into region numbers and gives
  // it (0 where the value is 0).
  Label* NumberRow(long i) {
    Label* out = &labels_[i * columns_];
    for (long j = 0; j < columns_; ++j) out[j] = parent_[out[j]];
    return out;
  }
  // After NumberRow of every row: frees the provisional labels' table.
  void ReleaseProvisional() { std::vector<Label>().swap(parent_); }
  // Row i after NumberRow(i).
  Label* Row(long i) { return &labels_[i * columns_]; }
  const Label* Row(long i) const { return &labels_[i * columns_]; }

  // After Resolve, of region m = 1..count: pixels, value, first pixel (as
  // row * columns + column).
  Label Count(Label m) const { return count_[m]; }
  Value RegionValue(Label m) const { return value_[m]; }
  Label First(Label m) const { return first_[m]; }

  // Pixels of value 0.
  long Zeros() const { return zeros_; }

 private:
  Label NewLabel(Value value, Label first) {
    const Label label = static_cast<Label>(parent_.size());
    parent_.push_back(label);
    count_.push_back(0);
    value_.push_back(value);
    first_.push_back(first);
    return label;
  }
  Label Find(Label x) {
    while (parent_[x] != x) {
      parent_[x] = parent_[parent_[x]];
      x = parent_[x];
    }
    return x;
  }
  // Joins the sets of a and b; the joint root.
  Label Join(Label a, Label b) {
    if (a == b) return a;
    a = Find(a);
    b = Find(b);
    if (a < b) return parent_[b] = a;
    if (b < a) return parent_[a] = b;
    return a;
  }

  long columns_;
  bool eight_;
  // Every entry is written by AddRow before it is read.
  std::unique_ptr<Label[]> labels_;
  std::vector<Value> above_;  // the values of the previous row
  // Per provisional label; after Resolve, parent_ maps it to its region
  // number and the other tables are per region.
  std::vector<Label> parent_, count_, first_;
  std::vector<Value> value_;
  long zeros_ = 0;
};

template <typename Label, typename Value>
void Regions<Label, Value>::AddRow(long i, const Value* row) {
  Label* out = &labels_[i * columns_];
  const Label* up = i > 0 ? out - columns_ : nullptr;
  const Value* above = above_.data();
  const Label base = static_cast<Label>(i * columns_);
  for (long j = 0; j < columns_; ++j) {
    const Value v = row[j];
    if (v == 0) {
      out[j] = 0;
      ++zeros_;
      continue;
    }
    const bool left = j > 0 && row[j - 1] == v;
    Label label = 0;
    if (!up) {
      if (left) label = out[j - 1];
    } else if (above[j] == v) {
      // In the 8-neighbourhood the pixels above-left, above-right and left
      // all touch the one above, so they are joined already.
      label = up[j];
      if (!eight_ && left) label = Join(label, out[j - 1]);
    } else if (eight_ && j + 1 < columns_ && above[j + 1] == v) {
      label = up[j + 1];
      // Above-left touches left, so one join is enough.
      if (left)
        label = Join(label, out[j - 1]);
      else if (j > 0 && above[j - 1] == v)
        label = Join(label, up[j - 1]);
    } else if (left) {
      label = out[j - 1];
    } else if (eight_ && j > 0 && above[j - 1] == v) {
      label = up[j - 1];
    }
    if (label == 0) label = NewLabel(v, base + static_cast<Label>(j));
    out[j] = label;
    ++count_[label];
  }
  above_.assign(row, row + columns_);
}

template <typename Label, typename Value>
bool Regions<Label, Value>::Resolve(Label& regions) {
  // Every non-root label points to a smaller one, whose entry is already a
  // region number when it is met; region m's tables take the slot m, which
  // no label still to come reads.
  regions = 0;
  const Label labels = static_cast<Label>(parent_.size());
  for (Label l = 1; l < labels; ++l) {
    if (l % kLabelsPerStopCheck == 0 && IsStopProgress()) return false;
    if (parent_[l] == l) {
      const Label m = ++regions;
      parent_[l] = m;
      count_[m] = count_[l];
      value_[m] = value_[l];
      first_[m] = first_[l];
    } else {
      const Label m = parent_[parent_[l]];
      parent_[l] = m;
      count_[m] += count_[l];
    }
  }
  for (auto* table : {&count_, &first_}) {
    table->resize(regions + 1);
    table->shrink_to_fit();
  }
  value_.resize(regions + 1);
  value_.shrink_to_fit();
  return true;
}

}  // namespace zt
