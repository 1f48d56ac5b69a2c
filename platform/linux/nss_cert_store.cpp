// The user's stores "Root", "CA" and "MY" as views of the user's NSS database.
//
// Every write is checked afterwards by reading the database again: NSS reports some failed writes
// as success (a delete in a read-only folder leaves the certificate where it was). A change that
// fails part-way puts back what it had changed, and one that lost a race with another program
// writing at the same moment is tried again a few times.
#include <cert.h>
#include <certdb.h>
#include <pk11pub.h>
#include <prerror.h>
#include <secerr.h>

#include <algorithm>
#include <chrono>
#include <string_view>
#include <thread>

#include "platform/cert_decoding.h"
#include "platform/cert_store.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/linux/nss_database.h"
#include "platform/linux/utf8_text.h"
#include "platform/user_cert_database.h"

namespace platform {
namespace {

using nss::Access;
using nss::AcquireSlot;
using nss::CertificatePtr;
using nss::CertListPtr;
using nss::DatabaseChange;
using nss::NssErrorCode;
using nss::SlotPtr;

enum class StoreKind { kRoot, kCa, kMy };

// Trust of a certificate authority for every use, and no trust at all.
constexpr const char* kRootTrust = "CT,C,C";
constexpr const char* kNoTrust = ",,";

// The nickname when the subject names nothing that could serve as one.
constexpr const char* kFallbackNickname = "Certificate";
// How many numbered variants of a nickname are tried before giving up on a unique one.
constexpr int kMaxNicknameVariants = 1000;

// How often an operation runs when it keeps losing races with other writers, and the pause before
// the second try (doubled before each further one).
constexpr int kMaxAttempts = 4;
constexpr auto kFirstRetryPause = std::chrono::milliseconds(50);

bool EqualsIgnoringAsciiCase(std::u16string_view text, std::u16string_view lowerCase) {
  return std::ranges::equal(text, lowerCase, [](char16_t a, char16_t b) {
    return (a >= u'A' && a <= u'Z' ? static_cast<char16_t>(a - u'A' + u'a') : a) == b;
  });
}

std::optional<StoreKind> KindForName(const std::u16string& name) {
  if (EqualsIgnoringAsciiCase(name, u"root")) {
    return StoreKind::kRoot;
  }
  if (EqualsIgnoringAsciiCase(name, u"ca")) {
    return StoreKind::kCa;
  }
  if (EqualsIgnoringAsciiCase(name, u"my")) {
    return StoreKind::kMy;
  }
  return std::nullopt;
}

// A view of bytes as NSS takes them; NSS does not write through it.
SECItem ItemFor(const Bytes& der) {
  return SECItem{siBuffer, const_cast<unsigned char*>(der.data()),
                 static_cast<unsigned int>(der.size())};
}

bool HasCaTrust(CERTCertificate* cert) {
  CERTCertTrust trust{};
  if (CERT_GetCertTrust(cert, &trust) != SECSuccess) {
    return false;
  }
  const unsigned int flags = trust.sslFlags | trust.emailFlags | trust.objectSigningFlags;
  return (flags & (CERTDB_TRUSTED_CA | CERTDB_TRUSTED_CLIENT_CA)) != 0;
}

bool HasPrivateKey(CERTCertificate* cert) {
  return SlotPtr(PK11_KeyForCertExists(cert, nullptr, nullptr)) != nullptr;
}

bool IsInStore(StoreKind kind, CERTCertificate* cert) {
  switch (kind) {
    case StoreKind::kRoot:
      return HasCaTrust(cert);
    case StoreKind::kCa:
      return !HasCaTrust(cert) && !HasPrivateKey(cert);
    case StoreKind::kMy:
      return HasPrivateKey(cert);
  }
  return false;
}

// A copy that an uninstall from this store removes although it does not belong to the store: a
// certificate of the catalogue's kind (no private key) held with another trust.
bool IsRemovableFrom(StoreKind kind, CERTCertificate* cert) {
  return IsInStore(kind, cert) || (kind != StoreKind::kMy && !HasPrivateKey(cert));
}

// Whether a failed operation is worth running again: it failed on the database (an NSS error or a
// read-back that found the change missing) while nothing that a second try cannot change stands
// in the way now. Sets the thread's last error to the obstacle when there is one.
bool LostARace(const std::string& dir, Access access) {
  const std::uint32_t code = GetLastError();
  if (!IsNssCode(code) && code != kErrorAccessDenied) {
    return false;
  }
  if (const std::uint32_t obstacle = nss::PrepareDatabaseFiles(dir, access); obstacle != 0) {
    SetLastError(obstacle);
    return false;
  }
  SetLastError(code);
  return true;
}

// Runs attempt until it succeeds, fails for a reason other than a lost race, or has run
// kMaxAttempts times.
template <typename Attempt>
bool RetryLostRaces(const std::string& dir, Access access, Attempt attempt) {
  auto pause = kFirstRetryPause;
  for (int run = 1;; ++run) {
    if (attempt()) {
      return true;
    }
    if (run == kMaxAttempts || !LostARace(dir, access)) {
      return false;
    }
    std::this_thread::sleep_for(pause);
    pause *= 2;
  }
}

// The database's copy of exactly these DER bytes, looked up in the database itself (not among
// certificates NSS merely holds in memory).
CertificatePtr FindInDatabase(PK11SlotInfo* slot, const Bytes& der) {
  SECItem item = ItemFor(der);
  return CertificatePtr(PK11_FindCertFromDERCertItem(slot, &item, nullptr));
}

// The nickname without the "token:" prefix NSS puts before it.
std::string PlainNickname(PK11SlotInfo* slot, CERTCertificate* cert) {
  if (cert->nickname == nullptr) {
    return {};
  }
  std::string_view nickname(cert->nickname);
  const std::string prefix = std::string(PK11_GetTokenName(slot)) + ":";
  if (nickname.starts_with(prefix)) {
    nickname.remove_prefix(prefix.size());
  }
  return std::string(nickname);
}

bool NicknameUsedByOther(PK11SlotInfo* slot, const std::string& nickname, const Bytes& der) {
  // Qualified with the token name, so that a colon inside the nickname is not read as one.
  const std::string qualified = std::string(PK11_GetTokenName(slot)) + ":" + nickname;
  CertListPtr holders(PK11_FindCertsFromNickname(qualified.c_str(), nullptr));
  if (!holders) {
    return false;
  }
  const SECItem item = ItemFor(der);
  for (CERTCertListNode* node = CERT_LIST_HEAD(holders.get()); !CERT_LIST_END(node, holders.get());
       node = CERT_LIST_NEXT(node)) {
    if (SECITEM_ItemsAreEqual(&node->cert->derCert, &item) == PR_FALSE) {
      return true;
    }
  }
  return false;
}

// The subject's simple name, numbered ("name #2") when another certificate already uses it.
std::string ChooseNickname(PK11SlotInfo* slot, const CertContext& context) {
  // Parsed afresh: the caller's context need not carry the parsed fields.
  const CertContextPtr parsed = CertCreateCertificateContext(kCertEncoding, context.encoded);
  std::string base = parsed ? linux_utf8::ToUtf8(CertGetSimpleDisplayName(*parsed, false)) : "";
  if (base.empty()) {
    base = kFallbackNickname;
  }
  std::string nickname = base;
  for (int variant = 2; variant <= kMaxNicknameVariants; ++variant) {
    if (!NicknameUsedByOther(slot, nickname, context.encoded)) {
      break;
    }
    nickname = base + " #" + std::to_string(variant);
  }
  return nickname;
}

bool SetTrust(CERTCertificate* cert, CERTCertTrust trust) {
  PORT_SetError(0);
  if (CERT_ChangeCertTrust(CERT_GetDefaultCertDB(), cert, &trust) != SECSuccess) {
    SetLastError(NssErrorCode());
    return false;
  }
  return true;
}

bool SetTrust(CERTCertificate* cert, const char* trustText) {
  CERTCertTrust trust{};
  PORT_SetError(0);
  if (CERT_DecodeTrustString(&trust, trustText) != SECSuccess) {
    SetLastError(NssErrorCode());
    return false;
  }
  return SetTrust(cert, trust);
}

bool DeleteFromDatabase(CertificatePtr cert) {
  PORT_SetError(0);
  if (SEC_DeletePermCertificate(cert.get()) != SECSuccess) {
    SetLastError(NssErrorCode());
    return false;
  }
  return true;
}

// Puts the certificate into the database under that nickname; its copy in the database.
CertificatePtr ImportIntoDatabase(PK11SlotInfo* slot, const CertContext& context,
                                  const std::string& nickname) {
  SECItem item = ItemFor(context.encoded);
  PORT_SetError(0);
  CertificatePtr temporary(
      CERT_NewTempCertificate(CERT_GetDefaultCertDB(), &item, nullptr, PR_FALSE, PR_TRUE));
  if (!temporary) {
    SetLastError(NssErrorCode());
    return nullptr;
  }
  PORT_SetError(0);
  if (PK11_ImportCert(slot, temporary.get(), CK_INVALID_HANDLE, nickname.c_str(), PR_FALSE) !=
      SECSuccess) {
    SetLastError(NssErrorCode());
    return nullptr;
  }
  temporary.reset();
  CertificatePtr stored = FindInDatabase(slot, context.encoded);
  if (!stored) {
    SetLastError(kErrorAccessDenied);
  }
  return stored;
}

// What an add changed so far, so that a failed add can put it back.
struct AddUndo {
  // The certificate was imported by this add.
  bool imported = false;
  // A copy held under another nickname was taken out first; its nickname and trust.
  std::optional<std::pair<std::string, std::optional<CERTCertTrust>>> replaced;
};

// Puts back what a failed add changed, as far as the database lets it. The thread's last error
// keeps the failure's code.
void UndoAdd(PK11SlotInfo* slot, const CertContext& context, const AddUndo& undo) {
  const std::uint32_t failure = GetLastError();
  if (undo.imported) {
    if (CertificatePtr added = FindInDatabase(slot, context.encoded)) {
      DeleteFromDatabase(std::move(added));
    }
  }
  if (undo.replaced) {
    const auto& [nickname, trust] = *undo.replaced;
    CertificatePtr restored = ImportIntoDatabase(slot, context, nickname);
    if (restored && trust) {
      SetTrust(restored.get(), *trust);
    }
  }
  SetLastError(failure);
}

std::optional<CERTCertTrust> TrustOf(CERTCertificate* cert) {
  CERTCertTrust trust{};
  if (CERT_GetCertTrust(cert, &trust) != SECSuccess) {
    return std::nullopt;
  }
  return trust;
}

// Runs a store operation so that, when it succeeds, the thread's last error stays as it was, as
// the platform's own calls leave it; only failures set it.
template <typename Operation>
auto KeepingLastErrorOnSuccess(Operation operation) {
  const std::uint32_t entryError = GetLastError();
  auto result = operation();
  if (result) {
    SetLastError(entryError);
  }
  return result;
}

class NssCertStore final : public CertStore {
 public:
  NssCertStore(StoreKind kind, std::string dir) : kind_(kind), dir_(std::move(dir)) {}

