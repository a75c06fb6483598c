#pragma once
// A small real scene with rectangular class AOIs, and the brute-force pieces
// the classifier tests share: which pixels a rectangle's class mask holds,
// and the class statistics over a window.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "test_support.h"
#include "ztclass/records.h"
#include "ztservices/raster.h"

namespace zttest {

// A rectangle AOI with integer corners: by the pixel-centre rule its mask
// holds columns x0..x1-1 and rows y0..y1-1.
struct Rect {
  int x0, y0, x1, y1;
  bool Holds(int column, int row) const { return column >= x0 && column < x1 && row >= y0 && row < y1; }
};

struct Scene {
  TempDir dir;
  std::string sourcePath = dir.File("scene.tif");
  std::string resultPath = dir.File("classes.tif");
  void* source = nullptr;
  void* result = nullptr;
  int columns, rows, bands;
  std::function<double(int, int, int)> value;  // band (from 1), column, row

  Scene(int columns, int rows, int bands, std::function<double(int, int, int)> value, bool hasNoData = false,
        double noData = 0, GDALDataType type = GDT_Byte);
  ~Scene();

  void AddClass(const std::string& name, const std::vector<Rect>& rects, int r = 10, int g = 20, int b = 30);
  void AddOtherAoi(const Rect& rect);
  void MakeResult(long resultColumns, long resultRows, ZTRSDataType type = ZTRS_Byte);
  std::vector<double> Result();  // closes the result
};

using Vec = std::vector<double>;

// The squared Euclidean distance, summed in band order.
double Distance2(const Vec& a, const Vec& b);

// The index of the point nearest to x, the lower index on ties.
size_t Nearest(const std::vector<Vec>& points, const Vec& x);

// The listed bands (from 1) of pixel (column, row).
Vec PixelOf(const Scene& scene, const std::vector<int>& bands, int row, int column);

// Every cell of a rows x columns class map against expected(row, column);
// the first difference fails. A NaN expectation leaves its cell unchecked.
void ExpectMap(const std::vector<double>& classes, int rows, int columns,
               const std::function<double(int, int)>& expected);

// The class records of a result, read through the library.
std::vector<CLASSATTINFO> Records(void* result);

struct BruteStats {
  std::map<int, long> count;
  std::map<std::pair<int, int>, double> mean, deviation;  // (class, band from 0)
  std::vector<int> classes;
};

// Class counts, means and population deviations of (class, values) cells,
// summed in their order.
BruteStats StatisticsOf(const std::vector<std::pair<int, Vec>>& cells);

using Matrix = std::vector<std::vector<double>>;

// The inverse by Gauss-Jordan elimination with partial pivoting; the log of
// the absolute determinant in logAbsDet when given.
Matrix GaussJordanInverse(Matrix m, double* logAbsDet = nullptr);

// A class's Gaussian from its training cells: mean, inverse of the
// population covariance and its log-determinant, and the discriminant
// -(ln|C| + (x - m)' C^-1 (x - m)) / 2 of a pixel.
struct Gaussian {
  std::vector<double> mean;
  Matrix inverse;
  double logDet = 0;
};
// The generalized distance as the classifiers write it, W the inverse of the
// class's mean product matrix: t[a] = sum_b W[a][b] (x[a] - m[b]) and
// d = sum_a (x[a] - m[a]) t[a].
Matrix MeanProductInverse(const std::vector<Vec>& cells);
double GeneralizedDistance(const Matrix& w, const Vec& m, const Vec& x);

Gaussian GaussianOf(const std::vector<std::vector<double>>& cells);
double Discriminant(const Gaussian& g, const std::vector<double>& x);

}  // namespace zttest
