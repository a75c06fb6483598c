#include "model_support.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <regex>

#include "cli_support.h"
#include "progress_bar.h"
#include "ztclass/result_codes.h"

namespace ztcli {

namespace {

// A number as the option gave it: one read as a float would show the
// digits of its double otherwise (1e31 as 9.999999848243207e+30).
std::string OptionNumber(double value) {
  char text[32];
  const bool narrow = std::fabs(value) <= FLT_MAX && static_cast<double>(static_cast<float>(value)) == value;
  const char* end = narrow ? std::to_chars(text, text + sizeof text, static_cast<float>(value)).ptr
                           : std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, static_cast<size_t>(end - text));
}

// A parameter's value as its option's text: lists joined by commas.
std::string OptionText(const nlohmann::json& value) {
  if (value.is_string()) return value.get<std::string>();
  if (value.is_number_float()) return OptionNumber(value.get<double>());
  if (!value.is_array()) return value.dump();
  std::string list;
  for (const nlohmann::json& entry : value) list += (list.empty() ? "" : ",") + OptionText(entry);
  return list;
}

// The training refuses a parameter as 'parameter "NAME": WHY' before any
// work; the option of that name gave a value that a model cannot take.
void RefuseOptionValue(const ModelSpec& spec) {
  static const std::regex kRefusal(R"re(parameter "([a-z-]+)": (must lie within .+))re");
  const std::string message = ztModelLastError();
  std::smatch match;
  if (!std::regex_match(message, match, kRefusal) || !spec.parameters.contains(match[1].str())) return;
  throw UsageError("--" + match[1].str() + " " + OptionText(spec.parameters[match[1].str()]) + ": " +
                   match[2].str() + " in a model");
}

}  // namespace

void CheckModelCall(long rc, const std::string& what) {
  if (rc == RC_OK) return;
  if (rc == RC_CANCELLED) throw Stopped();
  const std::string message = ztModelLastError();
  throw CommandError(what + " failed: " + (message.empty() ? DescribeResultCode(rc) : message));
}

ModelHandle TrainModel(const ModelSpec& spec, void* source, const std::vector<long>& bands, const Window& w) {
  if (spec.method.empty()) throw UsageError("this command cannot save a model yet");
  ZTModel* model = nullptr;
  long rc;
  {
    ProgressBar bar;
    const std::string parameters = spec.parameters.dump();
    rc = ztModelTrain(spec.method.c_str(), parameters.c_str(), source, const_cast<long*>(bands.data()),
                      static_cast<long>(bands.size()), w.rows, w.columns, w.firstRow, w.firstColumn, nullptr, &model);
  }
  if (rc == RC_BAD_PARAMETER) RefuseOptionValue(spec);
  CheckModelCall(rc, "training the " + spec.method + " model");
  return ModelHandle(model);
}

ModelHandle LoadModel(const std::string& path) {
  ZTModel* model = nullptr;
  const long rc = ztModelLoad(path.c_str(), &model);
  if (rc != RC_OK) throw CommandError(std::string("cannot load the model: ") + ztModelLastError());
  return ModelHandle(model);
}

void SaveModel(const ZTModel* model, const std::string& path) {
  CheckModelCall(ztModelSave(model, path.c_str()), "saving the model");
}

nlohmann::json DescribeModel(const ZTModel* model) { return nlohmann::json::parse(ztModelDescribe(model)); }

}  // namespace ztcli
