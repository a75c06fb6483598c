#pragma once
// What the seven networks share as models: the band scaling they learnt
// under, read back from the model's header; the checks of a network's named
// arrays; the seed of a model's own random draws; and the confidence of a
// decision, scored on the pixel's values as stored.
#include <functional>
#include <string>
#include <vector>

#include "frame/band_scaling.h"
#include "model/methods.h"
#include "model/parameters.h"

namespace zt {

// The scaling as the model's header keeps it: {"kind", "offset", "span"}.
nlohmann::json ScalingJson(const BandScaling& scaling);
// The scaling of a checked model.
BandScaling ModelScaling(const Model& model);
// "" when the header's scaling fits the model's band count, else the reason.
std::string CheckScaling(const Model& model);

// The first reason of a list of checks, "" when all pass.
std::string FirstReason(std::initializer_list<std::string> reasons);

// The named array exists as a vector of count whole numbers within
// [low, high]; its values as longs through values (when the check passes).
std::string ExpectSizes(const Model& model, const std::string& name, long count, long low, long high,
                        std::vector<long>* values = nullptr);

// The parameter "seed" (default 1, what rand() gives unseeded).
unsigned ReadSeed(ParameterReader& p);

// A parameter of the model's header that a decision reads: "" when it is
// there, of its type (and within [low, high]), else the reason.
std::string CheckNumberParameter(const Model& model, const std::string& name, double low, double high);
std::string CheckFlagParameter(const Model& model, const std::string& name);

// The confidence score of a network: scales the stored values as training
// did and gives the score of the decision's choice.
template <typename Decision>
std::function<double(const double*)> NetworkScore(const Model& model) {
  return [decision = Decision(model), scaling = ModelScaling(model),
          x = std::vector<double>(model.BandCount())](const double* values) mutable {
    scaling.Apply(values, x.data());
    double score = 0.0;
    decision.Decide(x.data(), &score);
    return score;
  };
}

}  // namespace zt
