#include "progress_bar.h"

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>

#include "cli_support.h"
#include "ztservices/progress.h"

namespace ztcli {

namespace {

volatile std::sig_atomic_t g_interrupts = 0;

void OnInterrupt(int) {
  g_interrupts = g_interrupts + 1;
  if (g_interrupts >= 2) {
    constexpr char kMessage[] = "\nztclass: interrupted\n";
    [[maybe_unused]] ssize_t ignored = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    _exit(kStoppedStatus);
  }
}

constexpr int kBarWidth = 30;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

}  // namespace

void InstallInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
}

bool StopRequested() { return g_interrupts > 0; }

ProgressBar::ProgressBar(bool terminal) : terminal_(terminal) {
  start_ = std::chrono::steady_clock::now();
  ZTProgressSink sink{this, OnStart, OnEnd, OnMainName, OnSubName, OnPosition, OnStopRequested};
  ztSetProgressSink(&sink);
}

ProgressBar::~ProgressBar() {
  ztSetProgressSink(nullptr);
  FinishLine();
}

void ProgressBar::OnStart(void* self) {
  auto* bar = static_cast<ProgressBar*>(self);
  bar->start_ = std::chrono::steady_clock::now();
  bar->low_ = bar->high_ = bar->position_ = 0;
}

void ProgressBar::OnEnd(void* self) {
  auto* bar = static_cast<ProgressBar*>(self);
  // Some phases leave their last step unused: the work is done all the same.
  bar->position_ = bar->high_;
  if (bar->terminal_ && bar->drawn_) bar->Draw(true);
  bar->FinishLine();
}

void ProgressBar::OnMainName(void* self, const char* text) {
  auto* bar = static_cast<ProgressBar*>(self);
  bar->main_ = text;
  bar->sub_.clear();
}

void ProgressBar::OnSubName(void* self, const char* text) {
  auto* bar = static_cast<ProgressBar*>(self);
  if (bar->sub_ == text) return;
  bar->sub_ = text;
  if (bar->terminal_) {
    bar->Draw(true);
  } else {
    std::fprintf(stderr, "%s%s%s\n", bar->main_.c_str(), bar->main_.empty() ? "" : " ", text);
  }
}

void ProgressBar::OnPosition(void* self, long low, long high, long position) {
  auto* bar = static_cast<ProgressBar*>(self);
  bar->low_ = low;
  bar->high_ = high;
  bar->position_ = position;
  if (bar->terminal_) bar->Draw(false);
}

int ProgressBar::OnStopRequested(void*) { return StopRequested() ? 1 : 0; }

void ProgressBar::Draw(bool force) {
  const long span = high_ - low_;
  const double fraction = span > 0 ? std::clamp(double(position_ - low_) / span, 0.0, 1.0) : 0.0;
  const int percent = static_cast<int>(fraction * 100);
  const auto now = std::chrono::steady_clock::now();
  if (!force && percent == lastPercent_ && now - lastDraw_ < kRedrawInterval) return;
  lastPercent_ = percent;
  lastDraw_ = now;
  const long seconds = std::chrono::duration_cast<std::chrono::seconds>(now - start_).count();
  const int filled = static_cast<int>(fraction * kBarWidth);
  std::string bar(filled, '#');
  bar.append(kBarWidth - filled, '-');
  std::fprintf(stderr, "\r\033[K%s %s [%s] %3d%% %ld:%02ld", main_.c_str(), sub_.c_str(), bar.c_str(),
               percent, seconds / 60, seconds % 60);
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressBar::FinishLine() {
  if (terminal_ && drawn_) std::fputc('\n', stderr);
  drawn_ = false;
}

}  // namespace ztcli
