// Recoding of an edited class image into another.
#include <algorithm>
#include <vector>

#include "frame/entry.h"
#include "services/pyramid_layer.h"
#include "services/value_buffer.h"
#include "ztclass/classinfo.h"
#include "ztservices/raster.h"

using namespace zt;

namespace {

// The most bytes of result rows held at once.
constexpr long kBatchBytes = 16L << 20;

}  // namespace

long ztSaveEditedCls2Zti(void* source, unsigned char* oldValues, void* result,
                         unsigned char* newValues, long count) {
  return Guarded([&]() -> long {
    if (!source || !result || (count > 0 && (!oldValues || !newValues))) return RC_NULL_ARGUMENT;
    PyramidLayer sourceLayer(source), resultLayer(result);
    void* sourceBand = ztRSGetRasterBand(source, 1);
    void* resultBand = ztRSGetRasterBand(result, 1);
    if (!sourceBand || !resultBand) return RC_NULL_ARGUMENT;
    if (count <= 0) return RC_OK;

    // The first listed replacement of each value, looked up per pixel
    // in one step instead of a scan of the list.
    int replacement[256];
    std::fill(std::begin(replacement), std::end(replacement), -1);
    for (long i = count - 1; i >= 0; --i) replacement[oldValues[i]] = newValues[i];

    const long rows = std::min(ztRSGetRasterYSize(result), ztRSGetRasterYSize(source));
    const long columns = std::min(ztRSGetRasterXSize(result), ztRSGetRasterXSize(source));
    const ZTRSDataType sourceType = ztRSGetDatasetType(source);
    const ZTRSDataType resultType = ztRSGetDatasetType(result);
    const long resultSize = ztRSSizeOfType(resultType);
    // The result is changed a block row at a time: read once, changed in
    // memory, written back whole and written out to its file before the next
    // is read (ztRSFlushCache), so that each of its blocks is decoded and
    // compressed once, whatever GDAL's threads.
    long blockColumns = 0, blockRows = 0;
    if (ztRSGetBlockSize(resultBand, &blockColumns, &blockRows) != 0 || blockRows < 1) blockRows = 1;
    const long height = std::clamp(kBatchBytes / std::max(1L, columns * resultSize), 1L, blockRows);
    ValueBuffer sourceRow, resultRows;
    if (long rc = sourceRow.Allocate(sourceType, columns)) return rc;
    if (long rc = resultRows.Allocate(resultType, columns * height)) return rc;
    std::vector<double> in(columns);
    for (long first = 0; first < rows; first += height) {
      const long count = std::min(height, rows - first);
      bool loaded = false;
      for (long i = 0; i < count; ++i) {
        if (long rc = ztRSRasterIO(sourceBand, ZTRS_Read, 0, first + i, columns, 1, sourceRow.Data(), columns, 1,
                                   sourceType, 0, 0))
          return rc;
        ztRSConvNValues(sourceType, sourceRow.Data(), columns, in.data());
        char* row = static_cast<char*>(resultRows.Data()) + i * columns * resultSize;
        for (long c = 0; c < columns; ++c) {
          const double v = in[c];
          // Only whole values 0..255 can equal an entry of the list.
          if (!(v >= 0 && v <= 255 && v == static_cast<int>(v))) continue;
          const int to = replacement[static_cast<int>(v)];
          if (to < 0) continue;
          // Untouched result pixels keep their stored bits, so the rows are
          // read only once something changes in them.
          if (!loaded) {
            if (long rc = ztRSFlushCache(result)) return rc;
            if (long rc = ztRSRasterIO(resultBand, ZTRS_Read, 0, first, columns, count, resultRows.Data(), columns,
                                       count, resultType, 0, 0))
              return rc;
            loaded = true;
          }
          const double value = to;
          ztConvNDValues(&value, resultType, row + c * resultSize, 1);
        }
      }
      if (!loaded) continue;
      if (long rc = ztRSRasterIO(resultBand, ZTRS_Write, 0, first, columns, count, resultRows.Data(), columns, count,
                                 resultType, 0, 0))
        return rc;
    }
    return RC_OK;
  });
}
