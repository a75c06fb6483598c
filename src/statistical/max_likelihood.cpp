// The maximum-likelihood classifier: class statistics from the pixels of
// the class AOIs over the whole image, then the Gaussian decision.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "frame/arguments.h"
#include "frame/captions.h"
#include "frame/classification_pass.h"
#include "frame/decider_scratch.h"
#include "frame/entry.h"
#include "model/method_list.h"
#include "model/parameters.h"
#include "samples/class_aois.h"
#include "samples/polygon_shape.h"
#include "services/value_buffer.h"
#include "statistical/max_likelihood.h"
#include "ztclass/classinfo.h"
#include "ztclass/result_codes.h"
#include "ztclass/statistical.h"
#include "ztservices/geometry.h"

namespace zt {

namespace {

constexpr int kCaption = 17;
constexpr int kGatherCaption = 15;
// Columns of a polygon's row read at a time: bounds the buffers whatever
// the polygon's width and the band count.
constexpr long kSpanColumns = 4096;

// Mean and population covariance by a running (Welford) update, so that one
// pass over the training pixels suffices and large values lose no precision.
class RunningGaussian {
 public:
  explicit RunningGaussian(long n) : n_(n), mean_(n, 0.0), comoment_(n) {}

  void Add(const double* x) {
    ++count_;
    for (long a = 0; a < n_; ++a) delta_[a] = x[a] - mean_[a];
    for (long a = 0; a < n_; ++a) mean_[a] += delta_[a] / count_;
    for (long a = 0; a < n_; ++a)
      for (long b = 0; b < n_; ++b) comoment_(a, b) += delta_[a] * (x[b] - mean_[b]);
  }

  ClassGaussian Result() const {
    ClassGaussian g{mean_, comoment_};
    if (count_ > 0)
      for (double& v : g.covariance.a) v /= count_;
    return g;
  }

 private:
  long n_;
  long count_ = 0;
  std::vector<double> mean_;
  std::vector<double> delta_ = std::vector<double>(n_);
  SquareMatrix comoment_;
};

class StatisticsGathering {
 public:
  StatisticsGathering(void* source, const std::vector<void*>& bands, ZTRSDataType type, const NoDataRule& noData)
      : source_(source), bands_(bands), type_(type), noData_(noData) {}

  long Run(const std::vector<AOI>& aois, std::vector<ClassGaussian>& classes) {
    const long n = static_cast<long>(bands_.size());
    const long columns = ztRSGetRasterXSize(source_);
    if (long rc = typed_.Allocate(type_, std::clamp(columns, 1L, kSpanColumns))) return rc;
    SetSubProgressNameById(kGatherCaption);
    SetRange(0, static_cast<long>(aois.size()));
    SetStep(1);
    for (const AOI& aoi : aois) {
      if (StepAndCheckStop()) return RC_CANCELLED;
      // A large class area takes long: a stop is also seen between its rows.
      stopPoll_.Restart();
      void* polygons = nullptr;
      if (long rc = ztGetPolygonPointerOfAoi(&aoi, &polygons)) return rc;
      if (!polygons || aoi.polygonCount == 0) return RC_AOI_WITHOUT_POLYGON;
      RunningGaussian gaussian(n);
      for (long p = 0; p < static_cast<long>(aoi.polygonCount); ++p)
        if (long rc = AddPolygon(ztGetPolygonAt(polygons, p), gaussian)) return rc;
      classes.push_back(gaussian.Result());
    }
    return RC_OK;
  }

 private:
  // The polygon's pixels in its bounding rectangle (clipped to the image:
  // pixels outside it have no values), one rectangle row per read.
  long AddPolygon(void* polygon, RunningGaussian& gaussian) {
    const long columns = ztRSGetRasterXSize(source_), rows = ztRSGetRasterYSize(source_);
    if (long rc = ReadPolygon(polygon, columns, rows, shape_)) return rc;
    if (shape_.PointCount() < 1) return RC_OK;
    const double* rect = shape_.rect;
    const long n = static_cast<long>(bands_.size());
    const long c0 = ClampToLong(rect[0], 0, columns), c1 = ClampToLong(rect[2], -1, columns - 1);
    const long r0 = ClampToLong(rect[1], 0, rows), r1 = ClampToLong(rect[3], -1, rows - 1);
    if (c1 < c0) return RC_OK;
    const long width = std::min(c1 - c0 + 1, kSpanColumns);
    rows_.resize(n * width);
    std::vector<double> x(n);
    for (long r = r0; r <= r1; ++r) {
      if (stopPoll_.StopRequested()) return RC_CANCELLED;
      for (long piece = c0; piece <= c1; piece += width) {
        const long span = std::min(width, c1 - piece + 1);
        for (long b = 0; b < n; ++b) {
          if (long rc = ztRSRasterIO(bands_[b], ZTRS_Read, piece, r, span, 1, typed_.Data(), span, 1, type_, 0, 0))
            return rc;
          ztRSConvNValues(type_, typed_.Data(), span, &rows_[b * span]);
        }
        for (long c = piece; c < piece + span; ++c) {
          // A pixel without a number in some band would make every statistic
          // NaN; one with the no-data value would be learnt as a measurement.
          if (TeachesNothing(noData_, n, [&](long b) { return rows_[b * span + (c - piece)]; })) continue;
          if (ztRSPtInPolygon(shape_.xy.data(), shape_.PointCount(), c, r, 0) != 1) continue;
          for (long b = 0; b < n; ++b) x[b] = rows_[b * span + (c - piece)];
          gaussian.Add(x.data());
        }
      }
    }
    return RC_OK;
  }

