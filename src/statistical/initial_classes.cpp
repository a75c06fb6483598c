#include "statistical/initial_classes.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "frame/nearest_class.h"
#include "frame/progress_session.h"
#include "statistical/sample_parts.h"
#include "ztclass/result_codes.h"

namespace zt {

namespace {
constexpr int kCentresCaption = 56;
constexpr int kStatisticsCaption = 57;
}  // namespace

bool IsUnusableSample(const double* values, long n, const NoDataRule& noData) {
  for (long b = 0; b < n; ++b)
    if (IsMissingValue(values[b]) || (noData.active && IsNoDataValue(values[b], noData.value))) return true;
  return false;
}

long FirstCentre(SampleReader& reader, const SampleGrid& grid, long row, long column, long n,
                 const NoDataRule& noData, std::vector<double>& first) {
  first.assign(n, 0.0);
  reader.Read(row, column, first.data());
  if (long rc = reader.Failure()) return rc;
  if (!IsUnusableSample(first.data(), n, noData)) return RC_OK;
  for (long j = 0; j < grid.Rows(); ++j) {
    const double* samples = reader.Row(j);
    if (long rc = reader.Failure()) return rc;
    for (long i = 0; i < grid.Columns(); ++i) {
      const double* sample = samples + i * n;
      if (IsUnusableSample(sample, n, noData)) continue;
      std::copy(sample, sample + n, first.begin());
      return RC_OK;
    }
  }
  return RC_OK;
}

// Distances to the nearest centre are kept per sample and lowered by the
// newest centre in each pass: the minimum over all earlier centres, without
// comparing every sample with every centre again.
long SelectCentres(SampleReader& reader, const SampleGrid& grid, long count, long n,
                   const std::vector<double>& first, const NoDataRule& noData, std::vector<double>& centres) {
  centres.assign(count * n, 0.0);
  std::copy(first.begin(), first.end(), centres.begin());
  BeginPhase(kCentresCaption, (count - 1) * (grid.w.rows / grid.s));
  if (count < 2) return RC_OK;
  std::vector<double> nearest(grid.Count(), std::numeric_limits<double>::infinity());
  std::vector<double> candidate(n);
  // Per sample of a row: whether it is usable.
  std::vector<char> usable(grid.Columns());
  for (long k = 2; k <= count; ++k) {
    const double* newest = &centres[(k - 2) * n];
    bool found = false;
    double candidateDistance = 0.0;
    for (long j = 0; j < grid.Rows(); ++j) {
      if (StepAndCheckStop()) return RC_CANCELLED;
      const double* row = reader.Row(j);
      if (long rc = reader.Failure()) return rc;
      double* distance = &nearest[j * grid.Columns()];
      ForSampleParts(grid.Columns(), n, [&](long begin, long end) {
        for (long i = begin; i < end; ++i) {
          const double* sample = row + i * n;
          usable[i] = !IsUnusableSample(sample, n, noData);
          if (usable[i]) distance[i] = std::min(distance[i], SquaredDistance(newest, sample, n));
        }
      });
      for (long i = 0; i < grid.Columns(); ++i) {
        if (!usable[i]) continue;
        if (!found || distance[i] > candidateDistance) {
          found = true;
          candidateDistance = distance[i];
          std::copy(row + i * n, row + (i + 1) * n, candidate.begin());
        }
      }
    }
    if (!found) return RC_TOO_FEW_SAMPLES;
    std::copy(candidate.begin(), candidate.end(), centres.begin() + (k - 1) * n);
  }
  return RC_OK;
}

long InitialStatistics(SampleReader& reader, const SampleGrid& grid, long count, long n,
                       const std::vector<double>& centres, const NoDataRule& noData, InitialClasses& c) {
  c.bandCount = n;
  c.counts.fill(0);
  std::vector<double> sum(kClassTableSize * n, 0.0), squares(kClassTableSize * n, 0.0);
  c.sampleClass.assign(grid.Count(), 0);
  BeginPhase(kStatisticsCaption, grid.w.rows / grid.s);
  // The nearest centre of each sample of a row, -1 for an unusable one.
  std::vector<long> winners(grid.Columns());
  long index = 0;
  for (long j = 0; j < grid.Rows(); ++j) {
    if (StepAndCheckStop()) return RC_CANCELLED;
    const double* row = reader.Row(j);
    if (long rc = reader.Failure()) return rc;
    ForSampleParts(grid.Columns(), count * n, [&](long begin, long end) {
      for (long i = begin; i < end; ++i) {
        const double* sample = row + i * n;
        winners[i] = -1;
        if (IsUnusableSample(sample, n, noData)) continue;
        winners[i] = static_cast<long>(
            NearestClass(count, [&](size_t k) { return SquaredDistance(&centres[k * n], sample, n); }));
      }
    });
    for (long i = 0; i < grid.Columns(); ++i, ++index) {
      if (winners[i] < 0) continue;
      const double* sample = row + i * n;
      const int classNumber = static_cast<int>(winners[i] + 1);
      c.sampleClass[index] = static_cast<unsigned char>(classNumber);
      ++c.counts[classNumber];
      for (long b = 0; b < n; ++b) {
        sum[classNumber * n + b] += sample[b];
        squares[classNumber * n + b] += sample[b] * sample[b];
      }
    }
  }
  c.mean.assign(kClassTableSize * n, 0.0);
  c.deviation.assign(kClassTableSize * n, 0.0);
  c.candidates.clear();
  for (int k = 0; k < kClassTableSize; ++k) {
    if (c.counts[k] == 0) continue;
    c.candidates.push_back(k);
    for (long b = 0; b < n; ++b) {
      const double mean = sum[k * n + b] / c.counts[k];
      // Rounding can take the variance of equal values just below zero.
      c.mean[k * n + b] = mean;
      c.deviation[k * n + b] = std::sqrt(std::max(squares[k * n + b] / c.counts[k] - mean * mean, 0.0));
    }
  }
  return c.candidates.empty() ? RC_TOO_FEW_SAMPLES : RC_OK;
}

}  // namespace zt
