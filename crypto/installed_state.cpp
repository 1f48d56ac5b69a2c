#include "crypto/installed_state.h"

#include <algorithm>

#include "platform/cert_store.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"

InstalledState StorePresence::StateOf(std::size_t record) const {
  if (error != 0) {
    return InstalledState::kUnreadable;
  }
  const std::vector<bool>& in = present.at(record);
  return std::ranges::all_of(in, [](bool held) { return held; }) ? InstalledState::kInstalled
                                                                 : InstalledState::kNotInstalled;
}

StorePresence LookUpPresence(const std::vector<const TCertDetails*>& records,
                             const std::u16string& storeName) {
  StorePresence presence;
  presence.databases = platform::FindUserCertDatabases().databases;
  presence.present.assign(records.size(), std::vector<bool>(presence.databases.size(), false));
  std::vector<platform::CertContextPtr> contexts;
  for (const TCertDetails* record : records) {
    contexts.push_back(record->CreateContext());
  }
  for (std::size_t database = 0; database < presence.databases.size(); ++database) {
    const std::unique_ptr<platform::CertStore> store =
        platform::CertStore::OpenStoreIn(storeName, presence.databases[database]);
    std::uint32_t error = store ? 0 : platform::GetLastError();
    for (std::size_t record = 0; store && record < records.size(); ++record) {
      if (!contexts[record]) {
        continue;
      }
      if (store->FindExisting(*contexts[record])) {
        presence.present[record][database] = true;
      } else if (platform::GetLastError() != platform::kCryptENotFound) {
        error = platform::GetLastError();
        break;
      }
    }
    if (error != 0) {
      presence.error = error;
      presence.unreadableDatabase = presence.databases[database].displayName;
      platform::SetLastError(error);
      break;
    }
  }
  return presence;
}

InstalledState LookUpInstalledState(const TCertDetails& record, const std::u16string& storeName) {
  return LookUpPresence({&record}, storeName).StateOf(0);
}
