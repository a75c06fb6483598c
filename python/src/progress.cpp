#include "progress.h"

#include <cmath>

#include "errors.h"
#include "output_files.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

namespace py = pybind11;

namespace ztpy {

namespace {

// How often a running call lets Python look for Ctrl-C: a stop is answered
// within this, and the GIL is taken only this often.
constexpr auto kSignalInterval = std::chrono::milliseconds(50);

std::mutex g_processSink;

}  // namespace

CallProgress::CallProgress(py::object callback)
    : callback_(std::move(callback)),
      sink_{this, nullptr, nullptr, OnMainName, OnSubName, OnPosition, OnStopRequested} {
  // The call runs on this thread: a read that fails in it is described by
  // Finish, not one of an earlier call.
  ztRSResetLastIOError();
}

CallProgress::~CallProgress() = default;

void CallProgress::OnMainName(void* self, const char* text) {
  auto* p = static_cast<CallProgress*>(self);
  std::lock_guard lock(p->mutex_);
  p->caption_ = text;
  p->percent_ = -1;
}

void CallProgress::OnSubName(void* self, const char* text) {
  auto* p = static_cast<CallProgress*>(self);
  std::lock_guard lock(p->mutex_);
  if (*text) p->caption_ = text;
  p->percent_ = -1;
}

void CallProgress::OnPosition(void* self, long low, long high, long position) {
  if (high <= low) return;
  const double fraction = std::clamp(static_cast<double>(position - low) / static_cast<double>(high - low), 0.0, 1.0);
  static_cast<CallProgress*>(self)->Report(fraction);
}

void CallProgress::Report(double fraction) {
  if (callback_.is_none() || stop_) return;
  std::unique_lock lock(mutex_);
  const int percent = static_cast<int>(std::floor(fraction * 100));
  if (percent == percent_) return;
  percent_ = percent;
  const std::string caption = caption_;
  lock.unlock();
  py::gil_scoped_acquire gil;
  try {
    callback_(fraction, caption);
  } catch (py::error_already_set& e) {
    e.restore();
    Keep();
  }
}

int CallProgress::OnStopRequested(void* self) {
  auto* p = static_cast<CallProgress*>(self);
  if (p->stop_) return 1;
  {
    std::lock_guard lock(p->mutex_);
    const auto now = std::chrono::steady_clock::now();
    if (now - p->lastCheck_ < kSignalInterval) return 0;
    p->lastCheck_ = now;
  }
  py::gil_scoped_acquire gil;
  if (PyErr_CheckSignals() != 0) p->Keep();
  return p->stop_ ? 1 : 0;
}

void CallProgress::Keep() {
  std::lock_guard lock(mutex_);
  if (!pending_) pending_.emplace();  // fetches the raised exception
  else PyErr_Clear();
  stop_ = true;
}

void CallProgress::Finish(long code, const std::string& what, const std::string& detail) {
  if (stop_) {
    py::gil_scoped_acquire gil;
    if (pending_) {
      pending_->restore();
      pending_.reset();
      throw py::error_already_set();
    }
  }
  Check(code, what, detail);
}

long RunWithProcessSink(CallProgress& progress, const std::function<long()>& call) {
  std::lock_guard lock(g_processSink);
  struct Installed {
    explicit Installed(const ZTProgressSink* sink) { ztSetProgressSink(sink); }
    ~Installed() { ztSetProgressSink(nullptr); }
  } installed(progress.Sink());
  return call();
}

void CommitUnlessStopped(ztcli::OutputFiles& outputs) {
  {
    py::gil_scoped_acquire gil;
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
  }
  outputs.Commit();
}

}  // namespace ztpy
