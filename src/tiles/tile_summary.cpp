#include "tiles/tile_summary.h"

#include "tiles/tile_buffer.h"

namespace zt {

namespace {

// The first word of each buffer: what it holds, and that it was written in
// this machine's byte order.
constexpr uint64_t kSummaryTag = 0x7a74'7469'6c65'0001;
constexpr uint64_t kNumbersTag = 0x7a74'7469'6c65'0002;

void PutWindow(BufferWriter& out, const Window& w) {
  for (long v : {w.rows, w.columns, w.firstRow, w.firstColumn}) out.Put<int64_t>(v);
}

bool GetWindow(BufferReader& in, Window& w) {
  int64_t v[4];
  for (int64_t& x : v)
    if (!in.Get(x)) return false;
  w = Window{long(v[0]), long(v[1]), long(v[2]), long(v[3])};
  return w.rows >= 0 && w.columns >= 0 && w.firstRow >= 0 && w.firstColumn >= 0;
}

bool LabelsWithin(const std::vector<uint32_t>& labels, uint32_t regions) {
  for (uint32_t l : labels)
    if (l > regions) return false;
  return true;
}

// Regions in scan order of their first pixels, each of a value other than 0
// and of at least one pixel, that with the zeros make up the tile.
bool Consistent(const TileSummary& s) {
  const uint64_t cells = uint64_t(s.window.rows) * uint64_t(s.window.columns);
  uint64_t pixels = uint64_t(s.zeros);
  for (size_t m = 1; m < s.value.size(); ++m) {
    if (s.value[m] == 0 || s.count[m] == 0 || s.first[m] >= cells) return false;
    if (m > 1 && s.first[m] <= s.first[m - 1]) return false;
    pixels += s.count[m];
  }
  const uint32_t n = s.Regions();
  return pixels == cells && LabelsWithin(s.top, n) && LabelsWithin(s.bottom, n) && LabelsWithin(s.left, n) &&
         LabelsWithin(s.right, n);
}

}  // namespace

void EncodeSummary(const TileSummary& s, void** buffer, size_t* size) {
  BufferWriter out;
  out.Put(kSummaryTag);
  out.Put<int64_t>(s.rangeOnly);
  out.Put<int64_t>(s.mode);
  out.Put<int64_t>(s.neighbours);
  PutWindow(out, s.window);
  out.Put<int64_t>(s.hasRange);
  out.Put<int64_t>(s.low);
  out.Put<int64_t>(s.high);
  if (!s.rangeOnly) {
    out.Put<int64_t>(s.zeros);
    out.Put<uint64_t>(s.Regions());
    out.PutArray(s.value.data() + 1, s.Regions());
    out.PutArray(s.count.data() + 1, s.Regions());
    out.PutArray(s.first.data() + 1, s.Regions());
    for (const auto* border : {&s.top, &s.bottom, &s.left, &s.right}) out.PutArray(border->data(), border->size());
  }
  out.Release(buffer, size);
}

bool DecodeSummary(const void* buffer, size_t size, TileSummary& s) {
  if (!buffer) return false;
  BufferReader in(buffer, size);
  uint64_t tag = 0;
  int64_t rangeOnly = 0, mode = 0, neighbours = 0, hasRange = 0, low = 0, high = 0;
  if (!in.Get(tag) || tag != kSummaryTag || !in.Get(rangeOnly) || !in.Get(mode) || !in.Get(neighbours) ||
      !GetWindow(in, s.window) || !in.Get(hasRange) || !in.Get(low) || !in.Get(high))
    return false;
  s.rangeOnly = rangeOnly != 0;
  s.mode = int(mode);
  s.neighbours = int(neighbours);
  s.hasRange = hasRange != 0;
  s.low = long(low);
  s.high = long(high);
  if (s.rangeOnly) return in.AtEnd();
  const uint64_t rows = uint64_t(s.window.rows), columns = uint64_t(s.window.columns);
  int64_t zeros = 0;
  uint64_t n = 0;
  if (rows == 0 || columns == 0 || rows * columns > UINT32_MAX || !in.Get(zeros) || zeros < 0 || !in.Get(n) ||
      n > rows * columns)
    return false;
  s.zeros = long(zeros);
  std::vector<int64_t> value;
  std::vector<uint32_t> count, first;
  if (!in.GetArray(value, n) || !in.GetArray(count, n) || !in.GetArray(first, n) || !in.GetArray(s.top, columns) ||
      !in.GetArray(s.bottom, columns) || !in.GetArray(s.left, rows) || !in.GetArray(s.right, rows) || !in.AtEnd())
    return false;
  s.value.assign(1, 0);
  s.value.insert(s.value.end(), value.begin(), value.end());
  s.count.assign(1, 0);
  s.count.insert(s.count.end(), count.begin(), count.end());
  s.first.assign(1, 0);
  s.first.insert(s.first.end(), first.begin(), first.end());
  return Consistent(s);
}

void EncodeNumbers(const TileNumbers& t, void** buffer, size_t* size) {
  BufferWriter out;
  out.Put(kNumbersTag);
  PutWindow(out, t.window);
  out.Put<uint64_t>(t.numbers.size());
  out.PutArray(t.numbers.data(), t.numbers.size());
  out.Release(buffer, size);
}

bool DecodeNumbers(const void* buffer, size_t size, TileNumbers& t) {
  if (!buffer) return false;
  BufferReader in(buffer, size);
  uint64_t tag = 0, n = 0;
  return in.Get(tag) && tag == kNumbersTag && GetWindow(in, t.window) && in.Get(n) && n >= 1 &&
         in.GetArray(t.numbers, n) && in.AtEnd() && t.numbers[0] == 0;
}

}  // namespace zt
