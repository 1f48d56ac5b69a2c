// TCryptoapi: the static operations that decode a certificate context into a TCertDetails record,
// and the member operations that add certificates to and delete them from the current user's
// stores, keeping the last platform error code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "crypto/cert_details.h"
#include "platform/cert_context.h"
#include "platform/cert_databases.h"
#include "platform/cert_decoding.h"
#include "platform/cert_store.h"

namespace platform {
class CertDatabaseLogins;
}

// One certificate of a change that covers several, and its store.
struct StoreChangeItem {
  const TCertDetails* record = nullptr;
  std::u16string storeName;
  // Set by the change: no database needed changing for it.
  bool unchanged = false;
};

class TCryptoapi {
 public:
  TCryptoapi() = default;
  virtual ~TCryptoapi() = default;

  // Decoding (cryptoapi_decode.cpp). DecodeCertificate returns 1 when the record was filled, 0
  // when it stopped.
  static int DecodeCertificate(const platform::CertContext& context, TCertDetails& record);
  // Appends one element per attribute of the name, in encoded order; attributes without an OID
  // or whose value has no text form are left out.
  static void ReadNameAttrs(const platform::NameInfo& name, std::vector<TRDNAttr>& attrs);
  static int ReadKeyProvInfo(const platform::CertContext& context, TCertDetails& record);
  static void ReadAltNames(const platform::CertInfo& info, std::vector<TRDNAttr>& altNames);
  static void ReadExtKeyUsages(const platform::CertContext& context,
                               std::vector<TRDNAttr>& extKeyUsages);
  static void ReadEkuProperty(const platform::CertContext& context, std::uint32_t& ekuPropMissing,
                              std::vector<std::u16string>& ekuPropOids);
  static void ReadPrivateExtension(const platform::CertContext& context,
                                   std::u16string& privateExtText);

  // Store operations (store_operations.cpp). On false, lastError and the thread's last error
  // hold the code.
  bool Install(const TCertDetails& record, const std::u16string& storeName);
  bool AddToStore(const platform::CertContext& context, const std::u16string& storeName);
  bool Uninstall(const TCertDetails& record, const std::u16string& storeName);
  // Installs or uninstalls every item in one operation over the set of databases (see
  // store_operations.cpp); each database is asked for its password at most once. An item that
  // needed no change anywhere is marked unchanged (an uninstall of a certificate no database
  // holds is no failure here). On false lastItem names the item whose change failed, or is -1
  // when the operation failed before changing anything.
  bool InstallAll(std::vector<StoreChangeItem>& items);
  bool UninstallAll(std::vector<StoreChangeItem>& items);
  // Takes the certificate out of the store of one database, as Uninstall does for the whole set;
  // CRYPT_E_NOT_FOUND when that store does not hold it.
  bool RemoveFromDatabase(const platform::CertContext& context, const std::u16string& storeName,
                          const platform::CertDatabase& database);

  std::uint32_t lastError = 0;
  // The database (its name and folder) that the last failure concerns; empty when none.
  std::u16string lastDatabase;
  // The item of InstallAll/UninstallAll whose change failed; -1 for none.
  std::ptrdiff_t lastItem = -1;

 private:
  enum class ChangeKind { kAdd, kRemove };
  struct Target {
    platform::CertContextPtr context;
    std::u16string storeName;
    bool unchanged = false;
  };
  // A target holding a copy of the context.
  static std::vector<Target> OneTarget(const platform::CertContext& context,
                                       const std::u16string& storeName);
  // After a removal: false with CRYPT_E_NOT_FOUND when no database held the certificate.
  bool RemovedSomething(bool unchanged);
  static platform::AddDisposition AddDispositionFor(const std::u16string& storeName);
  bool ChangeItems(std::vector<StoreChangeItem>& items, ChangeKind kind);
  // The one change of the stores: every target in every database of the set (or only that one).
  bool Change(std::vector<Target>& targets, ChangeKind kind, const platform::CertDatabase* only);
  // The targets (by index) that the database must change; false when it cannot be read.
  static bool FindWork(const platform::CertDatabase& database, const std::vector<Target>& targets,
                       ChangeKind kind, std::vector<std::size_t>& changes);
  static bool ApplyOne(const platform::CertDatabase& database, const Target& target,
                       ChangeKind kind);
  // Records the thread's last error and the database as the failure; false.
  bool Fail(const platform::CertDatabase& database);
  // Logs in to every database that needs a password, asking the current password source up to
  // kPasswordAttempts times each. False with the failure recorded when one cannot be logged in to.
  bool LogInToEach(const std::vector<const platform::CertDatabase*>& databases,
                   platform::CertDatabaseLogins& logins);
};

// Sets the key-provider property of the context from the record; the platform's result, or 0
// when the record has no key-provider data.
int AttachKeyProvInfo(platform::CertContext& context, const TCertDetails& record);
