#pragma once
// The scaling that brings band values into the unit range the networks are
// built for (logistic units, complement coding, codebook distances), shared
// by their training and their classification pass so both see the same
// numbers.
//
// Byte images: value / 255, the arithmetic these methods have always used,
// so their results stay as they were.
// Every other type (Int8, UInt16, Int16, the 32-bit integers, Float32,
// Float64): the same rule with the training data's own top in place of 255;
// signed bytes divided by 255 would give negative inputs. The
// values the method trains on (the gathered class samples of a supervised
// network, the sampled patterns of an unsupervised one) give the lowest
// value lo and the highest hi over all bands; every band maps
// min(0, lo)..hi to 0..1, and values beyond scale on past it in proportion,
// as they do on a Byte image (a method that needs 0..1, Fuzzy ART, clamps
// them itself).
// One span for all bands, anchored at 0, keeps the spectral shape the
// methods were built on (ART compares directions, Fuzzy ART needs [0, 1],
// the distance thresholds of Kohonen and LVQ2 assume an 8-bit scene's
// spread), so a 12-bit sensor's digital numbers in a 16-bit container and
// surface reflectance in 0..1 scale as their 8-bit rendering does: a
// training set reaching 255 in the 8-bit form gives the 8-bit values. The
// same scene stored as UInt16 x 100 or as Float32 / 255 gives the same
// scaled values, and the scaling depends on the training data alone, never
// on the processing window of the classification. Training values that are
// all 0 keep a span of 1.
//
// Stored form: a kind and, per band, an offset and a span; the scaled value
// is (value - offset) / span; kTrainingRange, the kind of the models saved
// when every network clamped, also clamps it to [0, 1], so that those
// models classify as they did. Missing and no-data values are never scaled:
// the callers leave those pixels out first.
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "frame/missing_value.h"
#include "ztclass/datatype.h"

namespace zt {

enum class BandScalingKind : int {
  kDivideBy255 = 1,             // offset 0, span 255, not clamped
  kTrainingRange = 2,           // offset and span from the training values, clamped
  kTrainingRangeUnclamped = 3,  // offset and span from the training values
};

struct BandScaling {
  BandScalingKind kind = BandScalingKind::kDivideBy255;
  std::vector<double> offset;  // per band
  std::vector<double> span;    // per band, positive

  long BandCount() const { return static_cast<long>(offset.size()); }

  // The scaled value of band b. For kDivideBy255, (v - 0) / 255 is exactly
  // v / 255.
  double Apply(long b, double v) const {
    const double x = (v - offset[b]) / span[b];
    return kind == BandScalingKind::kTrainingRange ? std::clamp(x, 0.0, 1.0) : x;
  }

  // out[b] for every band of a pixel whose value of band b is in[b]
  // (anything indexable: a pointer, the pass's PixelValues).
  template <typename Values>
  void Apply(const Values& in, double* out) const {
    for (long b = 0; b < BandCount(); ++b) out[b] = Apply(b, in[b]);
  }

  // Scales a pixel's values where they are.
  void ApplyInPlace(double* values) const { Apply(values, values); }

  // out[i] = Apply(b, in[i]) for count values of band b, the kind decided
  // once for the run, so that the loop runs in vector lanes.
  void ApplyRun(long b, const double* in, long count, double* out) const {
    const double o = offset[b], s = span[b];
    if (kind == BandScalingKind::kTrainingRange) {
#pragma omp simd
      for (long i = 0; i < count; ++i) out[i] = std::clamp((in[i] - o) / s, 0.0, 1.0);
    } else {
#pragma omp simd
      for (long i = 0; i < count; ++i) out[i] = (in[i] - o) / s;
    }
  }
};

// Value / 255 for every one of bandCount bands.
BandScaling DivideBy255Scaling(long bandCount);

// The lowest and highest of training values over all bands, missing values
// left out.
class BandRange {
 public:
  explicit BandRange(long bandCount) : bandCount_(bandCount) {}
  void Add(const double* values) {
    for (long b = 0; b < bandCount_; ++b) {
      if (IsMissingValue(values[b])) continue;
      lo_ = std::min(lo_, values[b]);
      hi_ = std::max(hi_, values[b]);
    }
  }
  // The training-range scaling of what was added.
  BandScaling Scaling() const;

 private:
  long bandCount_;
  double lo_ = 0.0;  // the range always holds 0
  double hi_ = -std::numeric_limits<double>::infinity();
};

// Whether images of this type keep value / 255. A model stores its
// scaling, so one trained on Int8 before keeps applying value / 255.
inline bool IsEightBit(ZTRSDataType type) { return type == ZTRS_Byte; }

// The scaling of the networks for training values of an image of type:
// count sets of bandCount values, valuesOf(i) giving the i-th.
template <typename ValuesOf>
BandScaling DeriveBandScaling(ZTRSDataType type, long bandCount, long count, ValuesOf&& valuesOf) {
  if (IsEightBit(type)) return DivideBy255Scaling(bandCount);
  BandRange range(bandCount);
  for (long i = 0; i < count; ++i) range.Add(valuesOf(i));
  return range.Scaling();
}

// One line for people: how values are scaled, with the values that map to
// 0 and 1.
std::string DescribeBandScaling(const BandScaling& scaling);

// The metadata item of a result that tells how the values were scaled; the
// results of Byte images, scaled as they always were, get none.
constexpr const char* kBandScalingItem = "ZTCLASS_BAND_SCALING";
void RecordBandScaling(void* result, const BandScaling& scaling);

}  // namespace zt
