// The operations of a record and of TCryptoapi on the current user's certificate stores:
// rebuilding a certificate context from a record, the installed state, adding and deleting.
//
// The stores are those of every database of the user's set (platform/cert_databases.h). An add
// puts the certificate into each database that lacks it, a delete takes it out of each that holds
// it. Both first find the databases to change, then log in to every one of them that needs a
// password, and only then change them, so that an unreadable database, a cancelled password
// request or a wrong password changes nothing anywhere. Each database's change is whole or not at
// all; the first database that fails ends the operation with its code.
//
// Each operation opens its stores and rebuilds its context itself and releases them before it
// returns. A failing add or delete leaves its error code in lastError (and the database it
// concerns in lastDatabase) and, after the store is closed, as the thread's last error.
#include <string>

#include "crypto/base64.h"
#include "crypto/cert_details.h"
#include "crypto/conversions.h"
#include "crypto/cryptoapi.h"
#include "crypto/installed_state.h"
#include "platform/cert_database_login.h"
#include "platform/cert_databases.h"
#include "platform/cert_store.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/password_source.h"

namespace {

constexpr char16_t kRootStoreName[] = u"Root";

}  // namespace

platform::CertContextPtr TCertDetails::CreateContext() const {
  platform::Bytes bytes = certEncoded;
  if (bytes.empty()) {
    const std::string narrow = ToNarrow(ExtractPemBlock(pemText));
    // On failure bytes stays empty.
    DecodeBase64Bytes(narrow.data(), static_cast<std::uint32_t>(narrow.size()), bytes);
  }
  if (bytes.empty()) {
    return nullptr;
  }
  platform::CertContextPtr context =
      platform::CertCreateCertificateContext(platform::kCertEncoding, bytes);
  if (context) {
    AttachKeyProvInfo(*context, *this);
  }
  return context;
}

int TCertDetails::IsInstalled(const std::u16string& storeName) const {
  return LookUpInstalledState(*this, storeName) == InstalledState::kInstalled ? 1 : 0;
}

int AttachKeyProvInfo(platform::CertContext& context, const TCertDetails& record) {
  if (record.keyProvName.empty() || record.keyContainerName.empty() || record.keySpec == 0) {
    return 0;
  }
  platform::KeyProvInfo info;
  info.containerName = record.keyContainerName;
  info.provName = record.keyProvName;
  info.provType = record.keyProvType;
  info.flags = 0;
  info.keySpec = record.keySpec;
  context.keyProvInfo = std::move(info);
  return 1;
}

bool TCryptoapi::Install(const TCertDetails& record, const std::u16string& storeName) {
  const platform::CertContextPtr context = record.CreateContext();
  if (!context) {
    return false;
  }
  return AddToStore(*context, storeName);
}

bool TCryptoapi::AddToStore(const platform::CertContext& context, const std::u16string& storeName) {
  lastDatabase.clear();
  // A successful add leaves the thread's last error as it found it.
  const std::uint32_t entryError = platform::GetLastError();
  bool added = false;
  {
    const std::vector<platform::CertDatabase> databases =
        platform::FindUserCertDatabases().databases;
    // Only the exact name "Root" keeps the stored copy's properties; any other name chooses them
    // afresh, which may change a database that holds the certificate already.
    const platform::AddDisposition disposition =
        storeName == kRootStoreName ? platform::AddDisposition::kReplaceExistingInheritProperties
                                    : platform::AddDisposition::kReplaceExisting;
    // The databases to change, found before any is changed.
    std::vector<const platform::CertDatabase*> changing;
    for (const platform::CertDatabase& database : databases) {
      std::unique_ptr<platform::CertStore> store =
          platform::CertStore::OpenStoreIn(storeName, database);
      if (!store) {
        return Fail(database);
      }
      if (disposition == platform::AddDisposition::kReplaceExisting ||
          !store->FindExisting(context)) {
        changing.push_back(&database);
      }
    }
    platform::CertDatabaseLogins logins;
    if (!LogInToEach(changing, logins)) {
      return false;
    }
    for (const platform::CertDatabase* database : changing) {
      std::unique_ptr<platform::CertStore> store =
          platform::CertStore::OpenStoreIn(storeName, *database);
      if (!store || !store->Add(context, disposition)) {
        return Fail(*database);
      }
    }
    added = true;
  }
  platform::SetLastError(entryError);
  return added;
}

