// The operations of a record and of TCryptoapi on the current user's certificate stores:
// rebuilding a certificate context from a record, the installed state, adding and deleting.
//
// Each operation opens its store and rebuilds its context itself and releases both before it
// returns. A failing add or delete leaves its error code in lastError and, after the store is
// closed, as the thread's last error.
#include <string>

#include "crypto/base64.h"
#include "crypto/cert_details.h"
#include "crypto/conversions.h"
#include "crypto/cryptoapi.h"
#include "platform/cert_store.h"
#include "platform/last_error.h"

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
  std::unique_ptr<platform::CertStore> store = platform::CertStore::OpenSystemStore(storeName);
  if (!store) {
    return 0;
  }
  const platform::CertContextPtr context = CreateContext();
  if (!context) {
    return 0;
  }
  return store->FindExisting(*context) ? 1 : 0;
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
  bool added = false;
  {
    std::unique_ptr<platform::CertStore> store = platform::CertStore::OpenSystemStore(storeName);
    if (!store) {
      lastError = platform::GetLastError();
      return false;
    }
    // Only the exact name "Root" keeps the stored copy's properties.
    const platform::AddDisposition disposition =
        storeName == kRootStoreName ? platform::AddDisposition::kReplaceExistingInheritProperties
                                    : platform::AddDisposition::kReplaceExisting;
    added = store->Add(context, disposition);
    lastError = platform::GetLastError();
  }
  if (!added) {
    // Closing the store must not overwrite the add's code.
    platform::SetLastError(lastError);
  }
  return added;
}

bool TCryptoapi::Uninstall(const TCertDetails& record, const std::u16string& storeName) {
  bool deleted = false;
  {
    platform::CertContextPtr context = record.CreateContext();
    std::unique_ptr<platform::CertStore> store;
    if (!context) {
      lastError = platform::GetLastError();
    } else {
      store = platform::CertStore::OpenSystemStore(storeName);
      if (!store) {
        lastError = platform::GetLastError();
      }
    }
    if (context && store) {
      // Whatever trust the copy has: an uninstall leaves none behind.
      platform::CertContextPtr found = store->FindForRemoval(*context);
      if (!found) {
        lastError = platform::GetLastError();
      } else if (platform::CertComparePublicKeyInfo(context->info.subjectPublicKeyInfo,
                                                    found->info.subjectPublicKeyInfo)) {
        // The delete releases the found context whether or not it succeeds.
        deleted = store->Delete(std::move(found));
        if (!deleted) {
          lastError = platform::GetLastError();
        }
      } else {
        lastError = platform::GetLastError();
      }
    }
  }
  if (!deleted) {
    platform::SetLastError(lastError);
  }
  return deleted;
}