  CertContextPtr FindExisting(const CertContext& context) override {
    return KeepingLastErrorOnSuccess([&] { return Find(context, false); });
  }

  CertContextPtr FindForRemoval(const CertContext& context) override {
    return KeepingLastErrorOnSuccess([&] { return Find(context, true); });
  }

  bool Add(const CertContext& context, AddDisposition disposition) override {
    return KeepingLastErrorOnSuccess([&] { return Put(context, disposition); });
  }

  bool Delete(CertContextPtr found) override {
    return KeepingLastErrorOnSuccess([&] { return Remove(std::move(found)); });
  }

  std::vector<CertContextPtr> Enumerate() override {
    const std::uint32_t entryError = GetLastError();
    bool listed = false;
    std::vector<CertContextPtr> contexts = List(listed);
    if (listed) {
      SetLastError(entryError);
    }
    return contexts;
  }

 private:
  CertContextPtr Find(const CertContext& context, bool forRemoval) {
    if (context.encoded.empty()) {
      SetLastError(kCryptENotFound);
      return nullptr;
    }
    CertContextPtr found;
    RetryLostRaces(dir_, Access::kRead, [&] {
      found = FindOnce(context, forRemoval);
      return found != nullptr;
    });
    return found;
  }

  CertContextPtr FindOnce(const CertContext& context, bool forRemoval) {
    std::optional<SlotPtr> slot = AcquireSlot(dir_, Access::kRead);
    if (!slot) {
      return nullptr;
    }
    if (!*slot) {
      SetLastError(kCryptENotFound);
      return nullptr;
    }
    PORT_SetError(0);
    CertificatePtr stored = FindInDatabase(slot->get(), context.encoded);
    if (!stored) {
      // A search that finds nothing leaves no NSS error; anything else is a failed search, except
      // the note NSS leaves on every later call once one of its one-time set-ups failed (this
      // happens after one database was closed and another opened in the process): the search
      // itself ran, so nothing was found.
      const PRErrorCode error = PORT_GetError();
      SetLastError(error == 0 || error == PR_CALL_ONCE_ERROR ? kCryptENotFound
                                                             : ErrorFromNss(error));
      return nullptr;
    }
    const bool belongs =
        forRemoval ? IsRemovableFrom(kind_, stored.get()) : IsInStore(kind_, stored.get());
    if (!belongs) {
      SetLastError(kCryptENotFound);
      return nullptr;
    }
    return MakeContext(slot->get(), stored.get());
  }

