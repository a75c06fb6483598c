#include "frame/band_scaling.h"

#include <algorithm>
#include <cstdio>

#include "frame/user_locale.h"
#include "ztservices/raster.h"

namespace zt {

namespace {
constexpr double kEightBitSpan = 255.0;
}  // namespace

BandScaling DivideBy255Scaling(long bandCount) {
  BandScaling s;
  s.kind = BandScalingKind::kDivideBy255;
  s.offset.assign(bandCount, 0.0);
  s.span.assign(bandCount, kEightBitSpan);
  return s;
}

BandScaling BandRange::Scaling() const {
  BandScaling s;
  s.kind = BandScalingKind::kTrainingRangeUnclamped;
  s.offset.assign(bandCount_, lo_);
  s.span.assign(bandCount_, hi_ > lo_ ? hi_ - lo_ : 1.0);
  return s;
}

std::string DescribeBandScaling(const BandScaling& scaling) {
  if (scaling.kind == BandScalingKind::kDivideBy255) return "value / 255 (8-bit image)";
  // Results and model files keep this text: its numbers read the same
  // whatever locale the host set.
  const CLocale numbers;
  const long n = scaling.BandCount();
  bool common = true;
  for (long b = 1; b < n; ++b)
    common = common && scaling.offset[b] == scaling.offset[0] && scaling.span[b] == scaling.span[0];
  std::string text =
      scaling.kind == BandScalingKind::kTrainingRange ? "training range to 0..1, clamped:" : "training range to 0..1:";
  char part[96];
  for (long b = 0; b < (common ? std::min(n, 1L) : n); ++b) {
    std::snprintf(part, sizeof part, "%s %s%.9g .. %.9g", b ? "," : "",
                  common ? "every band " : ("band " + std::to_string(b + 1) + " ").c_str(), scaling.offset[b],
                  scaling.offset[b] + scaling.span[b]);
    text += part;
  }
  return text;
}

void RecordBandScaling(void* result, const BandScaling& scaling) {
  if (scaling.kind == BandScalingKind::kDivideBy255) return;
  ztRSSetMetadataItem(result, kBandScalingItem, DescribeBandScaling(scaling).c_str());
}

}  // namespace zt
