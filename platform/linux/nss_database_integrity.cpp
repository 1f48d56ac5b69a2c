// The damage check that runs before anything is written to the user's database.
#include <sqlite3.h>
#include <sys/stat.h>

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
struct StatementFinalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

// How long the check waits for another program that is writing to the database.
constexpr int kBusyTimeoutMs = 5000;

std::uint32_t CodeForSqliteResult(int result) {
  switch (result & 0xFF) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
      return kErrorFileCorrupt;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return ErrorFromErrno(EBUSY);
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_CANTOPEN:
    case SQLITE_READONLY:
      return kErrorAccessDenied;
    case SQLITE_NOMEM:
      return kErrorNotEnoughMemory;
    default:
      return ErrorFromErrno(EIO);
  }
}

}  // namespace

std::uint32_t CheckSqliteFileIntegrity(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    return 0;
  }
  sqlite3* rawDb = nullptr;
  const int openResult =
      sqlite3_open_v2(path.c_str(), &rawDb, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
  std::unique_ptr<sqlite3, DatabaseCloser> db(rawDb);
  if (openResult != SQLITE_OK) {
    return CodeForSqliteResult(openResult);
  }
  sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);

  sqlite3_stmt* rawStatement = nullptr;
  // One reported problem is enough to refuse the write.
  int result = sqlite3_prepare_v2(db.get(), "PRAGMA quick_check(1)", -1, &rawStatement, nullptr);
  std::unique_ptr<sqlite3_stmt, StatementFinalizer> statement(rawStatement);
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