  bool Put(const CertContext& context, AddDisposition disposition) {
    if (context.encoded.empty()) {
      SetLastError(kErrorInvalidParameter);
      return false;
    }
    // Only a certificate whose private key the database holds belongs to "MY", so an add there
    // never creates the database.
    std::optional<DatabaseChange> change =
        DatabaseChange::Begin(dir_, kind_ == StoreKind::kMy ? Access::kWrite : Access::kCreate);
    if (!change) {
      return false;
    }
    return RetryLostRaces(dir_, Access::kWrite,
                          [&] { return PutOnce(change->Slot(), context, disposition); });
  }

  bool PutOnce(PK11SlotInfo* db, const CertContext& context, AddDisposition disposition) {
    CertificatePtr stored = db != nullptr ? FindInDatabase(db, context.encoded) : nullptr;
    if (kind_ == StoreKind::kMy && !stored && (db == nullptr || !KeyExistsFor(context))) {
      SetLastError(kCryptENotFound);
      return false;
    }
    AddUndo undo;
    // Replacing the properties of a stored copy means choosing its nickname afresh. NSS cannot
    // rename a certificate, so a copy under another nickname is taken out and put in again; the
    // user's own certificates keep theirs (their keys carry the same name).
    if (stored && disposition == AddDisposition::kReplaceExisting && kind_ != StoreKind::kMy &&
        !HasPrivateKey(stored.get())) {
      std::string nickname = PlainNickname(db, stored.get());
      if (nickname != ChooseNickname(db, context)) {
        std::optional<CERTCertTrust> trust = TrustOf(stored.get());
        if (!DeleteFromDatabase(std::move(stored))) {
          return false;
        }
        undo.replaced.emplace(std::move(nickname), trust);
      }
    }
    if (!stored) {
      stored = ImportIntoDatabase(db, context, ChooseNickname(db, context));
      if (!stored) {
        UndoAdd(db, context, undo);
        return false;
      }
      undo.imported = true;
    }
    if (kind_ != StoreKind::kMy &&
        !SetTrust(stored.get(), kind_ == StoreKind::kRoot ? kRootTrust : kNoTrust)) {
      stored.reset();
      UndoAdd(db, context, undo);
      return false;
    }
    stored.reset();

    // Read back what the database now holds.
    CertificatePtr check = FindInDatabase(db, context.encoded);
    const bool written = check && (kind_ == StoreKind::kMy ||
                                   HasCaTrust(check.get()) == (kind_ == StoreKind::kRoot));
    check.reset();
    if (!written) {
      SetLastError(kErrorAccessDenied);
      UndoAdd(db, context, undo);
      return false;
    }
    return true;
  }

