// The user's NSS database as the store implementation uses it: owning handles for NSS objects and
// access to the database's internal key slot, opened once per process.
#pragma once

#include <cert.h>
#include <pk11pub.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform::nss {

struct CertificateDeleter {
  void operator()(CERTCertificate* cert) const { CERT_DestroyCertificate(cert); }
};
using CertificatePtr = std::unique_ptr<CERTCertificate, CertificateDeleter>;

struct SlotDeleter {
  void operator()(PK11SlotInfo* slot) const { PK11_FreeSlot(slot); }
};
using SlotPtr = std::unique_ptr<PK11SlotInfo, SlotDeleter>;

struct CertListDeleter {
  void operator()(CERTCertList* list) const { CERT_DestroyCertList(list); }
};
using CertListPtr = std::unique_ptr<CERTCertList, CertListDeleter>;

struct PortStringDeleter {
  void operator()(char* text) const { PORT_Free(text); }
};
using PortStringPtr = std::unique_ptr<char, PortStringDeleter>;

enum class Access {
  // An existing database, opened read-only unless it is open already. Creates nothing.
  kRead,
  // An existing database, checked for damage and opened for writing. Creates nothing.
  kWrite,
  // As kWrite, but a database that does not exist is made: the folder (mode 0700) and an empty
  // database without a password.
  kCreate,
};

// The internal key slot of the user's database for that access. A null slot when the database
// does not exist (and the access does not create it). None on failure, with the thread's last
// error set: ERROR_FILE_CORRUPT for a damaged database, NSS's or the system's code otherwise.
std::optional<SlotPtr> AcquireUserSlot(Access access);

// Checks one SQLite file of the database without writing to it (SQLite's quick check, which
// finds damaged pages in time proportional to the file's size). 0 when the file is sound or does
// not exist; ERROR_FILE_CORRUPT when it is damaged; another code when it cannot be read.
std::uint32_t CheckSqliteFileIntegrity(const std::string& path);

// The thread's last error for a failed NSS call: NSS's own code, or a general failure code when
// NSS left none.
std::uint32_t NssErrorCode();

}  // namespace platform::nss
