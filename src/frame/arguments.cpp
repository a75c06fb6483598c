#include "frame/arguments.h"

#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

namespace zt {

long CheckCommonArguments(void* source, void* result, long bandCount, const Window& w) {
  if (!source || !result) return RC_NULL_ARGUMENT;
  return CheckSourceArguments(source, bandCount, w);
}

long CheckSourceArguments(void* source, long bandCount, const Window& w) {
  if (!source) return RC_NULL_ARGUMENT;
  if (bandCount > kMaxBands) return RC_TOO_MANY_BANDS;
  if (w.firstRow < 0 || w.firstColumn < 0 || w.rows < 0 || w.columns < 0) return RC_BAD_WINDOW;
  // Compared by subtraction: a sum of two huge values would overflow.
  if (w.firstRow > ztRSGetRasterYSize(source) - w.rows || w.firstColumn > ztRSGetRasterXSize(source) - w.columns)
    return RC_BAD_WINDOW;
  return RC_OK;
}

}  // namespace zt
