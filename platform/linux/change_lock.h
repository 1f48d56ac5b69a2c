// Corvane's own writers of one certificate database take turns: each change holds an advisory lock
// on a file in the database's folder while it runs, and releases it when it ends.
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace platform {

class ChangeLock {
 public:
  // The lock of the database in that folder, waiting at most that long for the writer that
  // holds it; the wait runs afresh each time the lock changes hands, so a queue of writers that
  // each hold it briefly is waited for (up to six times as long in all). The holder's process id
  // and the moment it took the lock stand in the file, so that waiters see it change hands. Without
  // a lock file that can be opened (a read-only folder) the change goes ahead unlocked: it cannot
  // write anything there anyway, and says why. None when the wait ran out, with the thread's last
  // error set to kErrorDatabaseInUse.
  static std::optional<ChangeLock> Acquire(const std::string& dir, std::chrono::milliseconds wait);

  ChangeLock(ChangeLock&& other) noexcept;
  ChangeLock& operator=(ChangeLock&& other) noexcept;
  ChangeLock(const ChangeLock&) = delete;
  ChangeLock& operator=(const ChangeLock&) = delete;
  ~ChangeLock();

  // The file, in the database folder, whose lock the writers share.
  static constexpr const char* kFileName = "corvane.lock";

 private:
  explicit ChangeLock(int fd) : fd_(fd) {}
  int fd_ = -1;
};

}  // namespace platform
