#pragma once
#include "frame/window.h"

namespace zt {

// Windows of more cells than this keep their class grid in a temporary file.
constexpr long kMaxInMemoryClassGrid = 45'000'000;

// ztClassClump with the in-memory limit as an argument, so that the file
// form can be exercised on small images.
long ClumpClasses(void* source, long sourceBand, void* result, long resultBand, const char* statisticsPath,
                  const Window& window, int neighbours, long maxInMemoryCells);

}  // namespace zt
