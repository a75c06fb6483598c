#include "accuracy/accuracy_record.h"

namespace zt {

void AccuracyRecord::ComputeStatistics() {
  const long n = classCount;
  for (long i = 0; i <= n; ++i) {
    rowTotals[i] = 0;
    for (long j = 1; j <= n; ++j) rowTotals[i] += At(i, j);
  }
  long correct = 0;
  double chance = 0.0;
  for (long j = 1; j <= n; ++j) {
    columnTotals[j - 1] = 0;
    for (long i = 0; i <= n; ++i) columnTotals[j - 1] += At(i, j);
    classAccuracy[j - 1] = columnTotals[j - 1] == 0 ? 1.0 : double(At(j, j)) / columnTotals[j - 1];
    userAccuracy[j - 1] = rowTotals[j] == 0 ? 1.0 : double(At(j, j)) / rowTotals[j];
    correct += At(j, j);
    chance += double(rowTotals[j]) * columnTotals[j - 1];
  }
  const double total = static_cast<double>(sampleTotal);
  overallAccuracy = correct / total;
  chance /= total * total;
  kappa = (overallAccuracy - chance) / (1.0 - chance);
}

}  // namespace zt
