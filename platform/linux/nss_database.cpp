// Opening the user's NSS database: where it lives, opening it once per process (read-only until
// something must be written), creating it on the first add, and closing it at exit.
#include <nss.h>
#include <prerror.h>
#include <secerr.h>
#include <secmod.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/linux/home_folder.h"
#include "platform/linux/nss_database.h"
#include "platform/linux/utf8_text.h"
#include "platform/user_cert_database.h"

namespace platform {
namespace {

bool PathExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

// Makes the folder and any missing parents, each with mode 0700. 0 or the errno code.
std::uint32_t MakeFolders(const std::string& dir) {
  for (std::size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
    const std::string part = dir.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      return ErrorFromErrno(errno);
    }
    if (slash == std::string::npos) {
      break;
    }
  }
  struct stat info {};
  if (::stat(dir.c_str(), &info) != 0) {
    return ErrorFromErrno(errno);
  }
  return S_ISDIR(info.st_mode) ? 0 : ErrorFromErrno(ENOTDIR);
}

// The one open database of the process. NSS keeps it open; no NSS object is held here between
// operations, so it can be closed and opened again at any time.
struct OpenDatabase {
  NSSInitContext* context = nullptr;
  std::string dir;
  bool writable = false;
};

std::mutex g_mutex;
OpenDatabase g_database;

void CloseLocked() {
  if (g_database.context != nullptr) {
    NSS_ShutdownContext(g_database.context);
  }
  g_database = OpenDatabase();
}

void CloseAtExit() {
  CloseUserCertDatabase();
}

std::uint32_t CheckDatabaseIntegrity(const std::string& dir) {
  for (const char* file : {"/cert9.db", "/key4.db"}) {
    if (const std::uint32_t code = nss::CheckSqliteFileIntegrity(dir + file); code != 0) {
      return code;
    }
  }
  return 0;
}

bool OpenLocked(const std::string& dir, bool writable) {
  static std::once_flag closeAtExit;
  std::call_once(closeAtExit, [] { std::atexit(CloseAtExit); });

  // Always an absolute sql: path, and no module of built-in roots: the stores hold exactly what
  // the user's database holds.
  const std::string configDir = "sql:" + dir;
  const PRUint32 flags = NSS_INIT_NOROOTINIT | (writable ? 0 : NSS_INIT_READONLY);
  PORT_SetError(0);
  NSSInitContext* context = NSS_InitContext(configDir.c_str(), "", "", SECMOD_DB, nullptr, flags);
  if (context == nullptr) {
    // A database NSS cannot open is most often a damaged one; say so when SQLite agrees.
    const std::uint32_t nssError = nss::NssErrorCode();
    const std::uint32_t damage = CheckDatabaseIntegrity(dir);
    SetLastError(damage == kErrorFileCorrupt ? damage : nssError);
    return false;
  }
  g_database = OpenDatabase{context, dir, writable};
  return true;
}

// The passwords of the running operation (see SetChangePasswords), guarded by g_mutex.
const std::map<std::string, SecretText>* g_changePasswords = nullptr;

// Changing a database protected by a password needs the user logged in to it: with the password
// the operation got for it, else the change is refused before anything is changed. This is the one
// place where a password is given to NSS for a change.
bool LogInForChange(PK11SlotInfo* slot) {
  if (!PK11_NeedLogin(slot) || PK11_IsLoggedIn(slot, nullptr)) {
    return true;
  }
  if (g_changePasswords != nullptr) {
    if (const auto found = g_changePasswords->find(g_database.dir);
        found != g_changePasswords->end()) {
      PORT_SetError(0);
      if (PK11_CheckUserPassword(slot, found->second.c_str()) == SECSuccess) {
        return true;
      }
      SetLastError(nss::NssErrorCode());
      return false;
    }
  }
  SetLastError(kErrorDatabasePasswordNeeded);
  return false;
}

}  // namespace

