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

namespace platform {
class CertDatabaseLogins;
}

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

  std::uint32_t lastError = 0;
  // The database (its name and folder) that the last failure concerns; empty when none.
  std::u16string lastDatabase;

 private:
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
