#pragma once
// Reads a method's parameters from the JSON object a caller gives, each
// under its name with its default and range, and records the value used, so
// that the model describes exactly what it was trained with. An unknown
// name, a wrong type or a value out of range throws ModelError
// (RC_BAD_PARAMETER) naming the parameter.
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace zt {

class ParameterReader {
 public:
  // given: null or an object.
  ParameterReader(const nlohmann::json& given, nlohmann::json& used);

  double Number(const std::string& name, double fallback, double low, double high);
  long Integer(const std::string& name, long fallback, long low, long high);
  bool Flag(const std::string& name, bool fallback);
  // One number for every class, or a list of one per class; each within
  // [low, high].
  std::vector<float> PerClass(const std::string& name, double fallback, long classCount, double low, double high);
  // A list of integers (count of them, each within [low, high]), or empty
  // when absent.
  std::vector<long> IntegerList(const std::string& name, long count, long low, long high);
  // A list of integers of any length, each within [low, high]; fallback
  // when absent.
  std::vector<long> IntegerList(const std::string& name, const std::vector<long>& fallback, long low, long high);
  std::string Choice(const std::string& name, const std::string& fallback, const std::vector<std::string>& choices);
  bool Has(const std::string& name) const;

  // Every given name must have been read.
  void Finish() const;

 private:
  const nlohmann::json* Find(const std::string& name);
  [[noreturn]] void Fail(const std::string& name, const std::string& what) const;

  nlohmann::json given_;
  nlohmann::json& used_;
  std::vector<std::string> read_;
};

// The parameters text of a train call: empty or null means none.
nlohmann::json ParseParameters(const char* text);

}  // namespace zt
