#include "neural/network_model.h"

#include <cmath>

namespace zt {

namespace {
const char* const kDivideBy255 = "value/255";
const char* const kTrainingRange = "training-range";
const char* const kTrainingRangeUnclamped = "training-range-unclamped";

const char* KindName(BandScalingKind kind) {
  switch (kind) {
    case BandScalingKind::kDivideBy255: return kDivideBy255;
    case BandScalingKind::kTrainingRange: return kTrainingRange;
    case BandScalingKind::kTrainingRangeUnclamped: return kTrainingRangeUnclamped;
  }
  return kTrainingRangeUnclamped;
}

}  // namespace

nlohmann::json ScalingJson(const BandScaling& s) {
  return {{"kind", KindName(s.kind)},
          {"offset", s.offset},
          {"span", s.span},
          {"text", DescribeBandScaling(s)}};
}

BandScaling ModelScaling(const Model& m) {
  BandScaling s;
  const nlohmann::json& kind = m.scaling.at("kind");
  s.kind = kind == kDivideBy255     ? BandScalingKind::kDivideBy255
           : kind == kTrainingRange ? BandScalingKind::kTrainingRange
                                    : BandScalingKind::kTrainingRangeUnclamped;
  s.offset = m.scaling.at("offset").get<std::vector<double>>();
  s.span = m.scaling.at("span").get<std::vector<double>>();
  return s;
}

std::string CheckScaling(const Model& m) {
  const nlohmann::json& s = m.scaling;
  const char* const bad = "the band scaling is missing or malformed";
  if (!s.is_object() || !s.contains("kind") || !s["kind"].is_string()) return bad;
  if (s["kind"] != kDivideBy255 && s["kind"] != kTrainingRange && s["kind"] != kTrainingRangeUnclamped)
    return "the band scaling is of an unknown kind";
  for (const char* name : {"offset", "span"}) {
    if (!s.contains(name) || !s[name].is_array() || static_cast<long>(s[name].size()) != m.BandCount()) return bad;
    for (const auto& v : s[name])
      if (!v.is_number() || !std::isfinite(v.get<double>())) return bad;
  }
  for (const auto& v : s["span"])
    if (!(v.get<double>() > 0.0)) return "a band's scaling span is not above 0";
  return "";
}

std::string FirstReason(std::initializer_list<std::string> reasons) {
  for (const std::string& reason : reasons)
    if (!reason.empty()) return reason;
  return "";
}

std::string ExpectSizes(const Model& m, const std::string& name, long count, long low, long high,
                        std::vector<long>* values) {
  if (std::string reason = ExpectShape(m, name, {count}); !reason.empty()) return reason;
  std::vector<long> sizes;
  for (double v : m.At(name).values) {
    if (v != std::floor(v) || v < double(low) || v > double(high))
      return "the numbers \"" + name + "\" must be whole numbers within " + std::to_string(low) + ".." +
             std::to_string(high);
    sizes.push_back(static_cast<long>(v));
  }
  if (values) *values = std::move(sizes);
  return "";
}

unsigned ReadSeed(ParameterReader& p) { return static_cast<unsigned>(p.Integer("seed", 1, 0, 4294967295L)); }

std::string CheckNumberParameter(const Model& m, const std::string& name, double low, double high) {
  const auto it = m.parameters.find(name);
  if (it == m.parameters.end() || !it->is_number() || !(it->get<double>() >= low && it->get<double>() <= high))
    return "the parameter \"" + name + "\" is missing or out of range";
  return "";
}

std::string CheckFlagParameter(const Model& m, const std::string& name) {
  const auto it = m.parameters.find(name);
  if (it == m.parameters.end() || !it->is_boolean()) return "the parameter \"" + name + "\" is missing or not true/false";
  return "";
}

}  // namespace zt