  void* source_;
  const std::vector<void*>& bands_;
  ZTRSDataType type_;
  NoDataRule noData_;
  ValueBuffer typed_;
  PolygonShape shape_;
  std::vector<double> rows_;
  TimedStopPoll stopPoll_;
};

// The class of the largest discriminant, pixel runs at a time where the
// model allows; a no-data value is recognised on the first band alone.
struct Decision {
  const CMaxLiklihood& model;
  NoDataRule noData;
  long bandCount;
  double threshold;
  std::vector<double> x = DeciderScratch(bandCount), deviation = DeciderScratch(bandCount);

  void DecideRun(const double* const* bands, long first, long count, double* out) {
    if (model.ClassifiesRuns()) {
      model.ClassifyRun(bands, first, count, out);
    } else {
      for (long i = 0; i < count; ++i) {
        for (long b = 0; b < bandCount; ++b) x[b] = bands[b][first + i];
        long classNo = 0;
        model.ClassifyPixel(x.data(), classNo, threshold, deviation.data());
        out[i] = static_cast<double>(classNo);
      }
    }
    if (noData.active)
      for (long i = 0; i < count; ++i)
        if (noData.Holds(bands[0][first + i])) out[i] = kNoDataClass;
  }
};

// Gathers the Gaussian of every class AOI over the whole image (the pass
// open, progress started) into the model.
long Learn(void* source, const ClassificationPass& pass, const std::vector<AOI>& aois, Model& model) {
  std::vector<ClassGaussian> statistics;
  StatisticsGathering gathering(source, pass.Bands(), pass.SourceType(), WithinMillionth(pass.NoData()));
  if (long rc = gathering.Run(aois, statistics)) return rc;
  const long n = pass.BandCount(), count = static_cast<long>(aois.size());
  std::vector<double> means, covariances;
  for (const ClassGaussian& g : statistics) {
    means.insert(means.end(), g.mean.begin(), g.mean.end());
    covariances.insert(covariances.end(), g.covariance.a.begin(), g.covariance.a.end());
  }
  model.Put("means", {count, n}, std::move(means));
  model.Put("covariances", {count, n, n}, std::move(covariances));
  SetClassRecords(model, aois.data(), count);
  return RC_OK;
}

long Apply(const Model& model, ClassificationPass& pass) {
  const long n = pass.BandCount();
  const long classCount = model.At("means").shape[0];
  const std::vector<double>& means = model.At("means").values;
  const std::vector<double>& covariances = model.At("covariances").values;
  CMaxLiklihood classifier;
  classifier.SetModelSize(n, classCount);
  if (long rc = classifier.AllocateModel()) return rc;
  classifier.InitModel();
  for (long k = 0; k < classCount; ++k) {
    SquareMatrix covariance(n);
    std::copy_n(covariances.begin() + k * n * n, n * n, covariance.a.begin());
    const std::vector<double> mean(means.begin() + k * n, means.begin() + (k + 1) * n);
    if (long rc = classifier.SetClassStatistics(mean, covariance, k)) return rc;
  }
  if (long rc = classifier.PrepareModel()) return rc;
  if (long rc = WriteModelClasses(model, pass)) return rc;
  const double threshold = model.parameters.value("threshold", 0.0);
  return pass.Run(kCaption, Decision{classifier, WithinMillionth(pass.NoData()), n, threshold});
}

long MaxLikelihood(void* source, long* bands, long bandCount, double threshold, void* result, const Window& w) {
  ProgressSession progress;
  if (long rc = CheckCommonArguments(source, result, bandCount, w)) return rc;
  AoiEditorHandle editor;
  std::vector<AOI> aois;
  if (long rc = LoadClassAois(source, editor, aois)) return rc;

  ClassificationPass pass(source, bands, bandCount, result, w);
  if (long rc = pass.LookUpBands()) return rc;
  progress.Start(kCaption);
  if (long rc = pass.Open()) return rc;
  Model model;
  model.parameters["threshold"] = threshold;
  if (long rc = Learn(source, pass, aois, model)) return rc;
  return Apply(model, pass);
}

long Train(const TrainRequest& r, Model& model) {
  ProgressSession progress;
  if (long rc = CheckSourceArguments(r.source, r.bandCount, r.window)) return rc;
  ParameterReader p(r.parameters, model.parameters);
  p.Number("threshold", 0.0, -1e308, 1e308);
  p.Finish();
  AoiEditorHandle editor;
  std::vector<AOI> aois;
  if (long rc = LoadClassAois(r.source, editor, aois)) return rc;
  ClassificationPass pass(r.source, r.bands, r.bandCount, nullptr, r.window);
  if (long rc = pass.LookUpBands()) return rc;
  progress.Start(kCaption);
  if (long rc = pass.Open()) return rc;
  return Learn(r.source, pass, aois, model);
}

std::string Check(const Model& model) {
  const long count = model.numbers.count("means") && !model.At("means").shape.empty() ? model.At("means").shape[0] : 0;
  const long n = model.BandCount();
  if (count != model.highestClass) return "\"means\" must hold one row per class";
  for (std::string reason : {ExpectShape(model, "means", {count, n}), ExpectShape(model, "covariances", {count, n, n})})
    if (!reason.empty()) return reason;
  return "";
}

}  // namespace

const MethodEntry kMaxLikelihoodMethod{"maxlike", kCaption, Train, Apply, Check};

}  // namespace zt

using namespace zt;

long MaxLiklihoodClass(void* source, long* bands, long bandCount, double threshold, void* result, long rows,
                       long columns, long firstRow, long firstColumn) {
  return Framed([&] {
    return MaxLikelihood(source, bands, bandCount, threshold, result, Window{rows, columns, firstRow, firstColumn});
  });
}
