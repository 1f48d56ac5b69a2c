// Other programs at work on a database's SQLite files, as the store tests need them: one that
// holds a file locked, one killed in the middle of a change, and SQLite's own integrity check.
#pragma once

#include <sys/types.h>

#include <string>

namespace corvane_test {

// A process that holds an exclusive lock on the SQLite file from construction until destruction,
// as another program in the middle of writing does. Close the user's database before making one:
// NSS cannot be used across a fork.
class SqliteLockHolder {
 public:
  explicit SqliteLockHolder(const std::string& path);
  ~SqliteLockHolder();
  SqliteLockHolder(const SqliteLockHolder&) = delete;
  SqliteLockHolder& operator=(const SqliteLockHolder&) = delete;

  // Whether the process took the lock.
  bool Holding() const { return holding_; }

 private:
  pid_t child_ = -1;
  bool holding_ = false;
};

// Runs a process that deletes every row of the file's tables in one transaction with so small a
// cache that SQLite writes part of the change into the file, and kills it (SIGKILL) before it
// commits. True when it left its journal behind, as a crashed writer does.
bool KillWriterInTheMiddle(const std::string& path);

// The first row of SQLite's full integrity check: "ok" for a sound file.
std::string IntegrityCheck(const std::string& path);

}  // namespace corvane_test
