// Corvane's own writers of one certificate database take turns: each change holds an advisory lock
// on a file in the database's folder while it runs, and releases it when it ends.
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace platform {

class ChangeLock {
 public:
  // The lock of the database in that folder, held on the folder itself, waiting at most that
  // long for the writer that holds it; the wait runs afresh each time the lock changes hands, so a
  // queue of writers that each hold it briefly is waited for (up to six times as long in all).
  // The holder's process id and the moment it took the lock stand in the mark file when it can be
  // written, so that waiters see it change hands; the lock does not depend on that file. None when
  // the wait ran out (the thread's last error kErrorDatabaseInUse) or the folder cannot be opened.
  static std::optional<ChangeLock> Acquire(const std::string& dir, std::chrono::milliseconds wait);

  ChangeLock(ChangeLock&& other) noexcept;
  ChangeLock& operator=(ChangeLock&& other) noexcept;
  ChangeLock(const ChangeLock&) = delete;
  ChangeLock& operator=(const ChangeLock&) = delete;
  ~ChangeLock();

  // The mark file in the database folder.
  static constexpr const char* kFileName = "corvane.lock";

 private:
  ChangeLock(int fd, int markFd) : fd_(fd), markFd_(markFd) {}
  void Close();
  int fd_ = -1;      // the locked folder
  int markFd_ = -1;  // the mark file, -1 without one
};

}  // namespace platform
