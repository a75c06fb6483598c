#pragma once
#include "frame/window.h"

namespace zt {

constexpr long kMaxBands = 1024;

// The argument check all pixel classifiers share, first failure decides:
// null source or result, more than 1024 bands, a window that starts before
// or ends after the source. Negative row or column counts are refused too
// (RC_BAD_WINDOW): a window cannot be smaller than empty.
long CheckCommonArguments(void* source, void* result, long bandCount, const Window& window);
// The same without a result, for training.
long CheckSourceArguments(void* source, long bandCount, const Window& window);

}  // namespace zt
