// Typed value buffers and their conversion to and from double.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

namespace {

// Every value of every block a classifier reads comes through here: in
// vector lanes.
template <typename T>
void ToDoubles(const void* buffer, long count, double* values) {
  const auto* in = static_cast<const T*>(buffer);
#pragma omp simd
  for (long i = 0; i < count; ++i) values[i] = static_cast<double>(in[i]);
}

// Truncation toward zero, saturated at T's range; NaN becomes 0.
template <typename T>
T Saturate(double v) {
  if constexpr (std::is_floating_point_v<T>) {
    if (std::isnan(v)) return T(0);
    if constexpr (sizeof(T) == sizeof(float)) {
      constexpr double hi = std::numeric_limits<float>::max();
      if (v > hi) return std::numeric_limits<float>::max();
      if (v < -hi) return -std::numeric_limits<float>::max();
    }
    return static_cast<T>(v);
  } else {
    if (std::isnan(v)) return T(0);
    constexpr double lo = static_cast<double>(std::numeric_limits<T>::min());
    constexpr double hi = static_cast<double>(std::numeric_limits<T>::max());
    if (v <= lo) return std::numeric_limits<T>::min();
    if (v >= hi) return std::numeric_limits<T>::max();
    return static_cast<T>(v);
  }
}

template <typename T>
void FromDoubles(const double* values, void* buffer, long count) {
  auto* out = static_cast<T*>(buffer);
  for (long i = 0; i < count; ++i) out[i] = Saturate<T>(values[i]);
}

template <template <typename> class Op, typename... Args>
long Dispatch(ZTRSDataType type, Args&&... args) {
  switch (type) {
    case ZTRS_Byte: Op<uint8_t>::Run(args...); return 0;
    case ZTRS_Int8: Op<int8_t>::Run(args...); return 0;
    case ZTRS_UInt16: Op<uint16_t>::Run(args...); return 0;
    case ZTRS_Int16: Op<int16_t>::Run(args...); return 0;
    case ZTRS_UInt32: Op<uint32_t>::Run(args...); return 0;
    case ZTRS_Int32: Op<int32_t>::Run(args...); return 0;
    case ZTRS_Float32: Op<float>::Run(args...); return 0;
    case ZTRS_Float64: Op<double>::Run(args...); return 0;
    default: return RC_NULL_ARGUMENT;
  }
}

template <typename T>
struct ToDoublesOp {
  static void Run(const void* buffer, long count, double* values) {
    ToDoubles<T>(buffer, count, values);
  }
};

template <typename T>
struct FromDoublesOp {
  static void Run(const double* values, void* buffer, long count) {
    FromDoubles<T>(values, buffer, count);
  }
};

}  // namespace

long ztRSSizeOfType(ZTRSDataType type) {
  switch (type) {
    case ZTRS_Byte:
    case ZTRS_Int8: return 1;
    case ZTRS_UInt16:
    case ZTRS_Int16: return 2;
    case ZTRS_UInt32:
    case ZTRS_Int32:
    case ZTRS_Float32: return 4;
    case ZTRS_Float64: return 8;
    default: return 0;
  }
}

long ztRSNewValueData(ZTRSDataType type, void** buffer, long count) {
  if (!buffer) return RC_NULL_ARGUMENT;
  *buffer = nullptr;
  long size = ztRSSizeOfType(type);
  if (size == 0) return RC_UNSUPPORTED_PIXEL_TYPE;
  if (count < 0) return RC_BAD_WINDOW;
  *buffer = std::calloc(count > 0 ? count : 1, size);
  return *buffer ? 0 : RC_OUT_OF_MEMORY;
}

void ztRSDelValueData(void* buffer) { std::free(buffer); }

long ztRSConvNValues(ZTRSDataType type, const void* buffer, long count, double* values) {
  if (!buffer || !values) return RC_NULL_ARGUMENT;
  return Dispatch<ToDoublesOp>(type, buffer, count, values);
}

long ztConvNDValues(const double* values, ZTRSDataType type, void* buffer, long count) {
  if (!buffer || !values) return RC_NULL_ARGUMENT;
  return Dispatch<FromDoublesOp>(type, values, buffer, count);
}

long ztRSConvValue(ZTRSDataType type, const void* buffer, double& value) {
  return ztRSConvNValues(type, buffer, 1, &value);
}
