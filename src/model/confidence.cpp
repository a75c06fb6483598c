#include "model/confidence.h"

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "model/methods.h"
#include "statistical/matrix.h"
#include "ztclass/result_codes.h"

namespace zt {

namespace {

constexpr int kConfidenceCaption = 100;
constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

using Score = std::function<double(const double* x)>;

double SquaredDistance(const double* a, const double* b, long n) {
  double d = 0.0;
  for (long i = 0; i < n; ++i) d += (a[i] - b[i]) * (a[i] - b[i]);
  return d;
}

// The Euclidean distance to the nearest of the class means (the class the
// pixel is given, or rejected from).
Score NearestMeanDistance(const Model& m) {
  const std::vector<double>& means = m.At("means").values;
  const long n = m.BandCount(), count = m.At("means").shape[0];
  return [&means, n, count](const double* x) {
    double best = std::numeric_limits<double>::infinity();
    for (long j = 0; j < count; ++j) best = std::min(best, SquaredDistance(&means[j * n], x, n));
    return std::sqrt(best);
  };
}

// The distance to the centre of the first box that holds the pixel.
Score BoxCentreDistance(const Model& m) {
  const std::vector<double>& centres = m.At("centres").values;
  const std::vector<double>& halves = m.At("half-widths").values;
  const long n = m.BandCount(), count = m.At("centres").shape[0];
  return [&centres, &halves, n, count](const double* x) {
    for (long j = 0; j < count; ++j) {
      long b = 0;
      while (b < n && std::fabs(x[b] - centres[j * n + b]) <= halves[j * n + b]) ++b;
      if (b == n) return std::sqrt(SquaredDistance(&centres[j * n], x, n));
    }
    return kNone;
  };
}

// The smallest of the weighted distances that the method compares.
Score WeightedDistance(const Model& m) {
  const std::vector<double>& means = m.At("means").values;
  const std::vector<double>& rowSums = m.At("row-sums").values;
  const std::vector<double>& weights = m.At("mean-weights").values;
  const long n = m.BandCount(), count = m.At("means").shape[0];
  return [&, n, count](const double* x) {
    double best = std::numeric_limits<double>::infinity();
    for (long j = 0; j < count; ++j) {
      double d = 0.0;
      for (long r = 0; r < n; ++r) d += (x[r] - means[j * n + r]) * (x[r] * rowSums[j * n + r] - weights[j * n + r]);
      best = std::min(best, d);
    }
    return best;
  };
}

// The posterior probability of the most likely class, with equal priors:
// 1 / sum_j exp(g_j - g_max), g_j = -ln|C_j| / 2 - (x - m_j)' C_j^-1 (x - m_j) / 2.
struct Posterior {
  long n = 0, count = 0;
  std::vector<double> means, inverses, halfLogDeterminants;

  long Prepare(const Model& m) {
    n = m.BandCount();
    count = m.At("means").shape[0];
    means = m.At("means").values;
    const std::vector<double>& covariances = m.At("covariances").values;
    for (long k = 0; k < count; ++k) {
      SquareMatrix c(n), inverse(n);
      std::copy_n(covariances.begin() + k * n * n, n * n, c.a.begin());
      double determinant = 0.0, logAbs = 0.0;
      if (long rc = MatrixDeterminant(c, determinant, logAbs)) return rc;
      if (long rc = MatrixInverse(c, inverse)) return rc;
      inverses.insert(inverses.end(), inverse.a.begin(), inverse.a.end());
      halfLogDeterminants.push_back(logAbs / 2);
    }
    return RC_OK;
  }

  double operator()(const double* x) const {
    std::vector<double> g(count);
    double best = -std::numeric_limits<double>::infinity();
    for (long k = 0; k < count; ++k) {
      const double* mean = &means[k * n];
      const double* inverse = &inverses[k * n * n];
      double q = 0.0;
      for (long a = 0; a < n; ++a)
        for (long b = 0; b < n; ++b) q += (x[a] - mean[a]) * inverse[a * n + b] * (x[b] - mean[b]);
      g[k] = -halfLogDeterminants[k] - q / 2;
      best = std::max(best, g[k]);
    }
    double sum = 0.0;
    for (double v : g) sum += std::exp(v - best);
    return 1.0 / sum;
  }
};

bool IsOneOf(const std::string& method, std::initializer_list<const char*> names) {
  for (const char* name : names)
    if (method == name) return true;
  return false;
}

}  // namespace

bool HasConfidence(const Model& m) {
  const MethodEntry* entry = FindMethod(m.method);
  return (entry && entry->score) || IsOneOf(m.method, {"mindist", "cluster-mindist", "isodata", "box", "cluster-box", "gmindist",
                            "cluster-gmindist", "maxlike"});
}

long WriteConfidence(const Model& m, ClassificationPass& pass, void* band) {
  Posterior posterior;
  Score score;
  const MethodEntry* entry = FindMethod(m.method);
  if (entry && entry->score) {
    score = entry->score(m);
  } else if (IsOneOf(m.method, {"mindist", "cluster-mindist", "isodata"})) {
    score = NearestMeanDistance(m);
  } else if (IsOneOf(m.method, {"box", "cluster-box"})) {
    score = BoxCentreDistance(m);
  } else if (IsOneOf(m.method, {"gmindist", "cluster-gmindist"})) {
    score = WeightedDistance(m);
  } else {
    if (long rc = posterior.Prepare(m)) return rc;
    score = [&posterior](const double* x) { return posterior(x); };
  }
  const Window& w = pass.GetWindow();
  const long n = pass.BandCount();
  const NoDataRule noData = pass.NoData();
  std::vector<float> out;
  std::vector<double> x(n);
  return pass.ForEachBlock(kConfidenceCaption, [&](const ClassificationPass::Rect& r) -> long {
    const long width = r.x1 - r.x0, height = r.y1 - r.y0;
    out.resize(width * height);
    const std::vector<double*>& buffers = pass.BandBuffers();
    for (long i = 0; i < width * height; ++i) {
      bool none = false;
      for (long b = 0; b < n; ++b) {
        x[b] = buffers[b][i];
        none = none || IsMissingValue(x[b]) || (noData.active && IsNoDataValue(x[b], noData.value));
      }
      out[i] = static_cast<float>(none ? kNone : score(x.data()));
    }
    return ztRSRasterIO(band, ZTRS_Write, r.x0 - w.firstColumn, r.y0 - w.firstRow, width, height, out.data(), width,
                        height, ZTRS_Float32, 0, 0);
  });
}

}  // namespace zt
