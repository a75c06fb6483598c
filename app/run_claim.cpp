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

// Where a lock file cannot be made whole before it is named, it is created,
// then locked, then given its owner's process id. An empty one may be a run
// between the first and the last step; only one that stayed empty this long
// belongs to a run that died in between.
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

// A write lock on fd, or a file system without locks: files there are written
// to all the same; no run can lock them, so none takes another for dead.
bool WriteLockedOrLockless(int fd, bool wait) {
  return Lock(fd, F_WRLCK, wait) || errno == EINVAL || errno == ENOLCK || errno == EOPNOTSUPP;
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

// The lock file made whole before it has a name: an unnamed file in the
// directory, locked and given the pid, then linked under path. A run killed
// at any moment leaves nothing or a lock file that the next sweep knows for
// dead. -1 with errno where the file system makes no unnamed files (or /proc
// is missing), -2 with errno for any other failure.
int NamedWhenComplete(const std::string& directory, const std::string& path, const std::string& pid) {
  const int fd = open(directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0644);
  if (fd < 0) return errno == EISDIR || errno == EOPNOTSUPP || errno == EINVAL ? -1 : -2;
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (WriteLockedOrLockless(fd, false) && write(fd, pid.data(), pid.size()) == static_cast<ssize_t>(pid.size()) &&
      linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0)
    return fd;
  const int error = errno;
  close(fd);
  errno = error;
  return error == ENOENT && access("/proc/self/fd", F_OK) != 0 ? -1 : -2;
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
  const std::string pid = std::to_string(getpid()) + "\n";
  fd_ = NamedWhenComplete(directory, path_, pid);
  if (fd_ >= 0) return;
  if (fd_ == -2) throw failed(errno);
  // Made in place: between its creation and its pid an empty file stands for
  // a run still starting (see kBirthTime).
  fd_ = open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd_ < 0) throw failed(errno);
  // A sweeping run may hold its shared lock for a moment: wait for it.
  if (!WriteLockedOrLockless(fd_, true) || write(fd_, pid.data(), pid.size()) != static_cast<ssize_t>(pid.size())) {
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
