#include "progress_bar.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>

#include "cli_support.h"
#include "interrupt.h"
#include "ztservices/progress.h"

namespace ztcli {

namespace {

constexpr int kBarWidth = 30;
constexpr int kTicks = 40;  // GDAL's 2.5 % steps
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

}  // namespace

ProgressBar::ProgressBar()
    : mode_(Quiet() ? Mode::kQuiet : isatty(STDERR_FILENO) ? Mode::kTerminal : Mode::kLines) {
  start_ = std::chrono::steady_clock::now();
  ZTProgressSink sink{this, OnStart, OnEnd, OnMainName, OnSubName, OnPosition, OnStopRequested};
  ztSetProgressSink(&sink);
}

ProgressBar::~ProgressBar() {
  ztSetProgressSink(nullptr);
  ClosePhase();
  FinishLine();
}

void ProgressBar::OnStart(void* self) {
  auto* bar = static_cast<ProgressBar*>(self);
  bar->start_ = std::chrono::steady_clock::now();
  bar->low_ = bar->high_ = bar->position_ = 0;
}

void ProgressBar::OnEnd(void* self) {
  auto* bar = static_cast<ProgressBar*>(self);
  if (bar->mode_ == Mode::kQuiet) return;
  if (!StopRequested()) {
    bar->position_ = bar->high_;
    if (bar->mode_ == Mode::kTerminal && bar->drawn_) bar->Draw(true);
  }
  bar->ClosePhase();
  bar->FinishLine();
}

void ProgressBar::OnMainName(void* self, const char* text) {
  auto* bar = static_cast<ProgressBar*>(self);
  bar->main_ = text;
  bar->sub_.clear();
  bar->captionDue_ = !bar->main_.empty();
  bar->lineDue_ = bar->captionDue_;
}

void ProgressBar::OnSubName(void* self, const char* text) {
  auto* bar = static_cast<ProgressBar*>(self);
  if (bar->sub_ == text || bar->mode_ == Mode::kQuiet) return;
  bar->sub_ = text;
  if (bar->mode_ == Mode::kTerminal) {
    bar->Draw(true);
    return;
  }
  bar->ClosePhase();
  bar->captionDue_ = false;
  const bool same = bar->main_ == bar->sub_ || bar->main_.empty();
  std::cerr << (same ? "" : bar->main_ + " ") << text << "\n";
  bar->ticks_ = -1;
  bar->lineDue_ = true;
  bar->low_ = bar->high_ = bar->position_ = 0;
}

void ProgressBar::OnPosition(void* self, long low, long high, long position) {
  auto* bar = static_cast<ProgressBar*>(self);
  if (bar->mode_ == Mode::kQuiet) return;
  const bool newRange = low != bar->low_ || high != bar->high_;
  if (bar->mode_ == Mode::kLines && newRange && bar->ticks_ >= 0) bar->ClosePhase();
  bar->low_ = low;
  bar->high_ = high;
  bar->position_ = position;
  if (bar->mode_ == Mode::kTerminal) bar->Draw(false);
  else if (high > low) bar->Tick();
}

int ProgressBar::OnStopRequested(void*) { return StopRequested() ? 1 : 0; }

double ProgressBar::Fraction() const {
  const long span = high_ - low_;
  return span > 0 ? std::clamp(double(position_ - low_) / span, 0.0, 1.0) : 0.0;
}

void ProgressBar::Tick() {
  // A phase's line begins with its first step: operations often set the
  // range before naming the phase. Only a named phase gets a line: the
  // unnamed ranges that follow it (one per polygon, say) would repeat it.
  if (ticks_ >= kTicks || (ticks_ < 0 && (position_ <= low_ || !lineDue_))) return;
  if (ticks_ < 0) lineDue_ = false;
  if (ticks_ < 0 && captionDue_) {
    std::cerr << main_ << "\n";
    captionDue_ = false;
  }
  const int target = static_cast<int>(Fraction() * kTicks);
  while (ticks_ < target || ticks_ < 0) {
    ++ticks_;
    if (ticks_ % 4 == 0) std::cerr << ticks_ / 4 * 10;
    else std::cerr << '.';
  }
  if (ticks_ == kTicks) std::cerr << " - done.\n";
  std::cerr.flush();
}

// Some phases leave their last steps unused (merging steps once per clump
// size, not per row): a phase left for the next one, or for the end, is
// done all the same. Only a stop ends its line without "done".
void ProgressBar::ClosePhase() {
  if (ticks_ >= 0 && ticks_ < kTicks && !StopRequested()) {
    position_ = high_;
    Tick();
  }
  if (ticks_ >= 0 && ticks_ < kTicks) std::cerr << '\n';
  ticks_ = -1;
}

void ProgressBar::Draw(bool force) {
  const double fraction = Fraction();
  const int percent = static_cast<int>(fraction * 100);
  const auto now = std::chrono::steady_clock::now();
  if (!force && percent == lastPercent_ && now - lastDraw_ < kRedrawInterval) return;
  lastPercent_ = percent;
  lastDraw_ = now;
  const long seconds = std::chrono::duration_cast<std::chrono::seconds>(now - start_).count();
  const int filled = static_cast<int>(fraction * kBarWidth);
  std::string bar(filled, '#');
  bar.append(kBarWidth - filled, '-');
  const char* sub = sub_ == main_ ? "" : sub_.c_str();
  char counters[48];
  std::snprintf(counters, sizeof counters, "] %3d%% %ld:%02ld", percent, seconds / 60, seconds % 60);
  std::cerr << "\r\033[K" << main_ << " " << sub << " [" << bar << counters;
  std::cerr.flush();
  drawn_ = true;
}

void ProgressBar::FinishLine() {
  if (mode_ == Mode::kTerminal && drawn_) std::cerr << '\n';
  drawn_ = false;
}

}  // namespace ztcli
