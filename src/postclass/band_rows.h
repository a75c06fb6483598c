#pragma once
// The source band read and the result written a block of rows at a time,
// in the pixels' own types, with a progress step and stop check per window
// row.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>

#include "frame/progress_session.h"
#include "postclass/postclass_job.h"
#include "ztclass/result_codes.h"

namespace zt {

template <typename T>
constexpr ZTRSDataType kPixelType = std::is_same_v<T, std::uint8_t>    ? ZTRS_Byte
                                    : std::is_same_v<T, std::uint32_t> ? ZTRS_UInt32
                                    : std::is_same_v<T, std::int32_t>  ? ZTRS_Int32
                                                                       : ZTRS_Float64;

// Buffers whose every entry is written before it is read.
template <typename T>
std::unique_ptr<T[]> Uninitialised(long count) {
  return std::unique_ptr<T[]>(new T[count]);
}

// The class count of a band, from its minimum and maximum: maximum -
// minimum + 1, or the maximum when the minimum is 0, both truncated.
inline long ClassCountOf(long low, long high) { return low == 0 ? high : high - low + 1; }

// The class range of a band. A value that is not finite or does not
// truncate into the 32-bit signed range is no class value.
template <typename T>
class ClassRange {
 public:
  // False when a value is no class value.
  bool Add(const T* values, long count) {
    T low = values[0], high = values[0];
    int classes = 1;
    // Every value of the band passes here on the caller's thread, ahead of
    // the labelling: vectorised, as -O2 alone leaves it.
#pragma omp simd reduction(min : low) reduction(max : high) reduction(& : classes)
    for (long j = 0; j < count; ++j) {
      const T v = values[j];
      if constexpr (std::is_floating_point_v<T>) classes &= (v > kLowest) & (v < kHighest);
      low = std::min(low, v);
      high = std::max(high, v);
    }
    if constexpr (std::is_same_v<T, std::uint32_t>) classes = high <= T(INT32_MAX);
    if (!classes) return false;
    if (empty_ || low < low_) low_ = low;
    if (empty_ || high > high_) high_ = high;
    empty_ = false;
    return true;
  }
  long Count() const { return ClassCountOf(Low(), High()); }
  // The minimum and maximum, truncated: what the count is made of, and what
  // ranges of parts of a band combine by (truncation keeps their order).
  long Low() const { return static_cast<long>(low_); }
  long High() const { return static_cast<long>(high_); }

 private:
  static constexpr double kLowest = -2147483649.0;
  static constexpr double kHighest = 2147483648.0;
  T low_{}, high_{};
  bool empty_ = true;
};

// Every row of the source band read once in T, a block of rows at a time:
// Next gives the window's rows in order, Finish reads the rest and gives
// the class count of the whole band (every pixel, no-data included).
// RC_BAD_WINDOW for a pixel that is no class value.
template <typename T>
class BandOnce {
 public:
  explicit BandOnce(const PostClassJob& job)
      : job_(job),
        columns_(job.BandColumns()),
        rows_(job.BandRows()),
        block_(job.SourceBlockRows(columns_ * long(sizeof(T)))),
        values_(Uninitialised<T>(block_ * columns_)) {}

  // The window's next row, in row.
  long Next(const T*& row) {
    while (next_ == first_ + held_)
      if (long rc = ReadBlock()) return rc;
    if (StepAndCheckStop()) return RC_CANCELLED;
    row = &values_[(next_++ - first_) * columns_] + job_.GetWindow().firstColumn;
    return RC_OK;
  }

  // After the window's last row.
  long Finish(long& classCount) {
    while (first_ + held_ < rows_)
      if (long rc = ReadBlock()) return rc;
    classCount = range_.Count();
    return RC_OK;
  }

