// The current user's system stores "Root", "CA" and "MY" of CryptoAPI. Every operation works on
// a store handle opened for this object and on platform contexts made for the call, so that no
// platform object outlives an operation of the program.
#include "platform/cert_store.h"

#include "platform/cert_decoding.h"
#include "platform/windows/store_changes.h"
#include "platform/windows/win_api.h"

namespace platform {
namespace windows {
namespace {

constexpr DWORD kCertEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

StoreChangeCalls g_storeChanges{&::CertAddCertificateContextToStore,
                                &::CertDeleteCertificateFromStore};

// Runs the task and leaves the thread's last error as it was before, so that copying or
// releasing a result cannot overwrite the code the caller is to read.
template <typename Task>
auto KeepingLastError(Task task) {
  const DWORD saved = ::GetLastError();
  auto result = task();
  ::SetLastError(saved);
  return result;
}

class SystemStore : public CertStore {
 public:
  explicit SystemStore(HCERTSTORE store) : store_(store) {}

  CertContextPtr FindExisting(const CertContext& context) override {
    const NativeCertPtr found = FindNative(context);
    if (!found) {
      return nullptr;
    }
    return KeepingLastError([&] { return ContextFromNative(found.get()); });
  }

  // Each store of the platform holds its own copies: none of this store's certificates sits
  // in it under another store's terms.
  CertContextPtr FindForRemoval(const CertContext& context) override {
    return FindExisting(context);
  }

  bool Add(const CertContext& context, AddDisposition disposition) override {
    const NativeCertPtr native = NativeContextOf(context);
    if (!native) {
      return false;
    }
    return CurrentStoreChangeCalls().add(store_.get(), native.get(),
                                         static_cast<DWORD>(disposition), nullptr) != FALSE;
  }

  bool Delete(CertContextPtr found) override {
    if (!found) {
      ::SetLastError(static_cast<DWORD>(E_INVALIDARG));
      return false;
    }
    NativeCertPtr stored = FindNative(*found);
    found.reset();
    if (!stored) {
      return false;
    }
    // The delete releases the stored copy's context whatever its outcome.
    if (!CurrentStoreChangeCalls().remove(stored.release())) {
      return false;
    }
    // Windows writes a deletion through at once; Wine keeps it in memory until the store's
    // changes are committed. Committing costs Windows nothing.
    KeepingLastError(
        [&] { return ::CertControlStore(store_.get(), 0, CERT_STORE_CTRL_COMMIT, nullptr); });
    return true;
  }

  std::vector<CertContextPtr> Enumerate() override {
    std::vector<CertContextPtr> contexts;
    PCCERT_CONTEXT previous = nullptr;
    while (PCCERT_CONTEXT next = ::CertEnumCertificatesInStore(store_.get(), previous)) {
      contexts.push_back(ContextFromNative(next));
      previous = next;  // released by the next call
    }
    return contexts;
  }

 private:
  // The store's copy of exactly this certificate; null with the last error set.
  NativeCertPtr FindNative(const CertContext& context) {
    const NativeCertPtr native = NativeContextOf(context);
    if (!native) {
      return nullptr;
    }
    NativeCertPtr found(::CertFindCertificateInStore(store_.get(), kCertEncodingType, 0,
                                                     CERT_FIND_EXISTING, native.get(), nullptr));
    if (!found) {
      const DWORD error = ::GetLastError();
      ::SetLastError(error != 0 ? error : static_cast<DWORD>(CRYPT_E_NOT_FOUND));
    }
    return found;
  }

  NativeStorePtr store_;
};

}  // namespace

const StoreChangeCalls& CurrentStoreChangeCalls() {
  return g_storeChanges;
}

ScopedStoreChangeCalls::ScopedStoreChangeCalls(const StoreChangeCalls& calls)
    : previous_(g_storeChanges) {
  g_storeChanges = calls;
}

ScopedStoreChangeCalls::~ScopedStoreChangeCalls() {
  g_storeChanges = previous_;
}

}  // namespace windows

std::unique_ptr<CertStore> CertStore::OpenSystemStore(const std::u16string& name) {
  // Only stores of the current user, and only existing ones: a name the platform does not know
  // creates nothing.
  HCERTSTORE store = ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                     CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_OPEN_EXISTING_FLAG,
                                     windows::WideOf(name));
  if (store == nullptr) {
    return nullptr;
  }
  return std::make_unique<windows::SystemStore>(store);
}

// The user's set holds only the system stores (cert_databases.cpp).
std::unique_ptr<CertStore> CertStore::OpenStoreIn(const std::u16string& name,
                                                  const CertDatabase& /*database*/) {
  return OpenSystemStore(name);
}

std::u16string CertStoreLocation() {
  return u"HKEY_CURRENT_USER\\Software\\Microsoft\\SystemCertificates";
}

bool CertComparePublicKeyInfo(std::span<const std::uint8_t> first,
                              std::span<const std::uint8_t> second) {
  const auto firstKey = windows::DecodeObject<CERT_PUBLIC_KEY_INFO>(X509_PUBLIC_KEY_INFO, first);
  const auto secondKey = windows::DecodeObject<CERT_PUBLIC_KEY_INFO>(X509_PUBLIC_KEY_INFO, second);
  if (!firstKey || !secondKey) {
    return false;
  }
  return ::CertComparePublicKeyInfo(windows::kCertEncodingType, firstKey.get(), secondKey.get()) !=
         FALSE;
}

}  // namespace platform
