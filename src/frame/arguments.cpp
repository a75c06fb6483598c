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
  return LiesInside(w, ztRSGetRasterYSize(source), ztRSGetRasterXSize(source)) ? RC_OK : RC_BAD_WINDOW;
}

}  // namespace zt
