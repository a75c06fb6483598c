#pragma once
// Connected regions of equal value over a window that arrives row by row,
// numbered 1, 2, ... in the scan order of their first pixels, as region
// growing from each unvisited pixel in scan order numbers them.
//
// The rows are gathered into batches; each batch is cut into strips that the
// worker threads label at once, every pixel taking a provisional label, the
// labels that meet within a strip joined, while the caller's thread reads
// the next batch. The strips' labels are then laid one after the other in
// scan order and joined across the strips' borders
// (postclass/border_join.h), so that a region's smallest label is still the
// one made at its first pixel: numbering the roots in label order gives the
// scan order of the regions, whatever the thread count. The cost is linear
// in the pixels whatever the regions' sizes and shapes.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

#include "postclass/border_join.h"
#include "postclass/default_init_allocator.h"
#include "postclass/large_array.h"
#include "ztclass/result_codes.h"
#include "ztservices/progress.h"
#include "ztservices/workers.h"

namespace zt {

// Windows of up to this many cells are labelled in 32 bits.
constexpr long kMaxCellsOf32BitLabels = UINT32_MAX;

// Provisional labels whose tables are set aside at the start. A window never
// makes more labels than cells, so a window of up to this many cells never
// moves its tables, whose growth would otherwise be copied on one thread
// while the others wait; the memory is only taken as labels are made.
constexpr long kReservedLabels = 1L << 27;

// Labels resolved between two looks at the user's stop request.
constexpr long kLabelsPerStopCheck = 1L << 16;

// Numbers the roots of a forest whose every non-root label points to a
// smaller one, 1, 2, ... in label order, and makes every label point to its
// region's number. Region m's pixel count, value and first pixel take slot m
// of the tables, which no label still to come reads, since a root's number
// is at most the root itself. False when the user asked to stop.
template <typename Parents, typename Counts, typename Values, typename Firsts,
          typename Label = typename Parents::value_type>
bool NumberRoots(Parents& parent, Counts& count, Values& value, Firsts& first, Label& regions) {
  regions = 0;
  for (Label l = 1; l < static_cast<Label>(parent.size()); ++l) {
    if (l % kLabelsPerStopCheck == 0 && IsStopProgress()) return false;
    if (parent[l] == l) {
      const Label m = ++regions;
      parent[l] = m;
      count[m] = count[l];
      value[m] = value[l];
      first[m] = first[l];
    } else {
      const Label m = parent[parent[l]];
      parent[l] = m;
      count[m] += count[l];
    }
  }
  return true;
}

// Label: an unsigned type that holds the window's pixel count.
// Value: the pixel values compared; 0 is no region (its pixels keep label 0
// and are only counted).
template <typename Label, typename Value>
class Regions {
 public:
  // batchCells: the cells labelled at once, strip by strip.
  Regions(long rows, long columns, bool eightNeighbours, long batchCells = kBatchCells)
      : rows_(rows),
        columns_(columns),
        eight_(eightNeighbours),
        labels_(rows * columns),
        batchRows_(std::max(1L, std::min(rows, batchCells / std::max(1L, columns)))),
        batch_(new Value[batchRows_ * columns]),
        spare_(new Value[batchRows_ * columns]),
        lastRow_(columns) {
    const long reserved = std::min(rows * columns + 1, kReservedLabels);
    forest_.Parents().reserve(reserved);
    count_.reserve(reserved);
    first_.reserve(reserved);
    value_.reserve(reserved);
    NewLabel(0, 0);
  }

  // Labels the window's rows, which fill(i, to) writes, row i into to, in
  // order, giving a result code; the first code that is not RC_OK stops it.
  template <typename Fill>
  long LabelRows(Fill&& fill);

  // Cells of a batch: a few blocks' worth, enough to share among threads.
  static constexpr long kBatchCells = 1L << 21;

  // After the last row: numbers the regions, turns every label into its
  // region number (0 where the value is 0), and gives their count; false
  // when the user asked to stop.
  bool Resolve(Label& regions);

  // After Resolve: row i of region numbers.
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
  // Rows a strip has at least, so that joining its borders stays cheap.
  static constexpr long kMinStripRows = 16;
  // Strips of a batch per thread: the caller's thread takes its share of
  // them once it has read the next batch.
  static constexpr long kStripsPerThread = 4;
  // The first batch is this part of a full one, and each next one twice
  // the one before: the workers wait while the first is read alone, but
  // not while the others are.
  static constexpr long kFirstBatchParts = 8;

