#include "platform/linux/change_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <utility>

#include "platform/error_codes.h"
#include "platform/last_error.h"

namespace platform {
namespace {

// How often a waiting writer tries the lock again.
constexpr auto kPollInterval = std::chrono::milliseconds(10);

int OpenLockFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd >= 0) {
    return fd;
  }
  // A lock file made by another account or in a folder that became read-only still locks.
  return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
}

}  // namespace

std::optional<ChangeLock> ChangeLock::Acquire(const std::string& dir,
                                              std::chrono::milliseconds wait) {
  const int fd = OpenLockFile(dir + "/" + kFileName);
  if (fd < 0) {
    return ChangeLock(-1);
  }
  ChangeLock lock(fd);
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) {
      // A file system without advisory locks: go on as if there were no lock file.
      return ChangeLock(-1);
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      SetLastError(kErrorDatabaseInUse);
      return std::nullopt;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  return lock;
}

ChangeLock::ChangeLock(ChangeLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

ChangeLock& ChangeLock::operator=(ChangeLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) {
      ::close(fd_);
    }
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

ChangeLock::~ChangeLock() {
  // Closing the file releases its lock.
  if (fd_ >= 0) {
    ::close(fd_);
  }
}

}  // namespace platform
