#include "training_likeness.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>

#include "cli_support.h"
#include "result_options.h"
#include "ztservices/raster.h"

namespace ztcli {

namespace {

constexpr double kSpreadFactor = 10.0;

// A band's lowest and highest value.
struct BandRange {
  double low, high;
};

bool UnlikeRange(const BandRange& trained, const BandRange& given) {
  const double trainedSpread = trained.high - trained.low, givenSpread = given.high - given.low;
  if (trainedSpread > 0 && givenSpread > 0 &&
      (givenSpread > kSpreadFactor * trainedSpread || trainedSpread > kSpreadFactor * givenSpread))
    return true;
  const double low = std::max(given.low, trained.low - trainedSpread);
  const double high = std::min(given.high, trained.high + trainedSpread);
  if (givenSpread > 0) return high - low < 0.5 * givenSpread;
  return low > high;
}

std::string RangeText(const BandRange& r) {
  char text[64];
  std::snprintf(text, sizeof text, "%.6g .. %.6g", r.low, r.high);
  return text;
}

void WarnOfOtherRange(const nlohmann::json& description, void* source, const std::vector<long>& bands,
                      const std::string& image) {
  const auto trained = description.find("value-ranges");
  if (trained == description.end() || trained->size() != bands.size()) return;
  std::string first;
  long unlike = 0;
  for (size_t k = 0; k < bands.size(); ++k) {
    double minMax[2];
    if (ztRSComputeRasterMinMax(ztRSGetRasterBand(source, bands[k]), 1, minMax) != 0) continue;
    const BandRange given{minMax[0], minMax[1]};
    const BandRange training{(*trained)[k][0].get<double>(), (*trained)[k][1].get<double>()};
    if (!UnlikeRange(training, given)) continue;
    if (unlike++ == 0)
      first = "band " + std::to_string(bands[k]) + " holds " + RangeText(given) + " where the training image's band " +
              std::to_string(description.at("bands")[k].get<long>()) + " held " + RangeText(training);
  }
  if (unlike == 0) return;
  std::cerr << "ztclass: warning: the values of '" << image << "' are unlike the training image's: " << first;
  if (unlike > 1) std::cerr << " (and " << unlike - 1 << " more band" << (unlike > 2 ? "s" : "") << ")";
  std::cerr << ": classes may not mean what they did\n";
}

}  // namespace

void WarnOfOtherData(const nlohmann::json& description, void* source, const std::vector<long>& bands,
                     const std::string& image) {
  if (Quiet()) return;
  const std::string trained = description.value("data-type", "");
  const std::string given = DataTypeName(ztRSGetDatasetType(source));
  if (trained != given)
    std::cerr << "ztclass: warning: the model was trained on " << Printable(trained) << " values, '" << image << "' holds "
              << given << " values: classes may not mean what they did\n";
  WarnOfOtherRange(description, source, bands, image);
}

}  // namespace ztcli
