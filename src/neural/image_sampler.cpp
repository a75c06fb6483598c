#include "neural/image_sampler.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "frame/captions.h"
#include "frame/classification_pass.h"
#include "frame/progress_session.h"
#include "neural/free_storage.h"
#include "services/value_buffer.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

namespace zt {

namespace {
constexpr int kSamplingCaption = 19;
constexpr long kPieceColumns = 4096;
}  // namespace

long PatternArray::Allocate(const Window& window, long interval, long bandCount) {
  Release();
  if (window.rows < 1 || window.columns < 1) return RC_OK;
  const size_t rows = static_cast<size_t>((window.rows - 1) / interval + 1);
  const size_t columns = static_cast<size_t>((window.columns - 1) / interval + 1);
  const size_t count = rows * columns;
  try {
    values_.resize(count * static_cast<size_t>(bandCount));
    pointers_.resize(count);
  } catch (const std::bad_alloc&) {
    Release();
    return RC_OUT_OF_MEMORY;
  }
  for (size_t i = 0; i < count; ++i) pointers_[i] = values_.data() + i * static_cast<size_t>(bandCount);
  return RC_OK;
}

void PatternArray::Release() {
  FreeStorage(values_);
  FreeStorage(pointers_);
}

long SampleImage(void** bandHandles, long bandCount, long interval, const NoDataRule& noData, long rowCount,
                 long columnCount, long firstRow, long firstColumn, double** patterns, long* patternCount) {
  *patternCount = 0;
  SetRange(0, rowCount / interval);
  SetStep(1);
  SetSubProgressNameById(kSamplingCaption);

  // Each sampled row is read a piece at a time, a whole number of intervals
  // long (one pixel per sample where an interval is longer than a piece),
  // so that the buffers stay small whatever the window's width.
  const long step = interval >= kPieceColumns ? interval : interval * (kPieceColumns / interval);
  const long width = std::max(1L, std::min(columnCount, interval >= kPieceColumns ? 1L : step));
  const ZTRSDataType type = BandsReadType(bandHandles, bandCount);
  ValueBuffer typedRow;
  if (long rc = typedRow.Allocate(type, width)) return rc;
  std::vector<std::vector<double>> rows;
  try {
    rows.assign(bandCount, std::vector<double>(width));
  } catch (const std::bad_alloc&) {
    return RC_OUT_OF_MEMORY;
  }

  for (long i = 0; i < rowCount; i += interval) {
    if (StepAndCheckStop()) return RC_CANCELLED;
    for (long piece = 0; piece < columnCount; piece += step) {
      const long span = std::min(width, columnCount - piece);
      for (long b = 0; b < bandCount; ++b) {
        if (long rc = ztRSRasterIO(bandHandles[b], ZTRS_Read, firstColumn + piece, firstRow + i, span, 1,
                                   typedRow.Data(), span, 1, type, 0, 0))
          return rc;
        ztRSConvNValues(type, typedRow.Data(), span, rows[b].data());
      }
      for (long j = 0; j < span; j += interval) {
        if (TeachesNothing(noData, bandCount, [&](long b) { return rows[b][j]; })) continue;
        double* pattern = patterns[*patternCount];
        for (long b = 0; b < bandCount; ++b) pattern[b] = rows[b][j];
        ++*patternCount;
      }
    }
  }
  return RC_OK;
}

}  // namespace zt
