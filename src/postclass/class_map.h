#pragma once
// A class map read into regions: the pixel types its values are read in and
// their conversion into class values. Shared by clump and by sieve and
// eliminate straight from a class map.
#include <cstdint>
#include <type_traits>

#include "postclass/band_rows.h"
#include "postclass/regions.h"

namespace zt {

// The pixel type a band is read in: one that holds its values exactly.
// Signed bytes are read as they are stored and taken as signed below.
template <typename Visit>
long WithPixelType(ZTRSDataType type, Visit&& visit) {
  switch (type) {
    case ZTRS_Byte:
    case ZTRS_Int8:
      return visit(std::uint8_t{});
    case ZTRS_UInt16:
    case ZTRS_UInt32:
      return visit(std::uint32_t{});
    case ZTRS_Int16:
    case ZTRS_Int32:
      return visit(std::int32_t{});
    default:
      return visit(double{});
  }
}

// Class values, truncated; ReadBandOnce has checked that they fit.
template <typename T>
void ToClasses(const T* values, long count, bool signedBytes, std::int32_t* classes) {
  for (long j = 0; j < count; ++j) {
    if constexpr (std::is_same_v<T, std::uint8_t>)
      classes[j] = signedBytes ? static_cast<std::int8_t>(values[j]) : values[j];
    else
      classes[j] = static_cast<std::int32_t>(values[j]);
  }
}

// The window's class values, read in T, labelled into regions; the class
// count of the whole band.
template <typename T, typename Label>
long ReadClassMap(const PostClassJob& job, Regions<Label, std::int32_t>& regions, long& classCount) {
  const bool signedBytes = job.SourceType() == ZTRS_Int8;
  const long columns = job.GetWindow().columns;
  BandOnce<T> band(job);
  if (long rc = regions.LabelRows([&](long, std::int32_t* classes) {
        const T* values = nullptr;
        if (long rc = band.Next(values)) return rc;
        ToClasses(values, columns, signedBytes, classes);
        return RC_OK;
      }))
    return rc;
  return band.Finish(classCount);
}

}  // namespace zt
