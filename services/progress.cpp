#include "ztservices/progress.h"

#include <memory>

namespace {

struct ProgressState {
  ZTProgressSink sink{};
  long low = 0, high = 0, position = 0, step = 1;
};

// A thread's own state, when one is installed, stands in for the
// process-wide one on that thread: concurrent calls each report to their own
// sink and keep their own range and position.
thread_local std::unique_ptr<ProgressState> threadState;

ProgressState& State() {
  static ProgressState state;
  return threadState ? *threadState : state;
}

void Report() {
  ProgressState& s = State();
  if (s.sink.position) s.sink.position(s.sink.userData, s.low, s.high, s.position);
}

}  // namespace

void ztSetProgressSink(const ZTProgressSink* sink) {
  State().sink = sink ? *sink : ZTProgressSink{};
}

void ztSetThreadProgressSink(const ZTProgressSink* sink) {
  if (!sink) {
    threadState.reset();
    return;
  }
  threadState = std::make_unique<ProgressState>();
  threadState->sink = *sink;
}

long StartProgress() {
  ProgressState& s = State();
  s.low = s.high = s.position = 0;
  s.step = 1;
  if (s.sink.start) s.sink.start(s.sink.userData);
  return 0;
}

long EndProgress() {
  ProgressState& s = State();
  if (s.sink.end) s.sink.end(s.sink.userData);
  return 0;
}

long SetMainProgressName(const char* text) {
  ProgressState& s = State();
  if (s.sink.mainName) s.sink.mainName(s.sink.userData, text ? text : "");
  return 0;
}

long SetSubProgressName(const char* text) {
  ProgressState& s = State();
  if (s.sink.subName) s.sink.subName(s.sink.userData, text ? text : "");
  return 0;
}

long SetRange(long low, long high) {
  ProgressState& s = State();
  s.low = low;
  s.high = high;
  Report();
  return 0;
}

long SetPos(long position) {
  State().position = position;
  Report();
  return 0;
}

long SetStep(long step) {
  State().step = step;
  return 0;
}

long StepIt() {
  ProgressState& s = State();
  s.position += s.step;
  Report();
  return 0;
}

long IsStopProgress() {
  ProgressState& s = State();
  return s.sink.stopRequested && s.sink.stopRequested(s.sink.userData) ? 1 : 0;
}
