// The operations of a record and of TCryptoapi on the current user's certificate stores:
// rebuilding a certificate context from a record, the installed state, adding and deleting.
//
// The stores are those of every database of the user's set (platform/cert_databases.h). An add
// puts the certificate into each database that lacks it, a delete takes it out of each that holds
// it. One operation may cover several certificates. It finds the set once, reads every database
// to find what each must change, checks that every database to change can be written, logs in to
// every one that needs a password (once each), and only then changes them, so that an unreadable
// database, a read-only one, a cancelled password request or a wrong password changes nothing
// anywhere. Each database's change is whole or not at all, also when the process is killed in the
// middle of it (the next run finishes it); the first change that fails ends the operation.
//
// Each operation opens its stores and rebuilds its context itself and releases them before it
// returns. A failing add or delete leaves its error code in lastError (and the database it
// concerns in lastDatabase) and, after the store is closed, as the thread's last error.
#include <algorithm>
#include <memory>
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
  std::vector<StoreChangeItem> items{{&record, storeName}};
  return InstallAll(items);
}

bool TCryptoapi::AddToStore(const platform::CertContext& context, const std::u16string& storeName) {
  std::vector<Target> targets = OneTarget(context, storeName);
  return Change(targets, ChangeKind::kAdd, nullptr);
}

bool TCryptoapi::Uninstall(const TCertDetails& record, const std::u16string& storeName) {
  std::vector<StoreChangeItem> items{{&record, storeName}};
  return UninstallAll(items) && RemovedSomething(items.front().unchanged);
}

bool TCryptoapi::InstallAll(std::vector<StoreChangeItem>& items) {
  return ChangeItems(items, ChangeKind::kAdd);
}

bool TCryptoapi::UninstallAll(std::vector<StoreChangeItem>& items) {
  return ChangeItems(items, ChangeKind::kRemove);
}

bool TCryptoapi::RemoveFromDatabase(const platform::CertContext& context,
                                    const std::u16string& storeName,
                                    const platform::CertDatabase& database) {
  std::vector<Target> targets = OneTarget(context, storeName);
  return Change(targets, ChangeKind::kRemove, &database) &&
         RemovedSomething(targets.front().unchanged);
}

bool TCryptoapi::RemovedSomething(bool unchanged) {
  if (unchanged) {
    // No database held it: nothing was removed.
    lastError = platform::kCryptENotFound;
    platform::SetLastError(lastError);
    return false;
  }
  return true;
}

std::vector<TCryptoapi::Target> TCryptoapi::OneTarget(const platform::CertContext& context,
                                                      const std::u16string& storeName) {
  std::vector<Target> targets(1);
  targets.front() = {std::make_unique<platform::CertContext>(context), storeName};
  return targets;
}

bool TCryptoapi::ChangeItems(std::vector<StoreChangeItem>& items, ChangeKind kind) {
  lastItem = -1;
  std::vector<Target> targets;
  for (std::size_t index = 0; index < items.size(); ++index) {
    platform::CertContextPtr context = items[index].record->CreateContext();
    if (!context) {
      // A record without a certificate changes nothing; an install leaves lastError as it was.
      lastItem = static_cast<std::ptrdiff_t>(index);
      lastDatabase.clear();
      if (kind == ChangeKind::kRemove) {
        lastError = platform::GetLastError();
        platform::SetLastError(lastError);
      }
      return false;
    }
    targets.push_back({std::move(context), items[index].storeName});
  }
  const bool changed = Change(targets, kind, nullptr);
  for (std::size_t index = 0; index < items.size(); ++index) {
    items[index].unchanged = targets[index].unchanged;
  }
  return changed;
}