 private:
  long ReadBlock() {
    const Window& w = job_.GetWindow();
    first_ += held_;
    held_ = std::min(block_, rows_ - first_);
    if (held_ < 1) return RC_BAD_WINDOW;
    next_ = std::clamp(w.firstRow, first_, first_ + held_);
    if ((first_ + held_ <= w.firstRow || first_ >= w.firstRow + w.rows) && IsStopProgress()) return RC_CANCELLED;
    if (long rc = job_.ReadBandRows(first_, held_, kPixelType<T>, values_.get())) return rc;
    for (long r = 0; r < held_; ++r)
      if (!range_.Add(&values_[r * columns_], columns_)) return RC_BAD_WINDOW;
    return RC_OK;
  }

  const PostClassJob& job_;
  const long columns_, rows_, block_;
  const std::unique_ptr<T[]> values_;
  ClassRange<T> range_;
  long first_ = 0, held_ = 0;  // band rows in values_
  long next_ = 0;              // the band row Next gives, in values_ or past it
};

// The window's rows read in T, a block of rows at a time, given in order.
template <typename T>
class WindowRows {
 public:
  explicit WindowRows(const PostClassJob& job)
      : job_(job),
        columns_(job.GetWindow().columns),
        block_(job.SourceBlockRows(columns_ * long(sizeof(T)))),
        values_(Uninitialised<T>(block_ * columns_)) {}

  long Next(const T*& row) {
    if (next_ == first_ + held_) {
      first_ += held_;
      // Reads that start and end on the band's block rows.
      held_ = std::min(job_.GetWindow().rows - first_, block_ - (job_.GetWindow().firstRow + first_) % block_);
      if (long rc = job_.ReadWindowRows(first_, held_, kPixelType<T>, values_.get())) return rc;
    }
    if (StepAndCheckStop()) return RC_CANCELLED;
    row = &values_[(next_++ - first_) * columns_];
    return RC_OK;
  }

 private:
  const PostClassJob& job_;
  const long columns_, block_;
  const std::unique_ptr<T[]> values_;
  long first_ = 0, held_ = 0;  // window rows in values_
  long next_ = 0;
};

// A fill of rows for Regions::LabelRows: the window's rows read in T.
template <typename T>
class CopiedRows {
 public:
  explicit CopiedRows(const PostClassJob& job) : rows_(job), columns_(job.GetWindow().columns) {}
  long operator()(long, T* to) {
    const T* values = nullptr;
    if (long rc = rows_.Next(values)) return rc;
    std::memcpy(to, values, sizeof(T) * columns_);
    return RC_OK;
  }

 private:
  WindowRows<T> rows_;
  const long columns_;
};

// Every row of the source band read once in T: the class count of the
// whole band, and the window's rows handed to row(i, values) in order.
template <typename T, typename Row>
long ReadBandOnce(const PostClassJob& job, Row&& row, long& classCount) {
  BandOnce<T> band(job);
  for (long i = 0; i < job.GetWindow().rows; ++i) {
    const T* values = nullptr;
    if (long rc = band.Next(values)) return rc;
    row(i, values);
  }
  return band.Finish(classCount);
}

// The window's rows read in T and handed to row(i, values) in order.
template <typename T, typename Row>
long ReadWindow(const PostClassJob& job, Row&& row) {
  WindowRows<T> rows(job);
  for (long i = 0; i < job.GetWindow().rows; ++i) {
    const T* values = nullptr;
    if (long rc = rows.Next(values)) return rc;
    row(i, values);
  }
  return RC_OK;
}

// The result written in T, a block of rows at a time: rows(first, count,
// scratch) gives the window rows first..first + count - 1 one after the
// other, in scratch (room for count rows) or in memory of its own.
template <typename T, typename Rows>
long WriteResult(const PostClassJob& job, Rows&& rows) {
  const Window& w = job.GetWindow();
  const long block = job.ResultBlockRows(w.columns * long(sizeof(T)));
  const auto scratch = Uninitialised<T>(block * w.columns);
  for (long first = 0; first < w.rows; first += block) {
    const long count = std::min(block, w.rows - first);
    for (long i = 0; i < count; ++i)
      if (StepAndCheckStop()) return RC_CANCELLED;
    const T* values = rows(first, count, scratch.get());
    if (long rc = job.WriteRows(first, count, kPixelType<T>, values)) return rc;
  }
  return RC_OK;
}

}  // namespace zt