bool TCryptoapi::Uninstall(const TCertDetails& record, const std::u16string& storeName) {
  lastDatabase.clear();
  // A successful delete leaves the thread's last error as it found it.
  const std::uint32_t entryError = platform::GetLastError();
  const platform::CertContextPtr context = record.CreateContext();
  if (!context) {
    lastError = platform::GetLastError();
    platform::SetLastError(lastError);
    return false;
  }
  const std::vector<platform::CertDatabase> databases = platform::FindUserCertDatabases().databases;
  // The databases that hold the certificate, found before any is changed. Whatever trust a copy
  // has: an uninstall leaves none behind.
  std::vector<const platform::CertDatabase*> holding;
  for (const platform::CertDatabase& database : databases) {
    std::unique_ptr<platform::CertStore> store =
        platform::CertStore::OpenStoreIn(storeName, database);
    if (!store) {
      return Fail(database);
    }
    if (store->FindForRemoval(*context)) {
      holding.push_back(&database);
    } else if (platform::GetLastError() != platform::kCryptENotFound) {
      return Fail(database);
    }
  }
  if (holding.empty()) {
    lastError = platform::kCryptENotFound;
    platform::SetLastError(lastError);
    return false;
  }
  platform::CertDatabaseLogins logins;
  if (!LogInToEach(holding, logins)) {
    return false;
  }
  for (const platform::CertDatabase* database : holding) {
    std::unique_ptr<platform::CertStore> store =
        platform::CertStore::OpenStoreIn(storeName, *database);
    platform::CertContextPtr found = store ? store->FindForRemoval(*context) : nullptr;
    if (!found) {
      return Fail(*database);
    }
    if (!platform::CertComparePublicKeyInfo(context->info.subjectPublicKeyInfo,
                                            found->info.subjectPublicKeyInfo)) {
      return Fail(*database);
    }
    // The delete releases the found context whether or not it succeeds.
    if (!store->Delete(std::move(found))) {
      return Fail(*database);
    }
  }
  platform::SetLastError(entryError);
  return true;
}

bool TCryptoapi::Fail(const platform::CertDatabase& database) {
  lastError = platform::GetLastError();
  lastDatabase = database.displayName + u" (" + database.folder + u")";
  // Closing the store must not overwrite the code.
  platform::SetLastError(lastError);
  return false;
}

bool TCryptoapi::LogInToEach(const std::vector<const platform::CertDatabase*>& databases,
                             platform::CertDatabaseLogins& logins) {
  for (const platform::CertDatabase* database : databases) {
    const std::optional<bool> needsPassword = platform::CertDatabaseNeedsPassword(*database);
    if (!needsPassword) {
      return Fail(*database);
    }
    bool loggedIn = !*needsPassword;
    std::uint32_t wrongPassword = 0;
    for (int attempt = 1; !loggedIn && attempt <= platform::kPasswordAttempts; ++attempt) {
      platform::SetLastError(0);
      std::optional<platform::SecretText> password =
          platform::CurrentPasswordSource().AskPassword(*database, attempt);
      if (!password) {
        // The answer ends the operation before anything changed.
        std::uint32_t code = platform::GetLastError();
        if (code == 0) {
          code = wrongPassword != 0 ? wrongPassword : platform::kErrorCancelled;
        }
        platform::SetLastError(code);
        return Fail(*database);
      }
      loggedIn = logins.LogIn(*database, std::move(*password));
      if (!loggedIn) {
        wrongPassword = platform::GetLastError();
      }
    }
    if (!loggedIn) {
      return Fail(*database);  // the code of the last wrong password
    }
  }
  return true;
}
