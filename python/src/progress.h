#pragma once
// One library call's progress and stop, seen from Python. The call runs
// without the GIL; the sink takes it back only to report to the callback
// (when the shown percentage changes) and, a few times a second, to let
// Python run its signal handlers: Ctrl-C (KeyboardInterrupt) or an exception
// of the callback asks the call to stop, and is raised once it has returned.
#include <pybind11/pybind11.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "ztservices/progress.h"

namespace ztcli {
class OutputFiles;
}

namespace ztpy {

class CallProgress {
 public:
  // callback(fraction, caption), or None; made with the GIL held, and used
  // without it.
  explicit CallProgress(pybind11::object callback);
  ~CallProgress();
  CallProgress(const CallProgress&) = delete;
  CallProgress& operator=(const CallProgress&) = delete;

  const ZTProgressSink* Sink() const { return &sink_; }

  // After the call, without the GIL: raises what stopped it, if anything
  // did; else, when the call failed with code, raises that, with detail
  // (the library's own message, when it gives one).
  void Finish(long code, const std::string& what, const std::string& detail = "");

 private:
  static void OnMainName(void* self, const char* text);
  static void OnSubName(void* self, const char* text);
  static void OnPosition(void* self, long low, long high, long position);
  static int OnStopRequested(void* self);

  void Report(double fraction);
  // Keeps the Python exception now raised (GIL held) and asks for a stop.
  void Keep();

  pybind11::object callback_;
  ZTProgressSink sink_;
  std::mutex mutex_;  // what follows, touched by the call's threads
  std::string caption_;
  int percent_ = -1;
  std::chrono::steady_clock::time_point lastCheck_;
  std::optional<pybind11::error_already_set> pending_;
  std::atomic<bool> stop_{false};
};

// Runs call() (without the GIL) with the sink installed as the process-wide
// one, for calls that report to no other; such calls run one at a time.
long RunWithProcessSink(CallProgress& progress, const std::function<long()>& call);

// Without the GIL: moves the results of outputs into place, unless a Ctrl-C
// came while they were written; then raises it instead and leaves what they
// would replace as it was, as the command line does. Raised after a commit,
// it would report a stop that had replaced the earlier result.
void CommitUnlessStopped(ztcli::OutputFiles& outputs);

}  // namespace ztpy
