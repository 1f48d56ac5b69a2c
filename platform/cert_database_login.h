// Logging in to the user's certificate databases that are protected by a password, for the length
// of one operation. An operation that changes several databases logs in to every one that needs
// it before it changes any, so a wrong password or a cancelled request changes nothing.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform/cert_databases.h"
#include "platform/secret_text.h"

namespace platform {

// Whether a change of the database needs its password first. A database that does not exist yet
// needs none. None with the thread's last error set when the database cannot be read.
std::optional<bool> CertDatabaseNeedsPassword(const CertDatabase& database);

// The passwords of one operation. While the object lives, every change of a database it holds a
// password for logs in with it first; when it goes away, the passwords are wiped. One object at a
// time per process.
class CertDatabaseLogins {
 public:
  CertDatabaseLogins();
  ~CertDatabaseLogins();
  CertDatabaseLogins(const CertDatabaseLogins&) = delete;
  CertDatabaseLogins& operator=(const CertDatabaseLogins&) = delete;

  // True when the password opens the database; it is then kept for this operation's changes.
  // False with the thread's last error set otherwise (the database's own code for a wrong
  // password).
  bool LogIn(const CertDatabase& database, SecretText password);
};

}  // namespace platform
