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
  if (w.firstRow < 0 || w.firstColumn < 0) return RC_BAD_WINDOW;
  if (w.firstRow + w.rows > ztRSGetRasterYSize(source) ||
      w.firstColumn + w.columns > ztRSGetRasterXSize(source))
    return RC_BAD_WINDOW;
  if (w.rows < 0 || w.columns < 0) return RC_BAD_WINDOW;
  return RC_OK;
}

}  // namespace zt
