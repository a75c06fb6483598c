#pragma once
// Labellings made apart, joined at the border between them.
//
// A class map can be labelled in pieces (strips on several threads, tiles
// on several machines), each piece numbering its own regions. A region that
// crosses a border then carries one label on each side; the pieces are made
// one labelling again by joining, for every pair of pixels that touch across
// the border and hold the same non-zero value, the labels on either side.
// Only the two rows facing each other are needed: the last row of the upper
// piece and the first row of the lower one, labels and values.
//
// LabelForest holds the joins. Its sets keep their smallest label as root:
// where labels grow in scan order, a region's root is the label made at its
// first pixel, so numbering the roots in label order numbers the regions in
// the scan order of their first pixels, however the pieces were cut.
#include <memory>
#include <vector>

namespace zt {

// Calls join(upperLabel, lowerLabel) for the pixel pairs of equal non-zero
// value that touch across the border: straight across, and in the
// 8-neighbourhood diagonally as well. Runs of the same pair are joined once.
template <typename Label, typename Value, typename Join>
void JoinAcrossBorder(const Value* upperValues, const Label* upperLabels, const Value* lowerValues,
                      const Label* lowerLabels, long columns, bool eightNeighbours, Join&& join) {
  Label lastUpper = 0, lastLower = 0;
  auto pair = [&](Label upper, Label lower) {
    if (upper == lastUpper && lower == lastLower) return;
    lastUpper = upper;
    lastLower = lower;
    join(upper, lower);
  };
  for (long j = 0; j < columns; ++j) {
    const Value v = lowerValues[j];
    if (v == 0) continue;
    if (upperValues[j] == v) pair(upperLabels[j], lowerLabels[j]);
    if (!eightNeighbours) continue;
    if (j > 0 && upperValues[j - 1] == v) pair(upperLabels[j - 1], lowerLabels[j]);
    if (j + 1 < columns && upperValues[j + 1] == v) pair(upperLabels[j + 1], lowerLabels[j]);
  }
}

// Union-find over labels 0, 1, 2, ... whose every set has its smallest
// label as root; every label's parent is smaller than the label or the
// label itself.
template <typename Label, typename Allocator = std::allocator<Label>>
class LabelForest {
 public:
  // A new label, alone in its set.
  Label Add() {
    const Label label = static_cast<Label>(parent_.size());
    parent_.push_back(label);
    return label;
  }
  Label Size() const { return static_cast<Label>(parent_.size()); }

  Label Find(Label x) {
    while (parent_[x] != x) {
      parent_[x] = parent_[parent_[x]];
      x = parent_[x];
    }
    return x;
  }
  // Joins the sets of a and b; their joint root.
  Label Join(Label a, Label b) {
    if (a == b) return a;
    a = Find(a);
    b = Find(b);
    if (a < b) return parent_[b] = a;
    if (b < a) return parent_[a] = b;
    return a;
  }

  // The parent table itself, for a pass that resolves every label at once.
  std::vector<Label, Allocator>& Parents() { return parent_; }

 private:
  std::vector<Label, Allocator> parent_;
};

}  // namespace zt
