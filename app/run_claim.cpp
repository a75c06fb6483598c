#include "run_claim.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

#include "cli_support.h"

namespace ztcli {

namespace fs = std::filesystem;

namespace {

constexpr char kLockSuffix[] = ".lock";

// A lock file is created, then locked, then given its owner's process id.
// An empty one may be a run between the first and the last step; only one
// that stayed empty this long belongs to a run that died in between.
constexpr auto kBirthTime = std::chrono::seconds(60);

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Open-file-description locks: held by this open file for as long as it is
// open, whatever else the process opens or closes, and dropped by the kernel
// when the process dies.
bool Lock(int fd, short type, bool wait) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  for (;;) {
    if (fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock) == 0) return true;
    if (errno != EINTR) return false;
  }
}

// Whether the run that made this lock file has ended: its lock is free and
// it got as far as writing its process id (or died long ago trying).
bool Dead(int directory, const std::string& lockName) {
  const int fd = openat(directory, lockName.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  // A shared lock: it needs only read access and conflicts with the owner's.
  bool dead = Lock(fd, F_RDLCK, false);
  struct stat st;
  if (dead && fstat(fd, &st) == 0 && st.st_size == 0) {
    const auto age = std::chrono::system_clock::now() - std::chrono::system_clock::from_time_t(st.st_mtime);
    dead = age > kBirthTime;
  }
  close(fd);
  return dead;
}

}  // namespace

std::string NewRunToken() {
  constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  std::string token = kTemporaryPrefix;
  for (int i = 0; i < 8; ++i) token += kLetters[random() % (sizeof kLetters - 1)];
  return token;
}

std::string DirectoryClaim::LockName(const std::string& token) { return token + kLockSuffix; }

DirectoryClaim::DirectoryClaim(const std::string& directory, const std::string& token, const std::string& what)
    : path_(directory + "/" + LockName(token)) {
  auto failed = [&](int error) {
    return CommandError("cannot write " + what + " into the directory '" + directory + "': " + ErrnoReason(error));
  };
  fd_ = open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd_ < 0) throw failed(errno);
  // A sweeping run may hold its shared lock for a moment: wait for it. A
  // file system without locks is written to all the same; there no run can
  // lock the file, so none takes this run for dead either.
  const std::string pid = std::to_string(getpid()) + "\n";
  const bool locked = Lock(fd_, F_WRLCK, true) || errno == EINVAL || errno == ENOLCK || errno == EOPNOTSUPP;
  if (!locked || write(fd_, pid.data(), pid.size()) != static_cast<ssize_t>(pid.size())) {
    const int error = errno;
    close(fd_);
    unlink(path_.c_str());
    throw failed(error);
  }
}

DirectoryClaim::~DirectoryClaim() {
  unlink(path_.c_str());
  close(fd_);
}

void SweepDeadRuns(const std::string& directory) {
  std::error_code error;
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory, error))
    names.push_back(entry.path().filename().string());
  const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  for (const std::string& lockName : names) {
    if (lockName.rfind(kTemporaryPrefix, 0) != 0 || !EndsWith(lockName, kLockSuffix) || !Dead(fd, lockName))
      continue;
    const std::string token = lockName.substr(0, lockName.size() - std::strlen(kLockSuffix));
    for (const std::string& name : names) {
      if (name == lockName || name.rfind(token, 0) != 0) continue;
      std::error_code ignored;
      fs::remove_all(fs::path(directory) / name, ignored);
    }
    // The lock file last: while it is there, the files are known to be dead.
    unlinkat(fd, lockName.c_str(), 0);
  }
  close(fd);
}

}  // namespace ztcli