  bool Remove(CertContextPtr found) {
    if (!found) {
      SetLastError(kErrorInvalidParameter);
      return false;
    }
    const Bytes der = std::move(found->encoded);
    found.reset();

    std::optional<DatabaseChange> change = DatabaseChange::Begin(dir_, Access::kWrite);
    if (!change) {
      return false;
    }
    return RetryLostRaces(dir_, Access::kWrite, [&] { return RemoveOnce(change->Slot(), der); });
  }

  bool RemoveOnce(PK11SlotInfo* db, const Bytes& der) {
    CertificatePtr stored = db != nullptr ? FindInDatabase(db, der) : nullptr;
    if (!stored || !IsRemovableFrom(kind_, stored.get())) {
      SetLastError(kCryptENotFound);
      return false;
    }
    if (kind_ == StoreKind::kRoot && HasPrivateKey(stored.get())) {
      // The user's own certificate stays in "MY"; it only stops being an authority.
      if (!SetTrust(stored.get(), kNoTrust)) {
        return false;
      }
      stored.reset();
    } else if (!DeleteFromDatabase(std::move(stored))) {
      return false;
    }

    CertificatePtr check = FindInDatabase(db, der);
    if (check && IsInStore(kind_, check.get())) {
      SetLastError(kErrorAccessDenied);
      return false;
    }
    return true;
  }

