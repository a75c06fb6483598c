#include <algorithm>
#include <vector>

#include "ztclass/result_codes.h"
#include "ztservices/adapter.h"
#include "ztservices/raster.h"

namespace {

// Columns of a row that the row cache holds per band: a piece of the row
// around the pixel asked for, so that the cache stays small whatever the
// image's width and band count.
constexpr long kCachedColumns = 4096;

struct Reader {
  void* dataset = nullptr;
  bool rowCache = false;
  long columns = 0, rows = 0, bands = 0;
  std::vector<long> cachedRow;              // per band, -1 when none
  std::vector<long> cachedColumn;           // per band, the first column cached
  std::vector<std::vector<double>> values;  // per band, the cached piece of the row
  std::vector<unsigned char> typed;         // one piece in the widest type
};

Reader* AsReader(void* handle) { return static_cast<Reader*>(handle); }

// Reads columns [x, x + width) of row y of band into out, as the raster
// dataset service gives them. Each band is read in its own type, whatever
// band 1's: a UInt16 band behind a Byte band keeps its values above 255.
bool ReadSpan(Reader& r, long band, long y, long x, long width, double* out) {
  void* handle = ztRSGetRasterBand(r.dataset, band);
  if (!handle) return false;
  const ZTRSDataType type = ztRSGetBandType(handle);
  if (ztRSRasterIO(handle, ZTRS_Read, x, y, width, 1, r.typed.data(), width, 1, type, 0, 0) != 0) return false;
  return ztRSConvNValues(type, r.typed.data(), width, out) == 0;
}

}  // namespace

void* ztRAOpenReader(void* dataset, long mode) {
  if (!dataset || mode != 0) return nullptr;
  auto* r = new Reader;
  r->dataset = dataset;
  r->columns = ztRSGetRasterXSize(dataset);
  r->rows = ztRSGetRasterYSize(dataset);
  r->bands = ztRSGetRasterCount(dataset);
  r->typed.resize(static_cast<size_t>(ztRSSizeOfType(ZTRS_Float64)) * std::min(r->columns, kCachedColumns));
  r->cachedRow.assign(r->bands, -1);
  r->cachedColumn.assign(r->bands, 0);
  r->values.resize(r->bands);
  return r;
}

long ztRASetReaderOption(void* reader, long option) {
  Reader* r = AsReader(reader);
  if (!r || option != kZtRAOptionRowCache) return RC_NULL_ARGUMENT;
  r->rowCache = true;
  return RC_OK;
}

long ztRAReadValue(void* reader, long band, long row, long column, double* value, long) {
  Reader* r = AsReader(reader);
  if (!r || !value || !r->dataset) return RC_NULL_ARGUMENT;
  if (band < 1 || band > r->bands || row < 0 || row >= r->rows || column < 0 || column >= r->columns)
    return RC_BAD_WINDOW;
  if (!r->rowCache) return ReadSpan(*r, band, row, column, 1, value) ? RC_OK : ZTRS_ERR_IO;
  std::vector<double>& cached = r->values[band - 1];
  const long first = column / kCachedColumns * kCachedColumns;
  if (r->cachedRow[band - 1] != row || r->cachedColumn[band - 1] != first) {
    const long width = std::min(kCachedColumns, r->columns - first);
    cached.resize(width);
    r->cachedRow[band - 1] = -1;
    if (!ReadSpan(*r, band, row, first, width, cached.data())) return ZTRS_ERR_IO;
    r->cachedRow[band - 1] = row;
    r->cachedColumn[band - 1] = first;
  }
  *value = cached[column - first];
  return RC_OK;
}

long ztRAReleaseCache(void* reader) {
  Reader* r = AsReader(reader);
  if (!r) return RC_OK;
  r->cachedRow.assign(r->cachedRow.size(), -1);
  for (auto& row : r->values) std::vector<double>().swap(row);
  return RC_OK;
}

long ztRACloseReader(void* reader) {
  if (Reader* r = AsReader(reader)) r->dataset = nullptr;
  return RC_OK;
}

long ztRAFreeReader(void* reader) {
  delete AsReader(reader);
  return RC_OK;
}
