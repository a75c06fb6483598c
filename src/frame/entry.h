#pragma once
// How calls enter the library. No exception crosses an export: a failed
// allocation becomes RC_OUT_OF_MEMORY, anything else RC_INTERNAL_ERROR.
#include <new>

#include "ztclass/result_codes.h"

namespace zt {

template <typename Body>
long Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return RC_OUT_OF_MEMORY;
  } catch (...) {
    return RC_INTERNAL_ERROR;
  }
}

// The module context that method exports make current for the duration of
// a call. This platform has a single context, so switching is a no-op; the
// guard keeps the place where a host with several would switch.
class ModuleContext {
 public:
  ModuleContext() = default;
  ModuleContext(const ModuleContext&) = delete;
  ModuleContext& operator=(const ModuleContext&) = delete;
};

// Entry of the method exports (classifiers, post-classification, accuracy,
// export): module context, then the implementation.
template <typename Body>
long Framed(Body&& body) noexcept {
  [[maybe_unused]] ModuleContext context;
  return Guarded(body);
}

}  // namespace zt
