#include "tests/support/sqlite_test_files.h"

#include <fcntl.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <vector>

namespace corvane_test {
namespace {

struct DatabaseCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using SqlitePtr = std::unique_ptr<sqlite3, DatabaseCloser>;

SqlitePtr Open(const std::string& path, int flags) {
  sqlite3* raw = nullptr;
  sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
  return SqlitePtr(raw);
}

bool Execute(sqlite3* db, const std::string& sql) {
  return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

void WaitFor(pid_t child) {
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

SqliteLockHolder::SqliteLockHolder(const std::string& path) {
  int ready[2];
  if (::pipe2(ready, O_CLOEXEC) != 0) {
    return;
  }
  child_ = ::fork();
  if (child_ == 0) {
    ::close(ready[0]);
    SqlitePtr db = Open(path, SQLITE_OPEN_READWRITE);
    const char answer = db && Execute(db.get(), "BEGIN EXCLUSIVE") ? 'y' : 'n';
    if (::write(ready[1], &answer, 1) != 1) {
      ::_exit(1);
    }
    for (;;) {
      ::pause();
    }
  }
  ::close(ready[1]);
  char answer = 'n';
  holding_ = child_ > 0 && ::read(ready[0], &answer, 1) == 1 && answer == 'y';
  ::close(ready[0]);
}

SqliteLockHolder::~SqliteLockHolder() {
  if (child_ > 0) {
    ::kill(child_, SIGKILL);
    WaitFor(child_);
  }
}

bool KillWriterInTheMiddle(const std::string& path) {
  const pid_t child = ::fork();
  if (child < 0) {
    return false;
  }
  if (child == 0) {
    SqlitePtr db = Open(path, SQLITE_OPEN_READWRITE);
    std::vector<std::string> tables;
    sqlite3_exec(
        db.get(), "SELECT name FROM sqlite_master WHERE type = 'table'",
        [](void* names, int, char** values, char**) {
          static_cast<std::vector<std::string>*>(names)->push_back(values[0]);
          return 0;
        },
        &tables, nullptr);
    Execute(db.get(), "PRAGMA cache_size = 1");
    Execute(db.get(), "BEGIN");
    for (const std::string& table : tables) {
      Execute(db.get(), "DELETE FROM \"" + table + "\"");
    }
    ::raise(SIGKILL);
    ::_exit(0);
  }
  WaitFor(child);
  struct stat journal {};
  return ::stat((path + "-journal").c_str(), &journal) == 0 && journal.st_size > 0;
}

std::string IntegrityCheck(const std::string& path) {
  SqlitePtr db = Open(path, SQLITE_OPEN_READONLY);
  std::string result = "cannot open";
  if (db) {
    sqlite3_exec(
        db.get(), "PRAGMA integrity_check",
        [](void* text, int, char** values, char**) {
          *static_cast<std::string*>(text) = values[0] != nullptr ? values[0] : "";
          return 1;  // the first row says it
        },
        &result, nullptr);
  }
  return result;
}

}  // namespace corvane_test
