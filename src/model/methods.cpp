#include "model/methods.h"

#include <cmath>

#include "model/method_list.h"
#include "ztclass/classinfo.h"

namespace zt {

const MethodEntry* FindMethod(const std::string& name) {
  static const MethodEntry* const kMethods[] = {
      &kMinimumDistanceMethod,       &kParallelepipedMethod,        &kGeneralizedDistanceMethod,
      &kMaxLikelihoodMethod,         &kClusterParallelepipedMethod, &kClusterMinimumDistanceMethod,
      &kClusterGeneralizedDistanceMethod, &kIsodataMethod,               &kBPMethod,
      &kHighOrderMethod,             &kRBFMethod,                   &kLVQ2Method,
      &kKohonenMethod,               &kARTMethod,                   &kFuzzyARTMethod};
  for (const MethodEntry* method : kMethods)
    if (name == method->name) return method;
  return nullptr;
}

long WriteModelClasses(const Model& model, ClassificationPass& pass) {
  std::vector<AOI> records = model.Records();
  return ztRSWriteClassAtt(pass.Result(), pass.ResultBand(), model.highestClass,
                           records.empty() ? nullptr : records.data());
}

namespace {

std::string ShapeText(const std::vector<long>& shape) {
  std::string text = "[";
  for (size_t i = 0; i < shape.size(); ++i) text += (i ? ", " : "") + std::to_string(shape[i]);
  return text + "]";
}

}  // namespace

std::string ExpectShape(const Model& model, const std::string& name, std::vector<long> shape, bool optional) {
  const auto it = model.numbers.find(name);
  if (it == model.numbers.end()) return "the numbers \"" + name + "\" are missing";
  const std::vector<long>& given = it->second.shape;
  if (given == shape) return "";
  if (optional && !shape.empty()) {
    shape[0] = 0;
    if (given == shape) return "";
  }
  return "the numbers \"" + name + "\" have shape " + ShapeText(given) + " where " + ShapeText(shape) +
         " belongs";
}

std::string ExpectClassList(const Model& model, const std::string& name) {
  if (!model.numbers.count(name)) return "the numbers \"" + name + "\" are missing";
  if (std::string reason = ExpectShape(model, name, {static_cast<long>(model.At(name).values.size())});
      !reason.empty())
    return reason;
  double previous = 0.0;
  for (double v : model.At(name).values) {
    if (v != std::floor(v) || v <= previous || v > static_cast<double>(model.highestClass))
      return "the class list \"" + name + "\" must hold ascending class numbers from 1 to the highest class";
    previous = v;
  }
  if (model.At(name).values.empty()) return "the class list \"" + name + "\" is empty";
  return "";
}

}  // namespace zt
