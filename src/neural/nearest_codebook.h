#pragma once
// The decision of the LVQ2 and Kohonen models: the class of the nearest of
// their codebook vectors ("codebook", one row per class), the earlier one on
// equal distances; the score is the Euclidean distance to it.
#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "frame/avx2_build.h"
#include "frame/classification_pass.h"
#include "frame/nearest_class.h"
#include "model/model.h"
#include "neural/network_model.h"

namespace zt {

class NearestCodebook {
 public:
  explicit NearestCodebook(const Model& m)
      : codebook_(m.At("codebook").values.data()), count_(m.At("codebook").shape[0]), n_(m.At("codebook").shape[1]) {}

  long Decide(const double* x, double* score) const {
    double best = 0.0;
    const size_t nearest = NearestClass(static_cast<size_t>(count_), [&](size_t j) {
      const double* w = codebook_ + j * n_;
      double d = 0.0;
      for (long i = 0; i < n_; ++i) d += (x[i] - w[i]) * (x[i] - w[i]);
      return d;
    });
    const double* w = codebook_ + nearest * n_;
    for (long i = 0; i < n_; ++i) best += (x[i] - w[i]) * (x[i] - w[i]);
    *score = std::sqrt(best);
    return static_cast<long>(nearest) + 1;
  }

  // Decide for each of count pixels, x[band * kRunPixels + pixel] its
  // scaled values: every pixel's distances summed band by band as Decide
  // sums them and compared in the same order, the pixels side by side in
  // vector lanes.
  ZT_AVX2_BUILD void DecideRun(const double* x, long count, double* classes) const {
    double best[kRunPixels], distance[kRunPixels];
    std::fill(best, best + count, std::numeric_limits<double>::infinity());
    std::fill(classes, classes + count, 1.0);
    for (long j = 0; j < count_; ++j) {
      const double* w = codebook_ + j * n_;
      std::fill(distance, distance + count, 0.0);
      for (long b = 0; b < n_; ++b) {
        const double wb = w[b];
        const double* xb = x + b * kRunPixels;
#pragma omp simd
        for (long p = 0; p < count; ++p) distance[p] += (xb[p] - wb) * (xb[p] - wb);
      }
      TakeBetterRun(distance, static_cast<double>(j + 1), count, std::less<double>(), best, classes);
    }
  }

 private:
  const double* codebook_;
  long count_, n_;
};

// One codebook vector per class, of the band count.
inline std::string CheckCodebook(const Model& m) {
  if (std::string reason = FirstReason({CheckScaling(m), ExpectShape(m, "codebook", {m.highestClass, m.BandCount()})});
      !reason.empty())
    return reason;
  return m.numbers.size() == 1 ? "" : "the model holds numbers besides its codebook";
}

}  // namespace zt
