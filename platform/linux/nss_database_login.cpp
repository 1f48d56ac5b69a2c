// Logging in to a database protected by a password: the password is checked against the database
// once when the user gives it, and kept (see nss_database.h) so that every change of the running
// operation can log in again after the database was opened afresh for writing.
#include <pk11pub.h>

#include <map>
#include <string>

#include "platform/cert_database_login.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/linux/nss_database.h"
#include "platform/linux/utf8_text.h"

namespace platform {
namespace {

// The passwords of the running operation; the one CertDatabaseLogins object owns them.
std::map<std::string, SecretText> g_passwords;

std::string FolderOf(const CertDatabase& database) {
  return database.nativeFolder;
}

}  // namespace

std::optional<bool> CertDatabaseNeedsPassword(const CertDatabase& database) {
  std::optional<nss::SlotPtr> slot = nss::AcquireSlot(FolderOf(database), nss::Access::kRead);
  if (!slot) {
    return std::nullopt;
  }
  return *slot && PK11_NeedLogin(slot->get()) && !PK11_IsLoggedIn(slot->get(), nullptr);
}

CertDatabaseLogins::CertDatabaseLogins() {
  nss::SetChangePasswords(&g_passwords);
}

CertDatabaseLogins::~CertDatabaseLogins() {
  nss::SetChangePasswords(nullptr);
  g_passwords.clear();  // each SecretText wipes its bytes
}

bool CertDatabaseLogins::LogIn(const CertDatabase& database, SecretText password) {
  const std::string dir = FolderOf(database);
  std::optional<nss::SlotPtr> slot = nss::AcquireSlot(dir, nss::Access::kRead);
  if (!slot) {
    return false;
  }
  if (!*slot) {
    SetLastError(kCryptENotFound);
    return false;
  }
  PORT_SetError(0);
  if (PK11_CheckUserPassword(slot->get(), password.c_str()) != SECSuccess) {
    SetLastError(nss::NssErrorCode());
    return false;
  }
  g_passwords.insert_or_assign(dir, std::move(password));
  return true;
}

}  // namespace platform
