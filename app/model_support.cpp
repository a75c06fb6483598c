#include "model_support.h"

#include "cli_support.h"
#include "progress_bar.h"
#include "ztclass/result_codes.h"

namespace ztcli {

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
