#pragma once
#include "frame/window.h"

namespace zt {

// Windows of at most this many cells always keep their clump labelling in
// memory; larger ones do when the machine's memory allows.
constexpr long kMaxInMemoryClassGrid = 45'000'000;
// The cells that the machine's memory lets a clump labelling hold.
long InMemoryClassGridLimit();

// ztClassClump with the in-memory limit as an argument, so that the file
// form can be exercised on small images.
long ClumpClasses(void* source, long sourceBand, void* result, long resultBand, const char* statisticsPath,
                  const Window& window, int neighbours, long maxInMemoryCells);

}  // namespace zt
