#pragma once
// The host's progress bar on stderr, and Ctrl-C as a stop request.
#include <chrono>
#include <string>

namespace ztcli {

class ProgressBar {
 public:
  // A bar redrawn in place on a terminal; plain phase lines otherwise.
  explicit ProgressBar(bool terminal);
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

 private:
  static void OnStart(void* self);
  static void OnEnd(void* self);
  static void OnMainName(void* self, const char* text);
  static void OnSubName(void* self, const char* text);
  static void OnPosition(void* self, long low, long high, long position);
  static int OnStopRequested(void* self);

  void Draw(bool force);
  void FinishLine();

  bool terminal_;
  bool drawn_ = false;
  std::string main_, sub_;
  long low_ = 0, high_ = 0, position_ = 0;
  int lastPercent_ = -1;
  std::chrono::steady_clock::time_point start_, lastDraw_;
};

// The first Ctrl-C asks the running operation to stop; a second one ends
// the program at once.
void InstallInterruptHandler();
bool StopRequested();

}  // namespace ztcli
