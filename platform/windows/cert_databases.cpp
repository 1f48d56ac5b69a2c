// On Windows the user's stores are the platform's own: one set, kept under the user's
// SystemCertificates key, that every program of the user shares.
#include "platform/cert_databases.h"

#include "platform/cert_store.h"
#include "platform/windows/win_api.h"

namespace platform {

CertDatabaseSet FindUserCertDatabases() {
  CertDatabaseSet set;
  const std::u16string location = CertStoreLocation();
  set.databases.push_back({CertDatabaseKind::kShared,
                           u"Current user",
                           {},
                           location,
                           windows::Utf8Of(windows::WideOf(location))});
  return set;
}

// The user's own stores need no more than the user's rights, which every change has.
bool CertDatabaseCanBeChanged(const CertDatabase&) {
  return true;
}

std::u16string CertDatabaseOwner(const CertDatabase&) {
  return {};
}

const char* CertDatabaseKindWord(CertDatabaseKind kind) {
  switch (kind) {
    case CertDatabaseKind::kFirefox:
      return "firefox";
    case CertDatabaseKind::kThunderbird:
      return "thunderbird";
    case CertDatabaseKind::kShared:
      break;
  }
  return "shared";
}

}  // namespace platform
