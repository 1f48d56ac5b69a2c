#include "platform/linux/change_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <thread>
#include <utility>

#include "platform/error_codes.h"
#include "platform/last_error.h"

namespace platform {
namespace {

// How often a waiting writer tries the lock again.
constexpr auto kPollInterval = std::chrono::milliseconds(10);
// However often the lock changes hands, a writer waits no longer than this many times the wait.
constexpr int kQueueWaits = 6;

int OpenLockFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd >= 0) {
    return fd;
  }
  // A lock file made by another account or in a folder that became read-only still locks.
  return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
}

// What the holder wrote into the lock file: its process and the moment it took the lock, so that
// a waiter sees the lock change hands.
std::string HolderMark(int fd) {
  std::array<char, 64> buffer{};
  const ssize_t count = ::pread(fd, buffer.data(), buffer.size(), 0);
  return count > 0 ? std::string(buffer.data(), static_cast<std::size_t>(count)) : std::string();
}

void WriteHolderMark(int fd) {
  const std::string mark =
      std::to_string(::getpid()) + " " +
      std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "\n";
  if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, mark.data(), mark.size(), 0) < 0) {
    return;  // a lock file opened read-only takes no mark: its waiters wait the plain bound
  }
}

}  // namespace

std::optional<ChangeLock> ChangeLock::Acquire(const std::string& dir,
                                              std::chrono::milliseconds wait) {
  const int fd = OpenLockFile(dir + "/" + kFileName);
  if (fd < 0) {
    return ChangeLock(-1);
  }
  ChangeLock lock(fd);
  // The wait runs afresh whenever another writer took the lock: a queue of Corvane's writers
  // that each hold it briefly is waited for, one writer that keeps it is not.
  const auto start = std::chrono::steady_clock::now();
  auto deadline = start + wait;
  std::string holder = HolderMark(fd);
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) {
      // A file system without advisory locks: go on as if there were no lock file.
      return ChangeLock(-1);
    }
    const auto now = std::chrono::steady_clock::now();
    if (std::string mark = HolderMark(fd); mark != holder) {
      holder = std::move(mark);
      deadline = std::min(now + wait, start + kQueueWaits * wait);
    }
    if (now >= deadline) {
      SetLastError(kErrorDatabaseInUse);
      return std::nullopt;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  WriteHolderMark(fd);
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
