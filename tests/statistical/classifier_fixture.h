#pragma once
// A small real scene with rectangular class AOIs, and the brute-force pieces
// the classifier tests share: nearest points, class maps and records,
// class statistics, inverses, Gaussians and generalized distances.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "test_support.h"
#include "ztclass/classinfo.h"
#include "ztclass/records.h"
#include "ztservices/raster.h"

namespace zttest {

// A rectangle AOI. By the pixel-centre rule its mask holds the pixels whose
// centres lie inside it or on its left and low-y edges: with integer corners,
// columns x0..x1-1 and rows y0..y1-1.
struct Rect {
  double x0, y0, x1, y1;
  bool Holds(int column, int row) const {
    return column + 0.5 >= x0 && column + 0.5 < x1 && row + 0.5 >= y0 && row + 0.5 < y1;
  }
};

struct Scene {
  TempDir dir;
  std::string sourcePath = dir.File("scene.tif");
  std::string resultPath = dir.File("classes.tif");
  void* source = nullptr;
  void* result = nullptr;
  int columns, rows, bands;
  std::function<double(int, int, int)> value;  // band (from 1), column, row

  Scene(int c, int r, int b, std::function<double(int, int, int)> v, bool hasNoData = false, double noData = 0,
        GDALDataType type = GDT_Byte)
      : columns(c), rows(r), bands(b), value(std::move(v)) {
    WriteGeoTiff(sourcePath, RasterSpec{c, r, b, type, 16, 16, hasNoData, noData}, value);
    source = ztRSOpen(sourcePath.c_str(), 0);
    MakeResult(c, r);  // a Byte result of the scene's size, until a test makes another
  }
  ~Scene() { ztRSClose(result), ztRSClose(source); }  // closed handles are null, refused harmlessly
  void AddClass(const std::string& name, const std::vector<Rect>& rects, int r = 10, int g = 20, int b = 30) {
    AddRects(name.c_str(), 3, rects, r, g, b);
  }
  void AddOtherAoi(const Rect& rect) { AddRects("not a class", 1, {rect}, 0, 0, 0); }
  void MakeResult(long resultColumns, long resultRows, ZTRSDataType type = ZTRS_Byte) {
    if (result) ztRSClose(result);
    result = ztRSCreate(ztRSGetDriverByName("GTiff"), resultPath.c_str(), resultColumns, resultRows, 1, type, nullptr);
  }
  // Closes the result.
  std::vector<double> Result() {
    ztRSClose(result);
    result = nullptr;
    return ReadBand(resultPath);
  }

 private:
  // One AOI of the rectangles' corner rings.
  void AddRects(const char* name, int type, const std::vector<Rect>& rects, int r, int g, int b) {
    std::vector<long> counts(rects.size(), 4);
    std::vector<double> xy;
    for (const Rect& q : rects) xy.insert(xy.end(), {q.x0, q.y0, q.x1, q.y0, q.x1, q.y1, q.x0, q.y1});
    ztRSAddAOI(source, name, static_cast<unsigned char>(r), static_cast<unsigned char>(g),
               static_cast<unsigned char>(b), type, "", static_cast<long>(counts.size()), counts.data(), xy.data());
  }
};

using Vec = std::vector<double>;

// The squared Euclidean distance, summed in band order.
inline double Distance2(const Vec& a, const Vec& b) {
  double d = 0;
  for (size_t i = 0; i < a.size(); ++i) d += (a[i] - b[i]) * (a[i] - b[i]);
  return d;
}

// The index of the point nearest to x, the lower index on ties.
inline size_t Nearest(const std::vector<Vec>& points, const Vec& x) {
  size_t k = 0;
  for (size_t j = 1; j < points.size(); ++j)
    if (Distance2(points[j], x) < Distance2(points[k], x)) k = j;
  return k;
}

// The listed bands (from 1) of pixel (column, row).
inline Vec PixelOf(const Scene& scene, const std::vector<int>& bands, int row, int column) {
  Vec x;
  for (int b : bands) x.push_back(scene.value(b, column, row));
  return x;
}

// Every cell of a rows x columns class map against expected(row, column);
// the first difference fails. A NaN expectation leaves its cell unchecked.
inline void ExpectMap(const std::vector<double>& classes, int rows, int columns,
                      const std::function<double(int, int)>& expected) {
  ASSERT_EQ(classes.size(), size_t(rows) * size_t(columns));
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) {
      const double e = expected(r, c);
      if (std::isnan(e)) continue;
      ASSERT_EQ(classes[size_t(r) * columns + c], e) << "row " << r << " column " << c;
    }
}

// The class records of a result, read through the library.
inline std::vector<CLASSATTINFO> Records(void* result) {
  long count = 0;
  if (ztRSReadClsNum(result, count) != 0 || count <= 0) return {};
  std::vector<CLASSATTINFO> records(count);
  ztRSReadClassInfo(result, count, records.data());
  return records;
}