  std::vector<CertContextPtr> List(bool& listed) {
    std::vector<CertContextPtr> contexts;
    listed = RetryLostRaces(dir_, Access::kRead, [&] {
      contexts.clear();
      return ListOnce(contexts);
    });
    return contexts;
  }

  bool ListOnce(std::vector<CertContextPtr>& contexts) {
    std::optional<SlotPtr> slot = AcquireSlot(dir_, Access::kRead);
    if (!slot) {
      return false;
    }
    if (!*slot) {
      return true;
    }
    PORT_SetError(0);
    CertListPtr list(PK11_ListCertsInSlot(slot->get()));
    if (!list) {
      SetLastError(NssErrorCode());
      return false;
    }
    for (CERTCertListNode* node = CERT_LIST_HEAD(list.get()); !CERT_LIST_END(node, list.get());
         node = CERT_LIST_NEXT(node)) {
      if (IsInStore(kind_, node->cert)) {
        if (CertContextPtr context = MakeContext(slot->get(), node->cert)) {
          contexts.push_back(std::move(context));
        }
      }
    }
    return true;
  }

  static bool KeyExistsFor(const CertContext& context) {
    SECItem item = ItemFor(context.encoded);
    CertificatePtr temporary(
        CERT_NewTempCertificate(CERT_GetDefaultCertDB(), &item, nullptr, PR_FALSE, PR_TRUE));
    return temporary && HasPrivateKey(temporary.get());
  }

  static CertContextPtr MakeContext(PK11SlotInfo* slot, CERTCertificate* cert) {
    const Bytes der(cert->derCert.data, cert->derCert.data + cert->derCert.len);
    CertContextPtr context = CertCreateCertificateContext(kCertEncoding, der);
    if (context && HasPrivateKey(cert)) {
      KeyProvInfo info;
      info.containerName = linux_utf8::ToUtf16(PlainNickname(slot, cert));
      info.provName = linux_utf8::ToUtf16(PK11_GetTokenName(slot));
      info.provType = kDatabaseKeyProvType;
      info.keySpec = kDatabaseKeySpec;
      context->keyProvInfo = std::move(info);
    }
    return context;
  }

  StoreKind kind_;
  // The folder of the database the store is a view of.
  std::string dir_;
};

std::unique_ptr<CertStore> OpenStoreInFolder(const std::u16string& name, std::string dir) {
  const std::optional<StoreKind> kind = KindForName(name);
  if (!kind) {
    SetLastError(kErrorFileNotFound);
    return nullptr;
  }
  // A database that exists but cannot be opened makes the store unusable; one that does not
  // exist yet is an empty store.
  if (!AcquireSlot(dir, Access::kRead)) {
    return nullptr;
  }
  return std::make_unique<NssCertStore>(*kind, std::move(dir));
}

}  // namespace

std::unique_ptr<CertStore> CertStore::OpenSystemStore(const std::u16string& name) {
  return OpenStoreInFolder(name, UserCertDatabaseDir());
}

std::unique_ptr<CertStore> CertStore::OpenStoreIn(const std::u16string& name,
                                                  const CertDatabase& database) {
  return OpenStoreInFolder(name, database.nativeFolder);
}

std::u16string CertStoreLocation() {
  return linux_utf8::ToUtf16(UserCertDatabaseDir());
}

bool CertComparePublicKeyInfo(std::span<const std::uint8_t> first,
                              std::span<const std::uint8_t> second) {
  return std::ranges::equal(first, second);
}

}  // namespace platform
