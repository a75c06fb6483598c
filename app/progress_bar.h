#pragma once
// The host's progress display on stderr, and its answer to the library's
// stop requests (Ctrl-C).
#include <chrono>
#include <string>

namespace ztcli {

class ProgressBar {
 public:
  // A bar redrawn in place when stderr is a terminal; otherwise each phase's
  // caption on a line and GDAL's "0...10...20...100 - done." under it;
  // nothing with -q. Ctrl-C is answered in every case.
  ProgressBar();
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

 private:
  enum class Mode { kTerminal, kLines, kQuiet };

  static void OnStart(void* self);
  static void OnEnd(void* self);
  static void OnMainName(void* self, const char* text);
  static void OnSubName(void* self, const char* text);
  static void OnPosition(void* self, long low, long high, long position);
  static int OnStopRequested(void* self);

  double Fraction() const;
  void Draw(bool force);
  void FinishLine();
  void Tick();
  void ClosePhase();

  Mode mode_;
  bool drawn_ = false;
  bool captionDue_ = false;  // the main caption is not on a line yet
  bool lineDue_ = false;     // a phase was named since the last line began
  std::string main_, sub_;
  long low_ = 0, high_ = 0, position_ = 0;
  int lastPercent_ = -1;
  int ticks_ = -1;  // GDAL-style ticks printed in this phase (40 = done), -1: none
  std::chrono::steady_clock::time_point start_, lastDraw_;
};

}  // namespace ztcli
