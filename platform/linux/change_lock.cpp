#include "platform/linux/change_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
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

// The file where the holder leaves its mark; -1 when it cannot be opened (the lock does not
// depend on it). A link is never followed.
int OpenMarkFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
  if (fd >= 0) {
    return fd;
  }
  return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
}

// What the holder wrote into the mark file: its process and the moment it took the lock, so that
// a waiter sees the lock change hands.
std::string HolderMark(int fd) {
  if (fd < 0) {
    return {};
  }
  std::array<char, 64> buffer{};
  const ssize_t count = ::pread(fd, buffer.data(), buffer.size(), 0);
  return count > 0 ? std::string(buffer.data(), static_cast<std::size_t>(count)) : std::string();
}

void WriteHolderMark(int fd) {
  struct stat info {};
  if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    return;  // only a plain file takes a mark
  }
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
  // The lock is held on the folder itself, which every writer can open for reading: a lock file
  // that another account left behind or that was replaced by a link cannot make a writer go on
  // unlocked.
  const int folder = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) {
    SetLastError(ErrorFromErrno(errno));
    return std::nullopt;
  }
  ChangeLock lock(folder, OpenMarkFile(dir + "/" + kFileName));
  // The wait runs afresh whenever another writer took the lock: a queue of Corvane's writers
  // that each hold it briefly is waited for, one writer that keeps it is not.
  const auto start = std::chrono::steady_clock::now();
  auto deadline = start + wait;
  std::string holder = HolderMark(lock.markFd_);
  while (::flock(folder, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) {
      SetLastError(ErrorFromErrno(errno));
      return std::nullopt;
    }
    const auto now = std::chrono::steady_clock::now();
    if (std::string mark = HolderMark(lock.markFd_); mark != holder) {
      holder = std::move(mark);
      deadline = std::min(now + wait, start + kQueueWaits * wait);
    }
    if (now >= deadline) {
      SetLastError(kErrorDatabaseInUse);
      return std::nullopt;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  WriteHolderMark(lock.markFd_);
  return lock;
}

ChangeLock::ChangeLock(ChangeLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), markFd_(std::exchange(other.markFd_, -1)) {}

ChangeLock& ChangeLock::operator=(ChangeLock&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    markFd_ = std::exchange(other.markFd_, -1);
  }
  return *this;
}

ChangeLock::~ChangeLock() {
  Close();
}

void ChangeLock::Close() {
  // Closing the folder releases its lock.
  for (int* fd : {&fd_, &markFd_}) {
    if (*fd >= 0) {
      ::close(*fd);
      *fd = -1;
    }
  }
}

}  // namespace platform