bool TCryptoapi::Change(std::vector<Target>& targets, ChangeKind kind,
                        const platform::CertDatabase* only) {
  lastDatabase.clear();
  lastItem = -1;
  // A successful change leaves the thread's last error as it found it.
  const std::uint32_t entryError = platform::GetLastError();

  // The set, found once. A profile list that cannot be read hides databases that would be left
  // out of the change: nothing changes.
  platform::CertDatabaseSet set;
  if (only != nullptr) {
    set.databases.push_back(*only);
  } else {
    set = platform::FindUserCertDatabases();
    if (!set.problems.empty()) {
      lastError = platform::kErrorProfileListUnreadable;
      lastDatabase = set.problems.front().file;
      platform::SetLastError(lastError);
      return false;
    }
  }

  // Every database is read before any changes: which targets each must change.
  std::vector<std::vector<std::size_t>> work(set.databases.size());
  for (std::size_t database = 0; database < set.databases.size(); ++database) {
    if (!FindWork(set.databases[database], targets, kind, work[database])) {
      return Fail(set.databases[database]);
    }
  }
  for (std::size_t index = 0; index < targets.size(); ++index) {
    targets[index].unchanged = std::ranges::none_of(
        work, [index](const auto& changes) { return std::ranges::count(changes, index) != 0; });
  }

  // Every database to change must be writable, and logged in to when it has a password, before
  // the first one changes.
  std::vector<const platform::CertDatabase*> changing;
  for (std::size_t database = 0; database < set.databases.size(); ++database) {
    if (work[database].empty()) {
      continue;
    }
    if (!platform::CertDatabaseCanBeChanged(set.databases[database])) {
      return Fail(set.databases[database]);
    }
    changing.push_back(&set.databases[database]);
  }
  platform::CertDatabaseLogins logins;
  if (!LogInToEach(changing, logins)) {
    return false;
  }

  for (std::size_t database = 0; database < set.databases.size(); ++database) {
    for (const std::size_t index : work[database]) {
      if (!ApplyOne(set.databases[database], targets[index], kind)) {
        lastItem = static_cast<std::ptrdiff_t>(index);
        return Fail(set.databases[database]);
      }
    }
  }
  platform::SetLastError(entryError);
  return true;
}

bool TCryptoapi::FindWork(const platform::CertDatabase& database,
                          const std::vector<Target>& targets, ChangeKind kind,
                          std::vector<std::size_t>& changes) {
  std::vector<std::pair<std::u16string, std::unique_ptr<platform::CertStore>>> stores;
  for (std::size_t index = 0; index < targets.size(); ++index) {
    const Target& target = targets[index];
    auto store = std::ranges::find(stores, target.storeName, &decltype(stores)::value_type::first);
    if (store == stores.end()) {
      stores.emplace_back(target.storeName,
                          platform::CertStore::OpenStoreIn(target.storeName, database));
      store = std::prev(stores.end());
    }
    if (!store->second) {
      return false;
    }
    if (kind == ChangeKind::kAdd) {
      // Only the exact name "Root" keeps a stored copy's properties; any other name chooses them
      // afresh, which may change a database that holds the certificate already.
      if (AddDispositionFor(target.storeName) == platform::AddDisposition::kReplaceExisting ||
          !store->second->FindExisting(*target.context)) {
        changes.push_back(index);
      }
    } else if (store->second->FindForRemoval(*target.context)) {
      // Whatever trust a copy has: an uninstall leaves none behind.
      changes.push_back(index);
    } else if (platform::GetLastError() != platform::kCryptENotFound) {
      return false;
    }
  }
  return true;
}

bool TCryptoapi::ApplyOne(const platform::CertDatabase& database, const Target& target,
                          ChangeKind kind) {
  std::unique_ptr<platform::CertStore> store =
      platform::CertStore::OpenStoreIn(target.storeName, database);
  if (!store) {
    return false;
  }
  if (kind == ChangeKind::kAdd) {
    return store->Add(*target.context, AddDispositionFor(target.storeName));
  }
  platform::CertContextPtr found = store->FindForRemoval(*target.context);
  if (!found) {
    // Another program removed it meanwhile (here or in the delete below): what the removal was
    // for is done.
    return platform::GetLastError() == platform::kCryptENotFound;
  }
  // A copy whose key differs is another certificate: it stays.
  if (!platform::CertComparePublicKeyInfo(target.context->info.subjectPublicKeyInfo,
                                          found->info.subjectPublicKeyInfo)) {
    platform::SetLastError(platform::kCryptENotFound);
    return false;
  }
  // The delete releases the found context whether or not it succeeds.
  return store->Delete(std::move(found)) || platform::GetLastError() == platform::kCryptENotFound;
}

platform::AddDisposition TCryptoapi::AddDispositionFor(const std::u16string& storeName) {
  return storeName == kRootStoreName ? platform::AddDisposition::kReplaceExistingInheritProperties
                                     : platform::AddDisposition::kReplaceExisting;
}

bool TCryptoapi::Fail(const platform::CertDatabase& database) {
  lastError = platform::GetLastError();
  lastDatabase = DatabaseLabel(database);
  if (lastError == platform::kErrorDatabaseOwnedByOther) {
    lastDatabase += u", which belongs to " + platform::CertDatabaseOwner(database);
  }
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
