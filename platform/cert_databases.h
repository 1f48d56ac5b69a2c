// The set of certificate databases that together make the current user's stores: every program
// of the user trusts what its own database holds, so a certificate counts as installed only when
// every database of the set holds it.
//
// On Linux the set is the shared NSS database (see user_cert_database.h) plus the database of
// every Firefox and Thunderbird profile that has one. Nothing here creates a database: a profile
// without its database is not part of the set.
#pragma once

#include <string>
#include <vector>

namespace platform {

enum class CertDatabaseKind {
  kShared,       // the database the desktop's programs share
  kFirefox,      // one browser profile's own database
  kThunderbird,  // one mail profile's own database
};

struct CertDatabase {
  CertDatabaseKind kind = CertDatabaseKind::kShared;
  // The name to show, such as "Shared (Chromium, GNOME programs)" or "Firefox: default-release".
  std::u16string displayName;
  // The profile's own name (empty for the shared database).
  std::u16string profileName;
  // The absolute folder of the database as text to show; a byte of the folder's name that is no
  // text shows as U+FFFD.
  std::u16string folder;
  // The same folder exactly as the platform's file functions take it (on Linux its bytes, which
  // need not be UTF-8; on Windows its UTF-8 text): the name to open it by.
  std::string nativeFolder;
};

// A profile list that could not be read: the databases of its profiles are unknown. The profiles
// of every other list are still found.
struct CertDatabaseProblem {
  std::u16string file;
  std::u16string message;
};

struct CertDatabaseSet {
  // The shared database first (also when it does not exist yet: the first install makes it),
  // then the profiles in the order they were found. A folder reached twice is listed once.
  std::vector<CertDatabase> databases;
  std::vector<CertDatabaseProblem> problems;
};

// The set as the current environment (home and configuration folders) names it now.
CertDatabaseSet FindUserCertDatabases();

// Whether a change of the database can go ahead: its files and folder can be written (or, for a
// database not made yet, the folder that will hold it), and, for a process running as the
// administrator, the database belongs to the administrator (another account's database is left
// to its owner: kErrorDatabaseOwnedByOther). False with the thread's last error set.
bool CertDatabaseCanBeChanged(const CertDatabase& database);

// The name of the account the database belongs to, for messages; empty when not known.
std::u16string CertDatabaseOwner(const CertDatabase& database);

// "shared", "firefox" or "thunderbird": the kind as a word for scripts.
const char* CertDatabaseKindWord(CertDatabaseKind kind);

}  // namespace platform
