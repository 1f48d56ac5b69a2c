// An NSS database as the store implementation uses it: access to the database's internal key
// slot (one database open per process), and a change of it that Corvane's other writers wait
// for. The owning handles for NSS objects are in nss_handle.h.
#pragma once

#include <cert.h>
#include <pk11pub.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/cert_databases.h"
#include "platform/linux/change_lock.h"
#include "platform/linux/nss_handle.h"
#include "platform/secret_text.h"

namespace platform::nss {

enum class Access {
  // An existing database, opened read-only unless it is open already. Creates nothing.
  kRead,
  // An existing database, checked for damage and opened for writing. Creates nothing.
  kWrite,
  // As kWrite, but a database that does not exist is made: the folder (mode 0700) and an empty
  // database without a password.
  kCreate,
};

// How long an operation waits for another program that holds the database locked before it
// fails with kErrorDatabaseInUse.
inline constexpr std::chrono::milliseconds kOtherProgramWait{3000};
// How long a change waits for another of Corvane's writers that holds the same database's lock
// (each of them holds it for a fraction of a second per change).
inline constexpr std::chrono::milliseconds kChangeLockWait{10000};

// The internal key slot of the database in that folder for that access. A null slot when the
// database does not exist (and the access does not create it). None on failure, with the thread's
// last error set (see PrepareDatabaseFiles; ERROR_FILE_CORRUPT for a damaged database,
// kErrorDatabasePasswordNeeded for a change of a database protected by a password, NSS's or the
// system's code otherwise).
std::optional<SlotPtr> AcquireSlot(const std::string& dir, Access access);

// One change of the database in a folder: Corvane's other writers of that folder wait until it
// ends, and the slot is open for writing.
class DatabaseChange {
 public:
  // access is kWrite or kCreate. None with the thread's last error set.
  static std::optional<DatabaseChange> Begin(const std::string& dir, Access access);

  // Null when the database does not exist (kWrite only).
  PK11SlotInfo* Slot() const { return slot_.get(); }

 private:
  DatabaseChange(std::optional<ChangeLock> lock, SlotPtr slot)
      : lock_(std::move(lock)), slot_(std::move(slot)) {}
  std::optional<ChangeLock> lock_;
  SlotPtr slot_;
};

// What keeps the database files in that folder (which hold a database) from being used for that
// access, found without NSS: 0 when nothing does. Otherwise kErrorDatabaseIncomplete (a file is
// missing), kErrorAccessDenied (a file cannot be read, or written for a change),
// kErrorDatabaseFolderReadOnly (a change in a folder that cannot be written to),
// kErrorDatabaseInUse (another program holds a lock longer than kOtherProgramWait),
// kErrorDatabaseNeedsRecovery or ERROR_FILE_CORRUPT. A change that a program which stopped left
// unfinished is rolled back on the way when the folder can be written to.
std::uint32_t PrepareDatabaseFiles(const std::string& dir, Access access);

// The passwords by database folder that a change logs in with when its database needs one; null
// when there are none. The caller keeps the map alive until it sets null again.
void SetChangePasswords(const std::map<std::string, SecretText>* passwords);

// Checks one SQLite file of the database without writing to it (SQLite's quick check, which
// finds damaged pages in time proportional to the file's size). 0 when the file is sound or does
// not exist; ERROR_FILE_CORRUPT when it is damaged; another code when it cannot be read.
std::uint32_t CheckSqliteFileIntegrity(const std::string& path);

// The folder of a database of the set, as the file system names it; empty when it names none.
std::string FolderOf(const CertDatabase& database);

// The thread's last error for a failed NSS call: NSS's own code, or a general failure code when
// NSS left none.
std::uint32_t NssErrorCode();

}  // namespace platform::nss
