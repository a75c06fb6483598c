#pragma once
// The fifteen methods as the model sees them: each trains a model from a
// source and applies one through the shared classification pass. The
// one-shot exports run the same two steps on one pass.
#include <functional>
#include <nlohmann/json.hpp>
#include <string>

#include "frame/classification_pass.h"
#include "frame/progress_session.h"
#include "model/model.h"

namespace zt {

struct TrainRequest {
  void* source;
  long* bands;
  long bandCount;
  Window window;
  nlohmann::json parameters;
};

struct MethodEntry {
  const char* name;
  int caption;  // main progress caption
  // Fills the model's method numbers, parameters and classes; the caller
  // fills the image's description.
  long (*train)(const TrainRequest& request, Model& model);
  // With the pass open and progress started: class records, then the pass.
  long (*apply)(const Model& model, ClassificationPass& pass);
  // "" when the model's numbers fit the method, else the reason.
  std::string (*check)(const Model& model);
  // The confidence of a pixel from its stored band values, where the method
  // scores its decision itself (the networks); null for the methods whose
  // confidence model/confidence.cpp computes.
  std::function<double(const double*)> (*score)(const Model& model) = nullptr;
};

// The entry of a method name, or null.
const MethodEntry* FindMethod(const std::string& name);

// Writes the model's class records into the pass's result.
long WriteModelClasses(const Model& model, ClassificationPass& pass);

// Shape checks for the methods' check functions: the named array exists
// with this shape (an empty expected shape accepts an absent or empty
// array only where optional is true).
std::string ExpectShape(const Model& model, const std::string& name, std::vector<long> shape, bool optional = false);
// The named vector holds distinct integers ascending in [1, highest class].
std::string ExpectClassList(const Model& model, const std::string& name);

}  // namespace zt
