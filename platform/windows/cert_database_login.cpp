// The user's system stores have no password of their own: the user's logon opens them, so no
// change ever waits for a login.
#include "platform/cert_database_login.h"

namespace platform {

std::optional<bool> CertDatabaseNeedsPassword(const CertDatabase& /*database*/) {
  return false;
}

CertDatabaseLogins::CertDatabaseLogins() = default;

CertDatabaseLogins::~CertDatabaseLogins() = default;

bool CertDatabaseLogins::LogIn(const CertDatabase& /*database*/, SecretText /*password*/) {
  return true;  // the password is wiped as it goes out of scope
}

}  // namespace platform
