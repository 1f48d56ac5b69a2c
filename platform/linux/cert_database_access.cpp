// Whether a database of the user's set may be changed, checked before an operation changes any
// database, so that one that cannot be written stops the operation while nothing has changed.
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/cert_databases.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/linux/nss_database.h"
#include "platform/linux/utf8_text.h"

namespace platform {
namespace {

// The folder itself, or the nearest folder above it that exists (where a new database would be
// made); empty when none does.
std::string NearestExisting(std::string dir) {
  struct stat info {};
  while (!dir.empty() && ::stat(dir.c_str(), &info) != 0) {
    const std::size_t slash = dir.rfind('/');
    dir = slash == std::string::npos || slash == 0 ? std::string(slash == 0 ? "/" : "")
                                                   : dir.substr(0, slash);
  }
  return dir;
}

bool OwnerOf(const std::string& path, uid_t& owner) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    return false;
  }
  owner = info.st_uid;
  return true;
}

}  // namespace

bool CertDatabaseCanBeChanged(const CertDatabase& database) {
  const std::string dir = nss::FolderOf(database);
  const std::string existing = NearestExisting(dir);
  if (dir.empty() || existing.empty()) {
    SetLastError(ErrorFromErrno(ENOENT));
    return false;
  }
  uid_t owner = 0;
  if (::geteuid() == 0 && OwnerOf(existing, owner) && owner != 0) {
    // The administrator changes only what is the administrator's: a database in another
    // account's home would be left with files its owner cannot change.
    SetLastError(kErrorDatabaseOwnedByOther);
    return false;
  }
  if (existing != dir || ::access((dir + "/cert9.db").c_str(), F_OK) != 0) {
    // Not made yet: the folder that will hold it must take a new folder or file.
    if (::faccessat(AT_FDCWD, existing.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
      SetLastError(existing == dir ? kErrorDatabaseFolderReadOnly : kErrorAccessDenied);
      return false;
    }
    return true;
  }
  if (const std::uint32_t code = nss::PrepareDatabaseFiles(dir, nss::Access::kWrite); code != 0) {
    SetLastError(code);
    return false;
  }
  return true;
}

std::u16string CertDatabaseOwner(const CertDatabase& database) {
  uid_t owner = 0;
  if (!OwnerOf(NearestExisting(nss::FolderOf(database)), owner)) {
    return {};
  }
  const passwd* account = ::getpwuid(owner);
  const std::string name =
      account != nullptr ? std::string(account->pw_name) : "uid " + std::to_string(owner);
  return linux_utf8::ToUtf16(name);
}

}  // namespace platform
