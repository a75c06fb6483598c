#pragma once
// The error matrix of a class image against reference samples, and the
// statistics drawn from it.
#include <cstddef>
#include <vector>

namespace zt {

struct AccuracyRecord {
  explicit AccuracyRecord(long classes)
      : classCount(classes),
        matrix(static_cast<size_t>(classes + 1) * classes, 0),
        columnTotals(classes, 0),
        rowTotals(classes + 1, 0),
        classAccuracy(classes, 0.0),
        userAccuracy(classes, 0.0) {}

  // Row found: the class number in the class image (0 unclassified);
  // column: reference class from 1.
  long& At(long found, long reference) { return matrix[found * classCount + reference - 1]; }
  long At(long found, long reference) const { return matrix[found * classCount + reference - 1]; }

  // Totals, class (producer's) accuracies (1 for a reference class without
  // samples), user's accuracies (1 for a map class without samples),
  // overall accuracy and Kappa. Samples that are in the total but not in the
  // matrix (points off the image) count against the overall accuracy.
  void ComputeStatistics();

  long sampleTotal = 0;
  long classCount;
  std::vector<long> matrix;  // (classCount + 1) rows x classCount columns
  std::vector<long> columnTotals;
  std::vector<long> rowTotals;
  std::vector<double> classAccuracy;
  std::vector<double> userAccuracy;
  double overallAccuracy = 0.0;
  double kappa = 0.0;
};

}  // namespace zt