std::string UserCertDatabaseDir() {
  const std::string home = linux_home::HomeFolder();
  if (!home.empty()) {
    std::string legacyDir = home + "/.pki/nssdb";
    if (PathExists(legacyDir)) {
      return legacyDir;
    }
  }
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (linux_home::IsAbsolute(dataHome)) {
    return std::string(dataHome) + "/pki/nssdb";
  }
  if (home.empty()) {
    return {};
  }
  return home + "/.local/share/pki/nssdb";
}

void CloseUserCertDatabase() {
  std::lock_guard lock(g_mutex);
  CloseLocked();
}

namespace nss {

void SetChangePasswords(const std::map<std::string, SecretText>* passwords) {
  std::lock_guard lock(g_mutex);
  g_changePasswords = passwords;
}

std::string FolderOf(const CertDatabase& database) {
  return database.nativeFolder;
}

std::uint32_t NssErrorCode() {
  const PRErrorCode code = PORT_GetError();
  return ErrorFromNss(code != 0 ? code : SEC_ERROR_LIBRARY_FAILURE);
}

std::optional<SlotPtr> AcquireSlot(const std::string& dir, Access access) {
  std::lock_guard lock(g_mutex);
  if (dir.empty()) {
    if (access == Access::kCreate) {
      SetLastError(ErrorFromErrno(ENOENT));
      return std::nullopt;
    }
    return SlotPtr();
  }
  if (g_database.context != nullptr && g_database.dir != dir) {
    CloseLocked();
  }

  const bool exists = PathExists(dir + "/cert9.db");
  if (!exists && access != Access::kCreate) {
    return SlotPtr();
  }
  if (exists) {
    if (const std::uint32_t code = PrepareDatabaseFiles(dir, access); code != 0) {
      SetLastError(code);
      return std::nullopt;
    }
  }
  if (access != Access::kRead) {
    // A database with damaged pages opens and reads, but NSS may loop forever writing to it:
    // nothing is written unless the files are sound.
    if (const std::uint32_t code = CheckDatabaseIntegrity(dir); code != 0) {
      SetLastError(code);
      return std::nullopt;
    }
    if (g_database.context != nullptr && !g_database.writable) {
      CloseLocked();
    }
    if (g_database.context == nullptr) {
      if (!exists) {
        if (const std::uint32_t code = MakeFolders(dir); code != 0) {
          SetLastError(code);
          return std::nullopt;
        }
      }
      if (!OpenLocked(dir, true)) {
        return std::nullopt;
      }
    }
  } else if (g_database.context == nullptr && !OpenLocked(dir, false)) {
    return std::nullopt;
  }

  PORT_SetError(0);
  SlotPtr slot(PK11_GetInternalKeySlot());
  if (!slot) {
    SetLastError(NssErrorCode());
    return std::nullopt;
  }
  if (g_database.writable) {
    // A new database gets an empty password, as the desktop's other programs expect.
    if (PK11_NeedUserInit(slot.get())) {
      PORT_SetError(0);
      if (PK11_InitPin(slot.get(), nullptr, "") != SECSuccess) {
        SetLastError(NssErrorCode());
        return std::nullopt;
      }
    }
    if (access != Access::kRead && !LogInForChange(slot.get())) {
      return std::nullopt;
    }
  }
  return slot;
}

std::optional<DatabaseChange> DatabaseChange::Begin(const std::string& dir, Access access) {
  // The lock file lives in the folder, which a first change makes.
  if (access == Access::kCreate && !dir.empty() && !PathExists(dir)) {
    if (const std::uint32_t code = MakeFolders(dir); code != 0) {
      SetLastError(code);
      return std::nullopt;
    }
  }
  // Nothing to take turns over where there is no database and none is to be made.
  std::optional<ChangeLock> lock;
  if (access == Access::kCreate || PathExists(dir + "/cert9.db")) {
    lock = ChangeLock::Acquire(dir, kChangeLockWait);
    if (!lock) {
      return std::nullopt;
    }
  }
  std::optional<SlotPtr> slot = AcquireSlot(dir, access);
  if (!slot) {
    return std::nullopt;
  }
  return DatabaseChange(std::move(lock), std::move(*slot));
}

}  // namespace nss
}  // namespace platform
