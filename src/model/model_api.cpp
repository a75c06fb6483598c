// The model exports: train, apply, save, load, describe and free, each a
// result code, with the calling thread's message on failure.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "frame/arguments.h"
#include "frame/classification_pass.h"
#include "frame/progress_session.h"
#include "model/confidence.h"
#include "model/methods.h"
#include "model/model_error.h"
#include "model/model_file.h"
#include "model/parameters.h"
#include "ztclass/model.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

struct ZTModel {
  explicit ZTModel(zt::Model m) : model(std::move(m)), description(zt::DescribeModel(model).dump(2, ' ', false, nlohmann::json::error_handler_t::replace)) {}
  zt::Model model;
  std::string description;
};

namespace zt {

namespace {

thread_local std::string lastError;

// The call's own progress sink on this thread for its duration.
class ThreadProgress {
 public:
  explicit ThreadProgress(const ZTProgressSink* sink) : active_(sink != nullptr) {
    if (active_) ztSetThreadProgressSink(sink);
  }
  ~ThreadProgress() {
    if (active_) ztSetThreadProgressSink(nullptr);
  }
  ThreadProgress(const ThreadProgress&) = delete;
  ThreadProgress& operator=(const ThreadProgress&) = delete;

 private:
  bool active_;
};

std::string CodeText(long rc) {
  const ZTResultCodeInfo* info = ztFindResultCode(rc);
  return info ? std::string(info->name) + " (" + std::to_string(rc) + "): " + info->meaning
              : "result code " + std::to_string(rc);
}

// Runs body; no exception leaves, and a failure leaves its message. A read
// or write that failed says where and why: the raster service keeps the
// thread's last failure, forgotten as the call starts.
template <typename Body>
long ModelCall(Body&& body) noexcept {
  lastError.clear();
  long rc;
  try {
    ztRSResetLastIOError();
    rc = body();
    if (rc != RC_OK) lastError = CodeText(rc);
    if (rc == RC_RASTER_IO_FAILED && *ztRSLastIOError()) lastError += std::string("; ") + ztRSLastIOError();
  } catch (const ModelError& e) {
    rc = e.Code();
    lastError = e.what();
  } catch (const std::bad_alloc&) {
    rc = RC_OUT_OF_MEMORY;
    lastError = CodeText(rc);
  } catch (const std::exception& e) {
    rc = RC_INTERNAL_ERROR;
    lastError = CodeText(rc) + " (" + e.what() + ")";
  } catch (...) {
    rc = RC_INTERNAL_ERROR;
    lastError = CodeText(rc);
  }
  return rc;
}

std::string Errno() { return std::strerror(errno); }

// The mode of a file written at path: the one it replaces keeps its own, a
// new one takes 0666 less the umask (read from the kernel: setting it to
// read it would change it under the other threads' files).
mode_t ModeFor(const std::string& path) {
  struct stat existing {};
  if (stat(path.c_str(), &existing) == 0) return existing.st_mode & 07777;
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("Umask:", 0) == 0) return 0666 & ~static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
  return 0644;
}

// The file written whole under a temporary name beside it, then renamed
// over path: a reader sees the old file or the new one, never a part.
void WriteWhole(const std::string& path, const std::string& bytes) {
  std::string temporary = path + ".XXXXXX";
  const int fd = mkstemp(temporary.data());
  if (fd < 0) throw ModelError(RC_WORK_FILE_FAILED, "cannot write beside " + path + ": " + Errno());
  // mkstemp makes the file for its owner alone.
  fchmod(fd, ModeFor(path));
  const char* p = bytes.data();
  size_t left = bytes.size();
  bool ok = true;
  while (ok && left > 0) {
    const ssize_t written = write(fd, p, left);
    if (written < 0 && errno == EINTR) continue;
    ok = written > 0;
    if (ok) p += written, left -= static_cast<size_t>(written);
  }
  const std::string reason = ok ? "" : Errno();
  ok = ok && fsync(fd) == 0;
  ok = (close(fd) == 0) && ok;
  if (ok && std::rename(temporary.c_str(), path.c_str()) == 0) return;
  const std::string why = reason.empty() ? Errno() : reason;
  std::remove(temporary.c_str());
  throw ModelError(RC_WORK_FILE_FAILED, "cannot write " + path + ": " + why);
}

// GDAL's sampled minimum and maximum of each band (a few blocks, whatever
// the image's size; the image is only read): enough for a host to tell an
// image of another value range from the training image's. Empty when a
// band has no value GDAL can find.
std::vector<ValueRange> SampledValueRanges(void* source, const long* bands, long bandCount) {
  std::vector<ValueRange> ranges;
  for (long b = 0; b < bandCount; ++b) {
    double minMax[2];
    if (ztRSComputeRasterMinMax(ztRSGetRasterBand(source, bands[b]), 1, minMax) != 0 ||
        !std::isfinite(minMax[0]) || !std::isfinite(minMax[1]) || minMax[0] > minMax[1])
      return {};
    ranges.push_back({minMax[0], minMax[1]});
  }
  return ranges;
}

long Adopt(Model m, ZTModel** out) {
  *out = new ZTModel(std::move(m));
  return RC_OK;
}

}  // namespace

}  // namespace zt

using namespace zt;

