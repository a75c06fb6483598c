#include "statistical/class_colours.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "ztclass/classinfo.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

namespace zt {

namespace {

// The low 8 bits of trunc(v) in two's complement, for any finite v.
unsigned char LowByte(double v) {
  if (!std::isfinite(v)) return 0;
  double r = std::fmod(std::trunc(v), 256.0);
  if (r < 0) r += 256.0;
  return static_cast<unsigned char>(r);
}

// trunc(v) within 0..255; 0 when v is not finite (a band of one value).
long Level(double v) {
  if (!std::isfinite(v)) return 0;
  return static_cast<long>(std::clamp(std::trunc(v), 0.0, 255.0));
}

}  // namespace

std::vector<double> FinalTotals::Means() const {
  std::vector<double> means(sums_.size(), 0.0);
  for (size_t i = 0; i < counts_.size(); ++i)
    if (counts_[i] > 0)
      for (long b = 0; b < n_; ++b) means[i * n_ + b] = sums_[i * n_ + b] / counts_[i];
  return means;
}

std::vector<AOI> NamedRecords(long count) {
  std::vector<AOI> records(count, AOI{});
  for (long i = 0; i < count; ++i) std::snprintf(records[i].name, sizeof records[i].name, "Class_%ld", i + 1);
  return records;
}

long ColourComponent(void* band, ZTRSDataType type, const std::vector<double>& means, long n, long p,
                     const unsigned short* table, unsigned char AOI::*field, std::vector<AOI>& records) {
  const bool eightBit = type == ZTRS_Byte || type == ZTRS_Int8;
  double lo = 0, hi = 255;
  // Sampled statistics miss the extremes that lie outside the blocks or
  // overview GDAL samples, so the colours would follow the file's tiling.
  if (!eightBit)
    if (long rc = ztRSGetRasterStatistics(band, 0, 1, &lo, &hi, nullptr, nullptr)) return rc;
  for (size_t i = 0; i < records.size(); ++i) {
    const double m = i * n + p < means.size() ? means[i * n + p] : 0.0;
    // A mean beyond the band's range (a class without pixels has mean 0)
    // takes the nearer end; its low 8 bits would turn the brightest dark.
    const double level = eightBit ? m : Level((m - lo) * 255.0 / (hi - lo));
    records[i].*field = table ? static_cast<unsigned char>(table[Level(level)] & 0xFF) : LowByte(level);
  }
  return RC_OK;
}

long ClassColours(const ClassificationPass& pass, const long* displayBands, const std::vector<double>& means,
                  std::vector<AOI>& records) {
  for (int c = 0; c < 3; ++c) {
    const long p = displayBands[c] - 1;
    if (long rc = ColourComponent(pass.Bands()[p], pass.SourceType(), means, pass.BandCount(), p, nullptr,
                                  kColourFields[c], records))
      return rc;
  }
  return RC_OK;
}

long WriteFinalClassAtt(const ClassificationPass& pass, const long* displayBands, long count,
                        const FinalTotals& totals) {
  std::vector<AOI> records = NamedRecords(count);
  if (displayBands)
    if (long rc = ClassColours(pass, displayBands, totals.Means(), records)) return rc;
  return ztRSWriteClassAtt(pass.Result(), pass.ResultBand(), count, displayBands ? records.data() : nullptr);
}

}  // namespace zt
