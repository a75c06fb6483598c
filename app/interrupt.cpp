#include "interrupt.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>

#include "cli_support.h"

namespace ztcli {

namespace {

// What the handler removes lives in fixed storage: it may not allocate.
constexpr size_t kPathSize = 4096;
constexpr int kMaxDirectories = 8;
char g_directories[kMaxDirectories][kPathSize];
int g_directoryCount = 0;
char g_prefix[128];
char g_workDirectory[kPathSize];
char g_workLock[kPathSize];

std::atomic<int> g_interrupts{0};
volatile std::sig_atomic_t g_signal = 0;  // the first stop signal received
// The InterruptBlocks alive. A block masks the stop signals on its own
// thread only, and the kernel hands a signal to any thread that does not
// mask it (a worker's, GDAL's): under a block the handler only counts.
std::atomic<int> g_blocks{0};

// The signals that stop a run: Ctrl-C, a batch scheduler's or a service
// manager's SIGTERM, a closed terminal's SIGHUP.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
std::atomic<bool> g_registry{true};

bool StartsWith(const char* name, const char* prefix) {
  return std::strncmp(name, prefix, std::strlen(prefix)) == 0;
}

// Calls visit(directory fd, entry name) for every entry but . and
// .., with raw getdents64, which is safe in a signal handler.
template <typename Visit>
void ForEachEntry(int fd, Visit visit) {
  alignas(8) char buffer[4096];
  for (;;) {
    const long bytes = syscall(SYS_getdents64, fd, buffer, sizeof buffer);
    if (bytes <= 0) return;
    for (long offset = 0; offset < bytes;) {
      auto* entry = reinterpret_cast<struct dirent64*>(buffer + offset);
      offset += entry->d_reclen;
      if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
      visit(fd, entry->d_name);
    }
  }
}

// Removing entries while reading a directory may hide others from the same
// reading, so each directory is read until nothing is left to remove.
constexpr int kPasses = 3;

// The library keeps its temporary files one or two levels down.
void RemoveTree(int parent, const char* name, int depth) {
  if (unlinkat(parent, name, 0) == 0 || depth > 4) return;
  const int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
  if (fd < 0) return;
  for (int pass = 0; pass < kPasses && unlinkat(parent, name, AT_REMOVEDIR) != 0; ++pass) {
    lseek(fd, 0, SEEK_SET);
    ForEachEntry(fd, [depth](int dir, const char* entry) { RemoveTree(dir, entry, depth + 1); });
  }
  close(fd);
}

void RemoveWhatWasWritten() {
  for (int i = 0; i < g_directoryCount; ++i) {
    const int fd = open(g_directories[i], O_RDONLY | O_DIRECTORY);
    if (fd < 0) continue;
    for (int pass = 0; pass < kPasses; ++pass) {
      lseek(fd, 0, SEEK_SET);
      ForEachEntry(fd, [](int dir, const char* entry) {
        if (StartsWith(entry, g_prefix)) unlinkat(dir, entry, 0);
      });
    }
    close(fd);
  }
  if (g_workDirectory[0]) RemoveTree(AT_FDCWD, g_workDirectory, 0);
  if (g_workLock[0]) unlink(g_workLock);
}

[[noreturn]] void StopNow() {
  RemoveWhatWasWritten();
  constexpr char kMessage[] = "\nztclass: interrupted; temporary results removed\n";
  [[maybe_unused]] ssize_t ignored = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
  _exit(StoppedStatus());
}

void OnInterrupt(int signal) {
  if (g_interrupts == 0) g_signal = signal;
  if (++g_interrupts < 2 || g_blocks > 0) return;
  StopNow();
}

void CopyPath(char* field, const std::string& path) {
  const size_t size = std::min(path.size(), kPathSize - 1);
  std::memcpy(field, path.data(), size);
  field[size] = '\0';
}

}  // namespace

void InstallInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  for (int signal : kStopSignals) sigaction(signal, &action, nullptr);
  // Past a file-size limit a write then fails with EFBIG, which the command
  // reports and cleans up after, instead of the process dying mid-file.
  signal(SIGXFSZ, SIG_IGN);
}

bool StopRequested() { return g_interrupts > 0; }

int StoppedStatus() { return 128 + (g_signal ? g_signal : SIGINT); }

void KeepNoTemporaryFileRegistry() { g_registry = false; }

bool KeepsTemporaryFileRegistry() { return g_registry; }

void RegisterTemporaryFiles(const std::string& directory, const std::string& prefix) {
  if (!g_registry) return;
  InterruptBlock block;
  CopyPath(g_prefix, prefix.substr(0, sizeof g_prefix - 1));
  for (int i = 0; i < g_directoryCount; ++i)
    if (directory == g_directories[i]) return;
  if (g_directoryCount == kMaxDirectories || directory.size() >= kPathSize)
    throw CommandError("too many result directories");
  CopyPath(g_directories[g_directoryCount++], directory);
}

void RegisterWorkDirectory(const std::string& path, const std::string& lock) {
  if (!g_registry) return;
  InterruptBlock block;
  CopyPath(g_workDirectory, path);
  CopyPath(g_workLock, lock);
}

InterruptBlock::InterruptBlock() {
  ++g_blocks;
  sigset_t set;
  sigemptyset(&set);
  for (int signal : kStopSignals) sigaddset(&set, signal);
  sigprocmask(SIG_BLOCK, &set, &previous_);
}

InterruptBlock::~InterruptBlock() {
  sigprocmask(SIG_SETMASK, &previous_, nullptr);
  // A second stop that came under the blocks ends the run now.
  if (--g_blocks == 0 && g_interrupts >= 2) StopNow();
}

}  // namespace ztcli
