// Purification of a cell set by a standard-deviation threshold per class and
// band.
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "frame/captions.h"
#include "frame/entry.h"
#include "samples/cell_set.h"
#include "ztclass/result_codes.h"
#include "ztclass/samples.h"
#include "ztservices/progress.h"

namespace zt {

namespace {

constexpr int kPurifyCaption = 16;
constexpr double kBoundUlps = 8;

struct Bounds {
  std::vector<double> lower, upper;  // [class * bandCount + band], class from 0
};

// Mean and population deviation per class and band. Sums are taken relative
// to the class's first value, so a class whose values are all equal gets
// exactly that value as its mean and 0 as its deviation.
Bounds ClassBounds(const AOICELL* cells, long cellCount, long bandCount, long classCount, double k) {
  const size_t size = static_cast<size_t>(classCount) * bandCount;
  std::vector<long> counts(classCount, 0);
  std::vector<double> shift(size, 0.0), sum(size, 0.0), mean(size, 0.0), squares(size, 0.0);
  for (long i = 0; i < cellCount; ++i) {
    const long c = cells[i].classNo - 1;
    if (counts[c]++ == 0)
      for (long b = 0; b < bandCount; ++b) shift[c * bandCount + b] = cells[i].values[b];
    for (long b = 0; b < bandCount; ++b) sum[c * bandCount + b] += cells[i].values[b] - shift[c * bandCount + b];
  }
  for (long c = 0; c < classCount; ++c)
    for (long b = 0; b < bandCount; ++b)
      if (counts[c] > 0) mean[c * bandCount + b] = shift[c * bandCount + b] + sum[c * bandCount + b] / counts[c];
  for (long i = 0; i < cellCount; ++i) {
    const long c = cells[i].classNo - 1;
    for (long b = 0; b < bandCount; ++b) {
      const double d = cells[i].values[b] - mean[c * bandCount + b];
      squares[c * bandCount + b] += d * d;
    }
  }
  Bounds bounds{std::vector<double>(size), std::vector<double>(size)};
  for (long c = 0; c < classCount; ++c)
    for (long b = 0; b < bandCount; ++b) {
      const size_t i = c * bandCount + b;
      const double deviation = counts[c] > 0 ? std::sqrt(squares[i] / counts[c]) : 0.0;
      // A cell exactly k deviations out (both cells of a class of two, at
      // k = 1) must not fall out by the last bits of a rounded mean or
      // deviation.
      const double slack = kBoundUlps * std::numeric_limits<double>::epsilon() *
                           (std::fabs(mean[i]) + std::fabs(k * deviation));
      bounds.lower[i] = mean[i] - k * deviation - slack;
      bounds.upper[i] = mean[i] + k * deviation + slack;
    }
  return bounds;
}

}  // namespace

long PurifyCells(const AOICELL* cells, long cellCount, long bandCount, long classCount, double k,
                 AOICELL** purified, long& purifiedCount) {
  for (long i = 0; i < cellCount; ++i)
    if (cells[i].classNo < 1 || cells[i].classNo > classCount || !cells[i].values) return RC_BAD_WINDOW;

  SetRange(0, cellCount >= 100 ? cellCount / 100 : cellCount);
  SetPos(0);
  SetStep(1);
  SetSubProgressNameById(kPurifyCaption);
  const Bounds bounds = ClassBounds(cells, cellCount, bandCount, classCount, k);

  CellSet out(bandCount);
  for (long i = 0; i < cellCount; ++i) {
    if (cellCount < 100 || i % 100 == 0) StepIt();
    if (IsStopProgress()) return RC_CANCELLED;
    const AOICELL& cell = cells[i];
    const size_t base = static_cast<size_t>(cell.classNo - 1) * bandCount;
    bool keep = true;
    for (long b = 0; b < bandCount && keep; ++b)
      keep = bounds.lower[base + b] <= cell.values[b] && cell.values[b] <= bounds.upper[base + b];
    if (!keep) continue;
    AOICELL& copy = out.Append(cell.classNo, cell.row, cell.column);
    std::memcpy(copy.values, cell.values, sizeof(double) * bandCount);
  }
  out.Release(purified, purifiedCount);
  return RC_OK;
}

}  // namespace zt

using namespace zt;

long ztPurifyAOICellSet(AOICELL* cells, long cellCount, long bandCount, long classCount,
                        AOICELL** purified, long& purifiedCount, double k) {
  return Guarded([&] {
    if (!purified || (cellCount > 0 && !cells)) return RC_NULL_ARGUMENT;
    if (bandCount > 1024) return RC_TOO_MANY_BANDS;
    if (bandCount < 1 || classCount < 1 || cellCount < 0) return RC_BAD_WINDOW;
    return PurifyCells(cells, cellCount, bandCount, classCount, k, purified, purifiedCount);
  });
}
