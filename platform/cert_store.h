// The current user's certificate stores "Root", "CA" and "MY": finding, adding, deleting and
// listing certificates. Nothing here names a platform type.
//
// On Linux the three stores are views of the user's NSS database (see user_cert_database.h):
//   - "Root": certificates trusted as certificate authorities (trust "CT,C,C");
//   - "CA":   certificates without that trust and without a private key (kept for chain building);
//   - "MY":   the user's own certificates, those with a private key in the database.
// A certificate is held once in the database, so adding it to "Root" takes it out of "CA" and the
// other way round.
//
// Every operation that fails sets the thread's last error (platform/last_error.h).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/cert_context.h"
#include "platform/cert_databases.h"

namespace platform {

// How an add treats a copy of the certificate that the store already holds. Both replace the
// copy; they differ in what becomes of its properties (in the database: the nickname).
enum class AddDisposition : std::uint32_t {
  // The properties of the stored copy are replaced: the nickname is chosen afresh.
  kReplaceExisting = 3,
  // The properties of the stored copy carry over: the nickname is kept.
  kReplaceExistingInheritProperties = 5,
};

// The key-provider property of a certificate that has a private key in the user's database:
// provider name "NSS Certificate DB" (the database's token name), the certificate's nickname as
// the container name, provider type 1 and keySpec 1 (AT_KEYEXCHANGE).
inline constexpr std::uint32_t kDatabaseKeyProvType = 1;
inline constexpr std::uint32_t kDatabaseKeySpec = 1;

class CertStore {
 public:
  virtual ~CertStore() = default;

  // The current user's store of that name: "Root", "CA" or "MY", in any letter case. Null with
  // the thread's last error set for any other name (nothing is created) or when the database
  // exists but cannot be opened or read (a missing file, a lock held by another program, no
  // permission, damage). A database that does not exist yet reads as empty.
  static std::unique_ptr<CertStore> OpenSystemStore(const std::u16string& name);
  // The store of that name in one database of the user's set (cert_databases.h), as
  // OpenSystemStore opens it in the shared database.
  static std::unique_ptr<CertStore> OpenStoreIn(const std::u16string& name,
                                                const CertDatabase& database);

  // The store's copy of exactly this certificate (same DER bytes), carrying the key-provider
  // property when the database holds its private key. Null when absent, with the last error
  // CRYPT_E_NOT_FOUND (or the database's error when it could not be searched).
  virtual CertContextPtr FindExisting(const CertContext& context) = 0;

  // As FindExisting, but also a copy of the certificate that the database holds with a trust
  // that does not fit this store (left by a change that did not finish, or made by another
  // program), so that removing it leaves no copy behind. The user's own certificates (with a
  // private key) are found only in the stores they belong to.
  virtual CertContextPtr FindForRemoval(const CertContext& context) = 0;

  // Puts the certificate into the store, creating the user's database when it does not exist
  // yet. Adding a certificate the store holds already makes no second copy; a copy with another
  // trust is given this store's. The add is whole or not at all: when a step fails, what it
  // changed is put back. Adding to "MY" needs the certificate's private key in the database
  // (else CRYPT_E_NOT_FOUND). False with the last error set when the change did not happen,
  // including a damaged database (ERROR_FILE_CORRUPT) and one that cannot be written
  // (ERROR_ACCESS_DENIED or the database's error). A lock held by another program for longer
  // than a few seconds (kErrorDatabaseInUse), a database protected by a password
  // (kErrorDatabasePasswordNeeded) and a folder that cannot be written to
  // (kErrorDatabaseFolderReadOnly) fail before anything is changed.
  virtual bool Add(const CertContext& context, AddDisposition disposition) = 0;

  // Takes a certificate found in this store (or by FindForRemoval) out of it and releases the
  // context whether or not that succeeds. False with the last error set when the certificate is
  // still in the store. Changes that fail put back what they had changed.
  virtual bool Delete(CertContextPtr found) = 0;

  // For each certificate, whether the store holds exactly it (as FindExisting finds it), looked up
  // together so that the database is prepared for reading once. False with the thread's last
  // error set when the store could not be read.
  virtual bool HoldsEach(std::span<const CertContext* const> contexts, std::vector<bool>& held);

  // Every certificate of the store, in the database's order. Empty when there are none or the
  // database cannot be read (the last error then says why).
  virtual std::vector<CertContextPtr> Enumerate() = 0;
};

// Where the user's stores keep their certificates, as the user would look for it (on Linux the
// database folder). Messages about a store that cannot be read or changed name it.
std::u16string CertStoreLocation();

// True exactly when both DER-encoded SubjectPublicKeyInfo structures are identical.
bool CertComparePublicKeyInfo(std::span<const std::uint8_t> first,
                              std::span<const std::uint8_t> second);

}  // namespace platform
