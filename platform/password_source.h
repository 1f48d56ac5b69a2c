// Where an operation on the user's certificate databases gets the password of a database that is
// protected by one: the window asks in a dialog, the command-line tool on the terminal or from a
// file. Passwords are never logged, never put on a command line and kept only until the
// operation ends.
#pragma once

#include <optional>

#include "platform/cert_databases.h"
#include "platform/secret_text.h"

namespace platform {

// How often the user may try a database's password before the operation gives up.
inline constexpr int kPasswordAttempts = 3;

class PasswordSource {
 public:
  virtual ~PasswordSource() = default;

  // The password of the database. attempt counts from 1; every later attempt follows a wrong
  // password. None when the user cancelled or no password can be had: the operation then ends
  // without changing any database, with the thread's last error as the source set it
  // (kErrorCancelled for the user's Cancel, kErrorDatabasePasswordNeeded when nobody could be
  // asked) or, when the source left it 0, the code of the last wrong password.
  virtual std::optional<SecretText> AskPassword(const CertDatabase& database, int attempt) = 0;
};

// The source operations ask: the one installed, else one that asks through the installed
// graphical services (see ui_services.h), which gives none without them.
PasswordSource& CurrentPasswordSource();
// Installs a source (null: back to the graphical services); the caller keeps it alive meanwhile.
void SetPasswordSource(PasswordSource* source);

}  // namespace platform
