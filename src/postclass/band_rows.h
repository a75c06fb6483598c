#pragma once
// The source band read and the result written a block of rows at a time,
// in the pixels' own types, with a progress step and stop check per window
// row.
#include <algorithm>
#include <cstdint>
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
    bool classes = true;
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

// Every row of the source band, read once in T: the class count of the
// whole band (every pixel, no-data included), and the window's rows handed
// to row(i, values) in order. RC_BAD_WINDOW for a pixel that is no class
// value.
template <typename T, typename Row>
long ReadBandOnce(const PostClassJob& job, Row&& row, long& classCount) {
  const Window& w = job.GetWindow();
  const long columns = job.BandColumns(), rows = job.BandRows();
  const long block = job.SourceBlockRows(columns * long(sizeof(T)));
  const auto values = Uninitialised<T>(block * columns);
  ClassRange<T> range;
  for (long first = 0; first < rows; first += block) {
    const long count = std::min(block, rows - first);
    if ((first + count <= w.firstRow || first >= w.firstRow + w.rows) && IsStopProgress()) return RC_CANCELLED;
    if (long rc = job.ReadBandRows(first, count, kPixelType<T>, values.get())) return rc;
    for (long r = first; r < first + count; ++r) {
      const T* v = &values[(r - first) * columns];
      if (!range.Add(v, columns)) return RC_BAD_WINDOW;
      const long i = r - w.firstRow;
      if (i < 0 || i >= w.rows) continue;
      if (StepAndCheckStop()) return RC_CANCELLED;
      row(i, v + w.firstColumn);
    }
  }
  classCount = range.Count();
  return RC_OK;
}

// The window's rows read in T and handed to row(i, values) in order.
template <typename T, typename Row>
long ReadWindow(const PostClassJob& job, Row&& row) {
  const Window& w = job.GetWindow();
  const long block = job.SourceBlockRows(w.columns * long(sizeof(T)));
  const auto values = Uninitialised<T>(block * w.columns);
  for (long first = 0; first < w.rows;) {
    // Reads that start and end on the band's block rows.
    const long count = std::min(w.rows - first, block - (w.firstRow + first) % block);
    if (long rc = job.ReadWindowRows(first, count, kPixelType<T>, values.get())) return rc;
    for (long i = 0; i < count; ++i) {
      if (StepAndCheckStop()) return RC_CANCELLED;
      row(first + i, &values[i * w.columns]);
    }
    first += count;
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
