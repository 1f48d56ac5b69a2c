#include "catalogue/installed_state.h"

#include "platform/cert_store.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"

InstalledState LookUpInstalledState(const TCertDetails& record, const std::u16string& storeName) {
  const std::unique_ptr<platform::CertStore> store =
      platform::CertStore::OpenSystemStore(storeName);
  if (!store) {
    return InstalledState::kUnreadable;
  }
  // A record without a certificate is nowhere, whatever the store holds.
  const platform::CertContextPtr context = record.CreateContext();
  if (!context) {
    return InstalledState::kNotInstalled;
  }
  if (store->FindExisting(*context)) {
    return InstalledState::kInstalled;
  }
  return platform::GetLastError() == platform::kCryptENotFound ? InstalledState::kNotInstalled
                                                               : InstalledState::kUnreadable;
}
