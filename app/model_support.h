#pragma once
// Models in the host: the method and parameters a classify command would
// train with, training under the progress bar, saving, loading, and the
// "train" mode in which a classify command writes its model instead of a
// class image.
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "result_options.h"
#include "ztclass/model.h"

namespace ztcli {

// The library's method name and parameters of a classify command's options,
// each parameter named as the option that gives it.
struct ModelSpec {
  std::string method;
  nlohmann::json parameters = nlohmann::json::object();
};

struct ModelFree {
  void operator()(ZTModel* model) const { ztModelFree(model); }
};
using ModelHandle = std::unique_ptr<ZTModel, ModelFree>;

// A library result code of a model call as a CommandError with the call's
// message.
void CheckModelCall(long resultCode, const std::string& what);

// Trains under the progress bar. A parameter beyond what a model takes is
// a usage error of its option.
ModelHandle TrainModel(const ModelSpec& spec, void* source, const std::vector<long>& bands, const Window& window);
ModelHandle LoadModel(const std::string& path);
void SaveModel(const ZTModel* model, const std::string& path);
// The model's description (its JSON header).
nlohmann::json DescribeModel(const ZTModel* model);

}  // namespace ztcli
