#include "neural/network_driver.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "frame/arguments.h"
#include "ztservices/raster.h"

namespace zt {

namespace {
constexpr long kMaxHiddenLayerSize = 500;
constexpr double kPurifyDeviations = 1.0;
constexpr double kTargetSamples = 100000.0;
}  // namespace

long CheckNetworkArguments(const NetworkCall& call, long methodCheck) {
  if (!call.source || !call.result) return RC_NULL_ARGUMENT;
  if (call.bandCount > kMaxBands) return RC_TOO_MANY_BANDS;
  if (call.window.firstRow < 0 || call.window.firstColumn < 0) return RC_BAD_WINDOW;
  if (methodCheck != RC_OK) return methodCheck;
  if (call.bandCount < 1) return RC_BAD_WINDOW;
  return CheckCommonArguments(call.source, call.result, call.bandCount, call.window);
}

long CheckClusterArguments(void* source, unsigned long clusterCount, long interval) {
  if (clusterCount < 1 || clusterCount > kMaxClassAois) return RC_BAD_WINDOW;
  const long smallerSide = std::min(ztRSGetRasterXSize(source), ztRSGetRasterYSize(source));
  if (interval < 1 || interval > smallerSide) return RC_BAD_WINDOW;
  return RC_OK;
}

long CheckHiddenLayers(const long* sizes, long count) {
  if (count > 0 && !sizes) return RC_NULL_ARGUMENT;
  for (long i = 0; i < count; ++i)
    if (sizes[i] > kMaxHiddenLayerSize) return RC_BAD_WINDOW;
  for (long i = 0; i < count; ++i)
    if (sizes[i] < 1) return RC_BAD_WINDOW;
  return RC_OK;
}

long TrainingSamples::Gather(const ClassificationPass& pass, const std::vector<AOI>& aois) {
  const long classCount = static_cast<long>(aois.size());
  if (long rc = GatherTrainingSamples(pass.Source(), pass.Bands(), aois.data(), classCount,
                                      WithinMillionth(pass.NoData()), &gathered_.cells, gathered_.count))
    return rc;
  const long bandCount = pass.BandCount();
  scaling_ = DeriveBandScaling(pass.SourceType(), bandCount, gathered_.count,
                               [this](long i) { return gathered_.cells[i].values; });
  for (long i = 0; i < gathered_.count; ++i) scaling_.ApplyInPlace(gathered_.cells[i].values);
  if (long rc = PurifyCells(gathered_.cells, gathered_.count, bandCount, classCount, kPurifyDeviations,
                            &purified_.cells, purified_.count))
    return rc;
  std::vector<long> perClass(classCount, 0);
  for (long i = 0; i < purified_.count; ++i) ++perClass[purified_.cells[i].classNo - 1];
  for (long count : perClass)
    if (count == 0) return RC_TOO_FEW_SAMPLES;
  return RC_OK;
}

void ReadClusterParameters(const TrainRequest& r, ParameterReader& p, long& clusterCount, long& interval) {
  clusterCount = p.Integer("classes", 8, 1, static_cast<long>(kMaxClassAois));
  const double pixels = double(std::max(r.window.rows, 0L)) * double(std::max(r.window.columns, 0L));
  interval = p.Integer("interval", std::max(1L, long(std::sqrt(pixels / kTargetSamples))), 1,
                       std::numeric_limits<long>::max());
}

BandScaling ScalePatterns(ZTRSDataType type, long bandCount, double** patterns, long count) {
  BandScaling scaling = DeriveBandScaling(type, bandCount, count, [patterns](long i) { return patterns[i]; });
  for (long i = 0; i < count; ++i) scaling.ApplyInPlace(patterns[i]);
  return scaling;
}

}  // namespace zt
