#include "model/parameters.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "model/model_error.h"
#include "model/shallow_json.h"
#include "ztclass/result_codes.h"

namespace zt {

ParameterReader::ParameterReader(const nlohmann::json& given, nlohmann::json& used)
    : given_(given.is_null() ? nlohmann::json::object() : given), used_(used) {
  if (!given_.is_object()) throw ModelError(RC_BAD_PARAMETER, "the parameters are not a JSON object");
  used_ = nlohmann::json::object();
}

void ParameterReader::Fail(const std::string& name, const std::string& what) const {
  throw ModelError(RC_BAD_PARAMETER, "parameter \"" + name + "\": " + what);
}

const nlohmann::json* ParameterReader::Find(const std::string& name) {
  read_.push_back(name);
  const auto it = given_.find(name);
  return it == given_.end() || it->is_null() ? nullptr : &*it;
}

bool ParameterReader::Has(const std::string& name) const {
  const auto it = given_.find(name);
  return it != given_.end() && !it->is_null();
}

namespace {

std::string Range(double low, double high) {
  nlohmann::json range = {low, high};
  return "must lie within " + range.dump();
}

}  // namespace

double ParameterReader::Number(const std::string& name, double fallback, double low, double high) {
  double value = fallback;
  if (const nlohmann::json* v = Find(name)) {
    if (!v->is_number()) Fail(name, "must be a number");
    value = v->get<double>();
    if (!std::isfinite(value) || value < low || value > high) Fail(name, Range(low, high));
  }
  used_[name] = value;
  return value;
}

long ParameterReader::Integer(const std::string& name, long fallback, long low, long high) {
  long value = fallback;
  if (const nlohmann::json* v = Find(name)) {
    if (!v->is_number_integer()) Fail(name, "must be an integer");
    const long long given = v->get<long long>();
    if (given < low || given > high) Fail(name, Range(double(low), double(high)));
    value = static_cast<long>(given);
  }
  used_[name] = value;
  return value;
}

bool ParameterReader::Flag(const std::string& name, bool fallback) {
  bool value = fallback;
  if (const nlohmann::json* v = Find(name)) {
    if (!v->is_boolean()) Fail(name, "must be true or false");
    value = v->get<bool>();
  }
  used_[name] = value;
  return value;
}

std::vector<float> ParameterReader::PerClass(const std::string& name, double fallback, long classCount, double low,
                                             double high) {
  std::vector<double> values(classCount, fallback);
  if (const nlohmann::json* v = Find(name)) {
    if (v->is_number()) {
      values.assign(classCount, v->get<double>());
    } else if (v->is_array()) {
      if (static_cast<long>(v->size()) != classCount)
        Fail(name, "lists " + std::to_string(v->size()) + " values for " + std::to_string(classCount) + " classes");
      values.clear();
      for (const auto& e : *v) {
        if (!e.is_number()) Fail(name, "must hold numbers");
        values.push_back(e.get<double>());
      }
    } else {
      Fail(name, "must be a number or a list of one per class");
    }
    for (double x : values)
      if (!std::isfinite(x) || x < low || x > high) Fail(name, Range(low, high));
  }
  used_[name] = values;
  return std::vector<float>(values.begin(), values.end());
}

std::vector<long> ParameterReader::IntegerList(const std::string& name, long count, long low, long high) {
  const nlohmann::json* v = Find(name);
  if (!v) return {};
  if (!v->is_array() || static_cast<long>(v->size()) != count)
    Fail(name, "must be a list of " + std::to_string(count) + " integers");
  return IntegerList(name, std::vector<long>{}, low, high);
}

std::vector<long> ParameterReader::IntegerList(const std::string& name, const std::vector<long>& fallback, long low,
                                               long high) {
  std::vector<long> values = fallback;
  if (const nlohmann::json* v = Find(name)) {
    if (!v->is_array()) Fail(name, "must be a list of integers");
    values.clear();
    for (const auto& e : *v) {
      if (!e.is_number_integer()) Fail(name, "must hold integers");
      const long long x = e.get<long long>();
      if (x < low || x > high) Fail(name, Range(double(low), double(high)));
      values.push_back(static_cast<long>(x));
    }
  }
  used_[name] = values;
  return values;
}

std::string ParameterReader::Choice(const std::string& name, const std::string& fallback,
                                    const std::vector<std::string>& choices) {
  std::string value = fallback;
  if (const nlohmann::json* v = Find(name)) {
    if (!v->is_string() || std::find(choices.begin(), choices.end(), v->get<std::string>()) == choices.end())
      Fail(name, "must be one of " + nlohmann::json(choices).dump());
    value = v->get<std::string>();
  }
  used_[name] = value;
  return value;
}

void ParameterReader::Finish() const {
  for (const auto& item : given_.items())
    if (std::find(read_.begin(), read_.end(), item.key()) == read_.end())
      Fail(item.key(), "is not a parameter of this method");
}

nlohmann::json ParseParameters(const char* text) {
  if (!text || !*text) return nlohmann::json::object();
  return ParseShallowJson(text, text + std::strlen(text), RC_BAD_PARAMETER, "the parameters are");
}

}  // namespace zt
