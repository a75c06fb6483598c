#include "ztservices/enhance.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

namespace {

constexpr int kLevels = 256;
using Histogram = std::array<double, kLevels>;

unsigned short Level(double v) {
  if (!(v > 0)) return 0;
  return static_cast<unsigned short>(std::min(std::round(v), 255.0));
}

void Identity(unsigned short* table) {
  for (int t = 0; t < kLevels; ++t) table[t] = static_cast<unsigned short>(t);
}

// The band's pixels counted by input level (see the header).
long LevelHistogram(void* dataset, long bandNumber, Histogram& h, double& total) {
  void* band = ztRSGetRasterBand(dataset, bandNumber);
  if (!band) return RC_NULL_ARGUMENT;
  const ZTRSDataType type = ztRSGetDatasetType(dataset);
  double lo = 0, hi = 255;
  // Every pixel counts: GDAL's sampled range and histogram come from an
  // overview or every n-th block, so the tables would follow the file's
  // tiling and overviews rather than its pixels.
  if (type != ZTRS_Byte && type != ZTRS_Int8)
    if (long rc = ztRSGetRasterStatistics(band, 0, 1, &lo, &hi, nullptr, nullptr)) return rc;
  // Level t holds [lo + t*w, lo + (t+1)*w): the truncation of
  // (v - lo) * 255 / (hi - lo); only v = hi reaches level 255.
  const double w = hi > lo ? (hi - lo) / 255.0 : 1.0;
  unsigned long long counts[kLevels] = {};
  if (long rc = ztRSGetRasterHistogram(band, lo, lo + kLevels * w, kLevels, counts, 1, 0)) return rc;
  total = 0;
  for (int t = 0; t < kLevels; ++t) total += h[t] = static_cast<double>(counts[t]);
  return RC_OK;
}

enum class Curve { Linear, Root, Square, Invert };

long ClippedStretch(void* dataset, long band, unsigned short* table, double minimum, double maximum,
                    float lowClip, float highClip, Curve curve) {
  if (!dataset || !table) return RC_NULL_ARGUMENT;
  Histogram h;
  double total = 0;
  if (long rc = LevelHistogram(dataset, band, h, total)) return rc;
  if (total == 0) {
    Identity(table);
    return RC_OK;
  }
  double a = 0, b = 255, cumulative = 0;
  bool haveA = false, haveB = false;
  for (int t = 0; t < kLevels; ++t) {
    cumulative += h[t];
    if (!haveA && cumulative >= lowClip * total) a = t, haveA = true;
    if (!haveB && cumulative >= highClip * total) b = t, haveB = true;
  }
  if (minimum >= 0) a = minimum;
  if (maximum >= 0) b = maximum;
  for (int t = 0; t < kLevels; ++t) {
    double u = b > a ? (t - a) / (b - a) : (t <= a ? 0.0 : 1.0);
    u = std::clamp(u, 0.0, 1.0);
    switch (curve) {
      case Curve::Linear: table[t] = Level(255 * u); break;
      case Curve::Root: table[t] = Level(255 * std::sqrt(u)); break;
      case Curve::Square: table[t] = Level(255 * u * u); break;
      case Curve::Invert: table[t] = static_cast<unsigned short>(255 - Level(255 * u)); break;
    }
  }
  return RC_OK;
}

void EqualizeTable(const Histogram& h, double total, unsigned short* table) {
  double cumulative = 0;
  for (int t = 0; t < kLevels; ++t) {
    cumulative += h[t];
    table[t] = Level(255 * cumulative / total);
  }
}

}  // namespace

long ztComImgNoneALayer(void* dataset, long band, unsigned short* table) {
  if (!dataset || !table) return RC_NULL_ARGUMENT;
  if (!ztRSGetRasterBand(dataset, band)) return RC_NULL_ARGUMENT;
  Identity(table);
  return RC_OK;
}

long ztComImgEqualizeALayer(void* dataset, long band, unsigned short* table, void*) {
  if (!dataset || !table) return RC_NULL_ARGUMENT;
  Histogram h;
  double total = 0;
  if (long rc = LevelHistogram(dataset, band, h, total)) return rc;
  if (total == 0) Identity(table);
  else EqualizeTable(h, total, table);
  return RC_OK;
}

long ztComImgAdaptiveALayer(void* dataset, long band, unsigned short* table, void*) {
  if (!dataset || !table) return RC_NULL_ARGUMENT;
  Histogram h;
  double total = 0;
  if (long rc = LevelHistogram(dataset, band, h, total)) return rc;
  if (total == 0) {
    Identity(table);
    return RC_OK;
  }
  const double limit = 2 * total / kLevels;
  double excess = 0;
  for (double& count : h)
    if (count > limit) excess += count - limit, count = limit;
  for (double& count : h) count += excess / kLevels;
  EqualizeTable(h, total, table);
  return RC_OK;
}

long ztComImgNormalizeALayer(void* dataset, long band, unsigned short* table, double factor, void*) {
  if (!dataset || !table) return RC_NULL_ARGUMENT;
  Histogram h;
  double total = 0;
  if (long rc = LevelHistogram(dataset, band, h, total)) return rc;
  double sum = 0, squares = 0;
  for (int t = 0; t < kLevels; ++t) sum += h[t] * t, squares += h[t] * t * t;
  const double mean = total > 0 ? sum / total : 0;
  const double deviation = total > 0 ? std::sqrt(std::max(squares / total - mean * mean, 0.0)) : 0;
  if (deviation == 0 || factor <= 0) {
    Identity(table);
    return RC_OK;
  }
  const double low = mean - factor * deviation, width = 2 * factor * deviation;
  for (int t = 0; t < kLevels; ++t) table[t] = Level(255 * (t - low) / width);
  return RC_OK;
}

long ztComImgRootALayer(void* dataset, long band, unsigned short* table, double minimum, double maximum,
                        float lowClip, float highClip, void*) {
  return ClippedStretch(dataset, band, table, minimum, maximum, lowClip, highClip, Curve::Root);
}

long ztComImgSquareALayer(void* dataset, long band, unsigned short* table, double minimum, double maximum,
                          float lowClip, float highClip, void*) {
  return ClippedStretch(dataset, band, table, minimum, maximum, lowClip, highClip, Curve::Square);
}

long ztComImgLinearALayer(void* dataset, long band, unsigned short* table, double minimum, double maximum,
                          float lowClip, float highClip, void*) {
  return ClippedStretch(dataset, band, table, minimum, maximum, lowClip, highClip, Curve::Linear);
}

long ztComImgInvertALayer(void* dataset, long band, unsigned short* table, double minimum, double maximum,
                          float lowClip, float highClip, void*) {
  return ClippedStretch(dataset, band, table, minimum, maximum, lowClip, highClip, Curve::Invert);
}
