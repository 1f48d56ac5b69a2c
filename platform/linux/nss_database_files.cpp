// The SQLite files of a database, looked at before NSS opens them: NSS reports a lock, a missing
// file, a permission problem, a read-only folder and an unfinished change of a program that
// stopped all as "bad database", and waits a minute for a lock before it does. These checks tell
// them apart, wait a bounded time, and put an unfinished change right where that is possible.
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string_view>

#include "platform/error_codes.h"
#include "platform/linux/nss_database.h"

namespace platform::nss {
namespace {

struct DatabaseCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using SqlitePtr = std::unique_ptr<sqlite3, DatabaseCloser>;
struct StatementFinalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

constexpr const char* kDatabaseFiles[] = {"/cert9.db", "/key4.db"};

std::uint32_t CodeForSqliteResult(int result) {
  switch (result & 0xFF) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
      return kErrorFileCorrupt;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return kErrorDatabaseInUse;
    case SQLITE_READONLY:
      return kErrorDatabaseNeedsRecovery;
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_CANTOPEN:
      return kErrorAccessDenied;
    case SQLITE_NOMEM:
      return kErrorNotEnoughMemory;
    default:
      return ErrorFromErrno(EIO);
  }
}

std::uint32_t CodeForErrno(int error) {
  return error == EACCES || error == EPERM ? kErrorAccessDenied : ErrorFromErrno(error);
}

// access(2) with the effective user, the one that opens the files.
bool Accessible(const std::string& path, int mode) {
  return ::faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0;
}

bool Exists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

// Runs one statement to its end; the SQLite result of the first step that did not succeed.
int Run(sqlite3* db, const char* sql) {
  sqlite3_stmt* raw = nullptr;
  int result = sqlite3_prepare_v2(db, sql, -1, &raw, nullptr);
  StatementPtr statement(raw);
  while (result == SQLITE_OK || result == SQLITE_ROW) {
    result = sqlite3_step(statement.get());
  }
  return result == SQLITE_DONE ? SQLITE_OK : result;
}

// Opens one file and takes the lock the access needs, waiting for another program at most until
// the deadline. Read-write when the file is to be changed or an unfinished change is to be rolled
// back: SQLite does that on the first read of a connection that may write.
std::uint32_t ProbeFile(const std::string& path, bool forWriting, bool rollBack,
                        std::chrono::steady_clock::time_point deadline) {
  const int flags =
      (forWriting || rollBack ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) | SQLITE_OPEN_NOMUTEX;
  sqlite3* raw = nullptr;
  const int opened = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
  SqlitePtr db(raw);
  if (opened != SQLITE_OK) {
    return CodeForSqliteResult(opened);
  }
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  sqlite3_busy_timeout(db.get(), static_cast<int>(std::max<std::int64_t>(left.count(), 1)));
  int result = Run(db.get(), "SELECT count(*) FROM sqlite_master");
  if (result == SQLITE_OK && forWriting) {
    // The lock a writer takes first; nothing is written.
    result = Run(db.get(), "BEGIN IMMEDIATE");
    if (result == SQLITE_OK) {
      result = Run(db.get(), "ROLLBACK");
    }
  }
  return result == SQLITE_OK ? 0 : CodeForSqliteResult(result);
}

}  // namespace

std::uint32_t PrepareDatabaseFiles(const std::string& dir, Access access) {
  const bool forWriting = access != Access::kRead;
  for (const char* file : kDatabaseFiles) {
    const std::string path = dir + file;
    if (!Exists(path)) {
      return kErrorDatabaseIncomplete;
    }
    if (!Accessible(path, forWriting ? R_OK | W_OK : R_OK)) {
      return CodeForErrno(errno);
    }
  }
  // SQLite makes its journal beside the file, so a change needs a folder it can write to.
  const bool folderWritable = Accessible(dir, W_OK | X_OK);
  if (forWriting && !folderWritable) {
    return kErrorDatabaseFolderReadOnly;
  }
  const auto deadline = std::chrono::steady_clock::now() + kOtherProgramWait;
  for (const char* file : kDatabaseFiles) {
    const std::string path = dir + file;
    // A journal beside the file is either a change in progress, which the probe waits for, or
    // one that a program which stopped left behind, which only a connection that may write rolls
    // back. Without that, NSS opens the file read-only and fails on it from then on.
    const bool journal = Exists(path + "-journal");
    const bool canRollBack = journal && folderWritable && Accessible(path, W_OK);
    std::uint32_t code = ProbeFile(path, forWriting, canRollBack, deadline);
    if (code == kErrorDatabaseNeedsRecovery && !journal) {
      code = kErrorAccessDenied;
    }
    if (code != 0) {
      return code;
    }
  }
  return 0;
}

std::uint32_t CheckSqliteFileIntegrity(const std::string& path) {
  if (!Exists(path)) {
    return 0;
  }
  sqlite3* rawDb = nullptr;
  const int openResult =
      sqlite3_open_v2(path.c_str(), &rawDb, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
  SqlitePtr db(rawDb);
  if (openResult != SQLITE_OK) {
    return CodeForSqliteResult(openResult);
  }
  sqlite3_busy_timeout(db.get(), static_cast<int>(kOtherProgramWait.count()));

  sqlite3_stmt* rawStatement = nullptr;
  // One reported problem is enough to refuse the write.
  int result = sqlite3_prepare_v2(db.get(), "PRAGMA quick_check(1)", -1, &rawStatement, nullptr);
  StatementPtr statement(rawStatement);
  if (result != SQLITE_OK) {
    return CodeForSqliteResult(result);
  }
  result = sqlite3_step(statement.get());
  if (result != SQLITE_ROW) {
    return CodeForSqliteResult(result);
  }
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0));
  return text != nullptr && std::string_view(text) == "ok" ? 0 : kErrorFileCorrupt;
}

}  // namespace platform::nss
