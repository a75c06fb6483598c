#pragma once
// Nearest class mean by squared Euclidean distance, for one pixel and for a
// run of pixels at a time. Both sum a distance in one fixed order, so that
// the run form gives every pixel the class the single form would, ties
// included.
#include <array>
#include <cstddef>
#include <limits>
#include <vector>

#include "frame/classification_pass.h"
#include "frame/nearest_class.h"
#include "frame/pixel_pair.h"

namespace zt {

// The squared Euclidean distance of x to mean (x(b) gives band b: a double,
// or a PixelPair), summed as two running sums, one over the even bands and
// one over the odd bands of the leading pairs, added at the end after the
// last band of an odd count joins the even sum. Distances decide ties, so
// this order is part of every nearest-mean map: it is the order these
// classifiers have always summed in.
template <typename Value, typename Band>
inline Value PairedSquaredDistance(const double* mean, long n, Band&& x) {
  const long pairs = n - n % 2;
  Value even{}, odd{};
  for (long b = 0; b < pairs; b += 2) {
    const Value e = mean[b] - x(b), o = mean[b + 1] - x(b + 1);
    even += e * e;
    odd += o * o;
  }
  if (n % 2) {
    const Value t = mean[n - 1] - x(n - 1);
    even = t * t + even;
  }
  return even + odd;
}

// The index of the nearest of count means (n values each, contiguous) to x;
// on equal distances the earlier one.
inline size_t NearestMean(const double* means, size_t count, const double* x, long n) {
  return NearestClass(count, [&](size_t j) {
    return PairedSquaredDistance<double>(means + j * n, n, [x](long b) { return x[b]; });
  });
}

// NearestMean for a run of pixels of band buffers, two at a time.
class NearestMeans {
 public:
  // Winners()[i], i < count <= kRunPixels, for the pixels first + i of
  // bands[b].
  void Find(const double* means, size_t classCount, long n, const double* const* bands, long first, long count) {
    long i = 0;
    for (; i + 1 < count; i += 2) {
      PixelPair best = {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
      PixelPair winner = {0.0, 0.0};
      for (size_t j = 0; j < classCount; ++j) {
        const PixelPair d = PairedSquaredDistance<PixelPair>(
            means + j * n, n, [&](long b) { return LoadPair(bands[b] + first + i); });
        const auto nearer = d < best;
        best = nearer ? d : best;
        winner = nearer ? static_cast<double>(j) : winner;
      }
      winner_[i] = static_cast<size_t>(winner[0]);
      winner_[i + 1] = static_cast<size_t>(winner[1]);
    }
    if (i < count)
      winner_[i] = NearestClass(classCount, [&](size_t j) {
        return PairedSquaredDistance<double>(means + j * n, n, [&](long b) { return bands[b][first + i]; });
      });
  }
  // The index of the nearest mean of each pixel of the run.
  const size_t* Winners() const { return winner_.data(); }

 private:
  std::array<size_t, kRunPixels> winner_;
};

// Class 255 for the pixels of a run with the no-data value in any of the
// first n bands, when the rule is in force.
inline void MarkNoData(const NoDataRule& noData, const double* const* bands, long n, long first, long count,
                       double* classes) {
  if (!noData.active) return;
  for (long b = 0; b < n; ++b)
    for (long i = 0; i < count; ++i)
      if (IsNoDataValue(bands[b][first + i], noData.value)) classes[i] = kNoDataClass;
}

// The pass decision of a nearest-mean classifier without rejection: the
// class number of the nearest mean, classNumbers[j] for mean j.
struct NearestMeanDecision {
  const std::vector<double>& means;  // n values per class, contiguous
  const std::vector<double>& classNumbers;
  long n;
  NoDataRule noData;
  NearestMeans nearest{};

  void DecideRun(const double* const* bands, long first, long count, double* classes) {
    nearest.Find(means.data(), classNumbers.size(), n, bands, first, count);
    for (long i = 0; i < count; ++i) classes[i] = classNumbers[nearest.Winners()[i]];
    MarkNoData(noData, bands, n, first, count, classes);
  }
};

}  // namespace zt