long ztModelTrain(const char* method, const char* parametersJson, void* source, long* bands, long bandCount, long rows,
                  long columns, long firstRow, long firstColumn, const ZTProgressSink* progress, ZTModel** model) {
  return ModelCall([&]() -> long {
    if (!model) return RC_NULL_ARGUMENT;
    *model = nullptr;
    if (!method || !source || !bands) return RC_NULL_ARGUMENT;
    const MethodEntry* entry = FindMethod(method);
    if (!entry) throw ModelError(RC_BAD_PARAMETER, std::string("unknown method \"") + method + "\"");
    if (bandCount < 1 || bandCount > kMaxBands) throw ModelError(RC_BAD_PARAMETER, "the band count must lie within 1..1024");
    ThreadProgress sink(progress);
    Model m;
    m.method = entry->name;
    TrainRequest request{source, bands, bandCount, Window{rows, columns, firstRow, firstColumn},
                         ParseParameters(parametersJson)};
    if (long rc = entry->train(request, m)) return rc;
    m.bands.assign(bands, bands + bandCount);
    m.dataType = DataTypeName(ztRSGetDatasetType(source));
    m.valueRanges = SampledValueRanges(source, bands, bandCount);
    if (m.highestClass > 254)
      throw ModelError(RC_BAD_PARAMETER, "a model holds at most 254 classes; this training gives " +
                                             std::to_string(m.highestClass));
    CheckModel(m);
    return Adopt(std::move(m), model);
  });
}

long ztModelApply(const ZTModel* model, void* source, long* bands, long bandCount, void* result, void* confidence,
                  long rows, long columns, long firstRow, long firstColumn, const ZTProgressSink* progress) {
  return ModelCall([&]() -> long {
    if (!model) return RC_NULL_ARGUMENT;
    const Model& m = model->model;
    const MethodEntry* entry = FindMethod(m.method);
    if (!entry) return RC_INTERNAL_ERROR;
    if (bandCount != m.BandCount())
      throw ModelError(RC_BAD_PARAMETER, "the model takes " + std::to_string(m.BandCount()) + " bands; " +
                                             std::to_string(bandCount) + " given");
    void* confidenceBand = nullptr;
    if (confidence) {
      if (!HasConfidence(m))
        throw ModelError(RC_BAD_PARAMETER, "the method \"" + m.method + "\" gives no confidence");
      confidenceBand = ztRSGetRasterBand(confidence, 1);
      if (!confidenceBand || ztRSGetRasterXSize(confidence) != columns || ztRSGetRasterYSize(confidence) != rows)
        throw ModelError(RC_BAD_WINDOW, "the confidence dataset must have a band of the window's size");
    }
    ThreadProgress sink(progress);
    ProgressSession session;
    const Window w{rows, columns, firstRow, firstColumn};
    if (long rc = CheckCommonArguments(source, result, bandCount, w)) return rc;
    {
      ClassificationPass pass(source, bands, bandCount, result, w);
      if (long rc = pass.LookUpBands()) return rc;
      session.Start(entry->caption);
      if (long rc = pass.Open()) return rc;
      if (long rc = entry->apply(m, pass)) return rc;
    }
    if (!confidenceBand) return RC_OK;
    ClassificationPass pass(source, bands, bandCount, nullptr, w);
    if (long rc = pass.LookUpBands()) return rc;
    if (long rc = pass.Open()) return rc;
    return WriteConfidence(m, pass, confidenceBand);
  });
}

long ztModelSave(const ZTModel* model, const char* path) {
  return ModelCall([&]() -> long {
    if (!model || !path) return RC_NULL_ARGUMENT;
    WriteWhole(path, SerializeModel(model->model));
    return RC_OK;
  });
}

long ztModelSaveToBuffer(const ZTModel* model, void** buffer, size_t* size) {
  return ModelCall([&]() -> long {
    if (!model || !buffer || !size) return RC_NULL_ARGUMENT;
    *buffer = nullptr;
    *size = 0;
    const std::string bytes = SerializeModel(model->model);
    void* copy = std::malloc(bytes.size());
    if (!copy) return RC_OUT_OF_MEMORY;
    std::memcpy(copy, bytes.data(), bytes.size());
    *buffer = copy;
    *size = bytes.size();
    return RC_OK;
  });
}

void ztModelFreeBuffer(void* buffer) { std::free(buffer); }

long ztModelLoad(const char* path, ZTModel** model) {
  return ModelCall([&]() -> long {
    if (!model || !path) return RC_NULL_ARGUMENT;
    *model = nullptr;
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ModelError(RC_INPUT_FILE_FAILED, std::string("cannot open ") + path + ": " + Errno());
    // The magic first: a file of another kind (an image named in the model's
    // place, /dev/zero) is refused without being read whole.
    std::string bytes(kModelMagicSize, '\0');
    in.read(bytes.data(), kModelMagicSize);
    bytes.resize(static_cast<size_t>(in.gcount()));
    if (bytes == std::string(kModelMagic, kModelMagicSize))
      bytes.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) throw ModelError(RC_INPUT_FILE_FAILED, std::string("cannot read ") + path);
    try {
      return Adopt(DeserializeModel(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()), model);
    } catch (const ModelError& e) {
      throw ModelError(e.Code(), std::string(path) + ": " + e.what());
    }
  });
}

long ztModelLoadFromBuffer(const void* buffer, size_t size, ZTModel** model) {
  return ModelCall([&]() -> long {
    if (!model || (!buffer && size > 0)) return RC_NULL_ARGUMENT;
    *model = nullptr;
    return Adopt(DeserializeModel(static_cast<const unsigned char*>(buffer), size), model);
  });
}

const char* ztModelDescribe(const ZTModel* model) { return model ? model->description.c_str() : ""; }

void ztModelFree(ZTModel* model) { delete model; }

const char* ztModelLastError(void) { return lastError.c_str(); }