  // The labels of one strip, numbered from 1 within it, before they take
  // their place after those of the strips above.
  struct Strip {
    long first = 0, count = 0;  // window rows
    LabelForest<Label> forest;
    std::vector<Label> pixels, firsts;
    std::vector<Value> values;
    long zeros = 0;
    Label base = 0;  // added to its labels to place them
  };

  struct BatchJob {
    Regions* regions;
    std::vector<Strip>* strips;
    static void LabelPart(void* job, long k) {
      auto* j = static_cast<BatchJob*>(job);
      j->regions->LabelStrip((*j->strips)[k]);
    }
    static void Place(void* job, long k) {
      auto* j = static_cast<BatchJob*>(job);
      j->regions->PlaceStrip((*j->strips)[k]);
    }
    static void Number(void* job, long k) {
      auto* j = static_cast<BatchJob*>(job);
      j->regions->NumberStrip((*j->strips)[k]);
    }
  };

  Label NewLabel(Value value, Label first) {
    const Label label = forest_.Add();
    count_.push_back(0);
    value_.push_back(value);
    first_.push_back(first);
    return label;
  }

  // The strips of rows first..first + count - 1.
  void CutStrips(long first, long count) {
    const long threads = ztGetWorkerThreads();
    const long wanted = threads > 1 ? threads * kStripsPerThread : 1;
    const long parts = std::max(1L, std::min(wanted, count / kMinStripRows));
    strips_.resize(parts);
    for (long k = 0; k < parts; ++k) {
      const long begin = first + count * k / parts, end = first + count * (k + 1) / parts;
      strips_[k].first = begin;
      strips_[k].count = end - begin;
    }
  }

  void JoinBatch();
  void LabelStrip(Strip& s);
  void PlaceStrip(Strip& s);
  void NumberStrip(const Strip& s);
  const Value* BatchRow(long i) const { return &batch_[(i - batchFirst_) * columns_]; }