struct BruteStats {
  std::map<int, long> count;
  std::map<std::pair<int, int>, double> mean, deviation;  // (class, band from 0)
  std::vector<int> classes;
};

// Class counts, means and population deviations of (class, values) cells,
// summed in their order.
inline BruteStats StatisticsOf(const std::vector<std::pair<int, Vec>>& cells) {
  BruteStats s;
  std::map<std::pair<int, int>, double> sum, squares;
  for (const auto& [k, x] : cells) {
    ++s.count[k];
    for (size_t b = 0; b < x.size(); ++b) {
      sum[{k, int(b)}] += x[b];
      squares[{k, int(b)}] += x[b] * x[b];
    }
  }
  const int bands = cells.empty() ? 0 : int(cells[0].second.size());
  for (auto [k, n] : s.count) {
    s.classes.push_back(k);
    for (int b = 0; b < bands; ++b) {
      const double mean = sum[{k, b}] / n;
      s.mean[{k, b}] = mean;
      s.deviation[{k, b}] = std::sqrt(std::max(0.0, squares[{k, b}] / n - mean * mean));
    }
  }
  return s;
}

using Matrix = std::vector<std::vector<double>>;

// The inverse by Gauss-Jordan elimination with partial pivoting; the log of
// the absolute determinant in logAbsDet when given.
inline Matrix GaussJordanInverse(Matrix m, double* logAbsDet = nullptr) {
  const size_t n = m.size();
  for (size_t a = 0; a < n; ++a) {
    m[a].resize(2 * n, 0.0);
    m[a][n + a] = 1;
  }
  if (logAbsDet) *logAbsDet = 0;
  for (size_t col = 0; col < n; ++col) {
    size_t p = col;
    for (size_t r = col + 1; r < n; ++r)
      if (std::fabs(m[r][col]) > std::fabs(m[p][col])) p = r;
    std::swap(m[p], m[col]);
    const double pivot = m[col][col];
    if (logAbsDet) *logAbsDet += std::log(std::fabs(pivot));
    for (double& v : m[col]) v /= pivot;
    for (size_t r = 0; r < n; ++r)
      if (r != col) {
        const double f = m[r][col];
        for (size_t q = 0; q < 2 * n; ++q) m[r][q] -= f * m[col][q];
      }
  }
  for (auto& row : m) row.erase(row.begin(), row.begin() + long(n));
  return m;
}

// The generalized distance as the classifiers write it, W the inverse of the
// class's mean product matrix: t[a] = sum_b W[a][b] (x[a] - m[b]) and
// d = sum_a (x[a] - m[a]) t[a].
inline Matrix MeanProductInverse(const std::vector<Vec>& cells) {
  const size_t n = cells[0].size();
  Matrix s(n, Vec(n, 0.0));
  for (const Vec& x : cells)
    for (size_t a = 0; a < n; ++a)
      for (size_t b = 0; b < n; ++b) s[a][b] += x[a] * x[b];
  for (auto& row : s)
    for (double& v : row) v /= double(cells.size());
  return GaussJordanInverse(s);
}

inline double GeneralizedDistance(const Matrix& w, const Vec& m, const Vec& x) {
  double d = 0;
  for (size_t a = 0; a < x.size(); ++a) {
    double t = 0;
    for (size_t b = 0; b < x.size(); ++b) t += w[a][b] * (x[a] - m[b]);
    d += (x[a] - m[a]) * t;
  }
  return d;
}

// A class's Gaussian from its training cells: mean, inverse of the
// population covariance and its log-determinant, and the discriminant
// -(ln|C| + (x - m)' C^-1 (x - m)) / 2 of a pixel.
struct Gaussian {
  std::vector<double> mean;
  Matrix inverse;
  double logDet = 0;
};

inline Gaussian GaussianOf(const std::vector<std::vector<double>>& cells) {
  const size_t n = cells[0].size();
  Gaussian g;
  g.mean.assign(n, 0);
  for (auto& x : cells)
    for (size_t a = 0; a < n; ++a) g.mean[a] += x[a] / cells.size();
  Matrix covariance(n, std::vector<double>(n, 0));
  for (auto& x : cells)
    for (size_t a = 0; a < n; ++a)
      for (size_t b = 0; b < n; ++b) covariance[a][b] += (x[a] - g.mean[a]) * (x[b] - g.mean[b]) / cells.size();
  g.inverse = GaussJordanInverse(covariance, &g.logDet);
  return g;
}

inline double Discriminant(const Gaussian& g, const std::vector<double>& x) {
  double q = 0;
  for (size_t i = 0; i < x.size(); ++i)
    for (size_t j = 0; j < x.size(); ++j) q += (x[i] - g.mean[i]) * (x[j] - g.mean[j]) * g.inverse[j][i];
  return -0.5 * (g.logDet + q);
}

}  // namespace zttest
