#include "catalogue/cert_manager.h"

#include <chrono>
#include <string>
#include <utility>

#include "catalogue/embedded_certificates.h"
#include "catalogue/system_wide.h"
#include "crypto/base64.h"
#include "crypto/conversions.h"
#include "crypto/cryptoapi.h"
#include "crypto/installed_state.h"
#include "platform/cert_context.h"
#include "platform/last_error.h"

namespace {

// The current time as a FILETIME.
FileTime CurrentFileTime() {
  constexpr std::int64_t kEpochToUnixTicks = 11'644'473'600LL * 10'000'000;
  const auto sinceUnixEpoch =
      std::chrono::duration_cast<std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>>(
          std::chrono::system_clock::now().time_since_epoch());
  return FileTime::FromValue(
      static_cast<std::uint64_t>(sinceUnixEpoch.count() + kEpochToUnixTicks));
}

}  // namespace

Validity ValidityAt(const TCertDetails& record, FileTime instant) {
  if (instant.Value() < record.notBefore.Value()) {
    return Validity::kNotYetValid;
  }
  if (instant.Value() > record.notAfter.Value()) {
    return Validity::kExpired;
  }
  return Validity::kValid;
}

void TCertManager::AddGroup(std::int32_t flags, const char16_t* const* texts,
                            StoreLookups lookups) {
  const FileTime now = CurrentFileTime();
  std::vector<CertEntry> entries;
  const std::u16string storeName = StoreNameForGroup(flags);
  for (const char16_t* const* text = texts; text != nullptr && *text != nullptr; ++text) {
    CertEntry entry;
    if (DecodePemCertificate(*text, entry.record) == 0) {
      continue;  // left out: every later certificate of the group moves one position down
    }
    entry.validity = ValidityAt(entry.record, now);
    entries.push_back(std::move(entry));
  }
  // A group that exists already stays as it was.
  const auto [group, inserted] = groups.try_emplace(flags, std::move(entries));
  if (inserted && lookups == StoreLookups::kLookUp) {
    LookUpStatesOf({&*group});
  }
}

void TCertManager::LookUpStates() {
  std::vector<Group*> all;
  for (auto& group : groups) {
    all.push_back(&group);
  }
  LookUpStatesOf(all);
}

void TCertManager::LookUpStatesOf(const std::vector<Group*>& chosen) {
  std::vector<PresenceQuery> queries;
  std::vector<CertEntry*> looked;
  for (auto* group : chosen) {
    const std::u16string storeName = StoreNameForGroup(group->first);
    if (storeName.empty()) {
      continue;  // a group without a target store has nothing to look up
    }
    for (CertEntry& entry : group->second) {
      queries.push_back({&entry.record, storeName});
      looked.push_back(&entry);
    }
  }
  if (queries.empty()) {
    return;
  }
  const StorePresence presence = LookUpPresence(queries);
  if (storeError == 0) {
    storeError = presence.error;
    storeErrorDatabase = presence.unreadableDatabase;
  }
  const std::vector<std::u16string> unreadable = presence.UnreadableNames();
  for (std::size_t index = 0; index < looked.size(); ++index) {
    CertEntry& entry = *looked[index];
    entry.state = presence.StateOf(index);
    entry.installed = entry.state == InstalledState::kInstalled ? 1 : 0;
    entry.heldBy = presence.Holding(index);
    entry.missingFrom = presence.Lacking(index);
    entry.unreadable = unreadable;
  }
}

void TCertManager::LoadCatalogue(StoreLookups lookups) {
  AddGroup(CERTGROUP_ROOT_TEST, CERTS_ROOT_TEST, StoreLookups::kSkip);
  AddGroup(CERTGROUP_INTERMEDIATE_TEST, CERTS_INTERMEDIATE_TEST, StoreLookups::kSkip);
  AddGroup(CERTGROUP_TSA_TEST, CERTS_TSA_TEST, StoreLookups::kSkip);
  AddGroup(CERTGROUP_TSA_WEB_TEST, CERTS_TSA_WEB_TEST, StoreLookups::kSkip);
  if (lookups == StoreLookups::kLookUp) {
    LookUpStates();
    MarkTrustedSystemWide(groups);
  }
  loaded = 1;
}

void TCertManager::ClearGroups() {
  groups.clear();
  storeError = 0;
  storeErrorDatabase.clear();
}

void TCertManager::ReloadCatalogue() {
  loaded = 0;
  ClearGroups();
  LoadCatalogue();
}

const CertEntry* TCertManager::FindEntry(std::int32_t flags, std::uint32_t position) const {
  const auto group = groups.find(flags);
  if (group == groups.end() || position >= group->second.size()) {
    return nullptr;
  }
  return &group->second[position];
}

int DecodePemCertificate(const std::u16string& text, TCertDetails& record) {
  const std::string block = ToNarrow(ExtractPemBlock(text));
  platform::Bytes der;
  if (!DecodeBase64Bytes(block, der) || der.empty()) {
    return 0;
  }
  const platform::CertContextPtr context =
      platform::CertCreateCertificateContext(platform::kCertEncoding, der);
  if (!context) {
    return 0;
  }
  return TCryptoapi::DecodeCertificate(*context, record);
}