  long rows_, columns_;
  bool eight_;
  // Every entry is written by the labelling before it is read.
  LargeArray<Label> labels_;
  // The rows being labelled, from window row batchFirst_, and the next
  // ones being read.
  long batchRows_;
  std::unique_ptr<Value[]> batch_, spare_;
  long batchFirst_ = 0, batchCount_ = 0;
  std::vector<Value> lastRow_;  // the values of the row before the batch
  std::vector<Strip> strips_;
  // Per provisional label; after Resolve, per region.
  LabelForest<Label, DefaultInitAllocator<Label>> forest_;
  UninitialisedTable<Label> count_, first_;
  UninitialisedTable<Value> value_;
  long zeros_ = 0;
};

template <typename Label, typename Value>
void Regions<Label, Value>::LabelStrip(Strip& s) {
  s.forest.Parents().clear();
  s.forest.Add();
  s.pixels.assign(1, 0);
  s.firsts.assign(1, 0);
  s.values.assign(1, 0);
  s.zeros = 0;
  auto newLabel = [&](Value v, Label first) {
    const Label label = s.forest.Add();
    s.pixels.push_back(0);
    s.values.push_back(v);
    s.firsts.push_back(first);
    return label;
  };
  for (long i = s.first; i < s.first + s.count; ++i) {
    const Value* row = BatchRow(i);
    const Value* above = i > s.first ? row - columns_ : nullptr;
    Label* out = &labels_[i * columns_];
    const Label* up = above ? out - columns_ : nullptr;
    const Label base = static_cast<Label>(i * columns_);
    for (long j = 0; j < columns_; ++j) {
      const Value v = row[j];
      if (v == 0) {
        out[j] = 0;
        ++s.zeros;
        continue;
      }
      const bool left = j > 0 && row[j - 1] == v;
      Label label = 0;
      if (!above) {
        if (left) label = out[j - 1];
      } else if (above[j] == v) {
        // In the 8-neighbourhood the pixels above-left, above-right and left
        // all touch the one above, so they are joined already.
        label = up[j];
        if (!eight_ && left) label = s.forest.Join(label, out[j - 1]);
      } else if (eight_ && j + 1 < columns_ && above[j + 1] == v) {
        label = up[j + 1];
        // Above-left touches left, so one join is enough.
        if (left)
          label = s.forest.Join(label, out[j - 1]);
        else if (j > 0 && above[j - 1] == v)
          label = s.forest.Join(label, up[j - 1]);
      } else if (left) {
        label = out[j - 1];
      } else if (eight_ && j > 0 && above[j - 1] == v) {
        label = up[j - 1];
      }
      if (label == 0) label = newLabel(v, base + static_cast<Label>(j));
      out[j] = label;
      ++s.pixels[label];
    }
  }
}

template <typename Label, typename Value>
void Regions<Label, Value>::PlaceStrip(Strip& s) {
  auto& parents = forest_.Parents();
  const std::vector<Label>& own = s.forest.Parents();
  for (size_t l = 1; l < own.size(); ++l) {
    parents[s.base + l] = own[l] + s.base;
    count_[s.base + l] = s.pixels[l];
    first_[s.base + l] = s.firsts[l];
    value_[s.base + l] = s.values[l];
  }
  if (s.base == 0) return;
  Label* out = &labels_[s.first * columns_];
  const long cells = s.count * columns_;
  for (long j = 0; j < cells; ++j) out[j] = out[j] ? out[j] + s.base : 0;
}

template <typename Label, typename Value>
void Regions<Label, Value>::NumberStrip(const Strip& s) {
  const auto& number = forest_.Parents();
  Label* out = &labels_[s.first * columns_];
  const long cells = s.count * columns_;
  for (long j = 0; j < cells; ++j) out[j] = number[out[j]];
}

template <typename Label, typename Value>
template <typename Fill>
long Regions<Label, Value>::LabelRows(Fill&& fill) {
  struct Reading {
    std::remove_reference_t<Fill>* fill;
    Value* to;
    long first, count, columns;
    long rc = RC_OK;
    static void Run(void* data) {
      auto* r = static_cast<Reading*>(data);
      for (long i = 0; i < r->count && r->rc == RC_OK; ++i) r->rc = (*r->fill)(r->first + i, &r->to[i * r->columns]);
    }
  };
  long batchRows = std::max(1L, batchRows_ / kFirstBatchParts);
  Reading next{&fill, spare_.get(), 0, std::min(batchRows, rows_), columns_};
  Reading::Run(&next);
  while (next.count > 0 && next.rc == RC_OK) {
    std::swap(batch_, spare_);
    batchFirst_ = next.first;
    batchCount_ = next.count;
    batchRows = std::min(batchRows_, 2 * batchRows);
    next = Reading{&fill, spare_.get(), batchFirst_ + batchCount_,
                   std::min(batchRows, rows_ - batchFirst_ - batchCount_), columns_};
    CutStrips(batchFirst_, batchCount_);
    BatchJob job{this, &strips_};
    ztRunOnWorkersBeside(static_cast<long>(strips_.size()), &BatchJob::LabelPart, &job, &Reading::Run, &next);
    JoinBatch();
  }
  return next.rc;
}

template <typename Label, typename Value>
void Regions<Label, Value>::JoinBatch() {
  BatchJob job{this, &strips_};
  const long parts = static_cast<long>(strips_.size());
  // The strips' labels follow those already made, strip after strip; each
  // strip writes its own entries of the tables.
  size_t labels = forest_.Size();
  for (Strip& s : strips_) {
    s.base = static_cast<Label>(labels - 1);
    labels += s.forest.Parents().size() - 1;
    zeros_ += s.zeros;
  }
  forest_.Parents().resize(labels);
  count_.resize(labels);
  first_.resize(labels);
  value_.resize(labels);
  ztRunOnWorkers(parts, &BatchJob::Place, &job);
  auto join = [&](Label a, Label b) { forest_.Join(a, b); };
  if (batchFirst_ > 0)
    JoinAcrossBorder(lastRow_.data(), Row(batchFirst_ - 1), BatchRow(batchFirst_), Row(batchFirst_), columns_, eight_,
                     join);
  for (long k = 1; k < parts; ++k) {
    const long i = strips_[k].first;
    JoinAcrossBorder(BatchRow(i - 1), Row(i - 1), BatchRow(i), Row(i), columns_, eight_, join);
  }
  std::memcpy(lastRow_.data(), BatchRow(batchFirst_ + batchCount_ - 1), sizeof(Value) * columns_);
}

template <typename Label, typename Value>
bool Regions<Label, Value>::Resolve(Label& regions) {
  batch_.reset();
  spare_.reset();
  auto& parent = forest_.Parents();
  if (!NumberRoots(parent, count_, value_, first_, regions)) return false;
  TrimTable(count_, regions + 1);
  TrimTable(first_, regions + 1);
  TrimTable(value_, regions + 1);
  // Every label becomes its region number, the strips on their threads.
  CutStrips(0, rows_);
  BatchJob job{this, &strips_};
  ztRunOnWorkers(static_cast<long>(strips_.size()), &BatchJob::Number, &job);
  std::vector<Strip>().swap(strips_);
  std::remove_reference_t<decltype(parent)>().swap(parent);
  return true;
}

}  // namespace zt
