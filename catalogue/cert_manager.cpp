#include "catalogue/cert_manager.h"

#include <string>
#include <utility>

#include "catalogue/embedded_certificates.h"
#include "crypto/base64.h"
#include "crypto/conversions.h"
#include "crypto/cryptoapi.h"
#include "crypto/installed_state.h"
#include "platform/cert_context.h"
#include "platform/last_error.h"

void TCertManager::AddGroup(std::int32_t flags, const char16_t* const* texts,
                            StoreLookups lookups) {
  std::vector<CertEntry> entries;
  const std::u16string storeName = StoreNameForGroup(flags);
  for (const char16_t* const* text = texts; text != nullptr && *text != nullptr; ++text) {
    CertEntry entry;
    if (DecodePemCertificate(*text, entry.record) == 0) {
      continue;  // left out: every later certificate of the group moves one position down
    }
    entries.push_back(std::move(entry));
  }
  // A group without a target store has nothing to look up. The group's certificates are looked
  // up together, so that each database is opened once.
  if (lookups == StoreLookups::kLookUp && storeError == 0 && !storeName.empty() &&
      !entries.empty()) {
    std::vector<const TCertDetails*> records;
    for (const CertEntry& entry : entries) {
      records.push_back(&entry.record);
    }
    const StorePresence presence = LookUpPresence(records, storeName);
    if (presence.error != 0) {
      storeError = presence.error;
    } else {
      for (std::size_t index = 0; index < entries.size(); ++index) {
        entries[index].installed = presence.StateOf(index) == InstalledState::kInstalled ? 1 : 0;
      }
    }
  }
  // A group that exists already stays as it was.
  groups.try_emplace(flags, std::move(entries));
}

void TCertManager::LoadCatalogue(StoreLookups lookups) {
  AddGroup(CERTGROUP_ROOT_TEST, CERTS_ROOT_TEST, lookups);
  AddGroup(CERTGROUP_INTERMEDIATE_TEST, CERTS_INTERMEDIATE_TEST, lookups);
  AddGroup(CERTGROUP_TSA_TEST, CERTS_TSA_TEST, lookups);
  AddGroup(CERTGROUP_TSA_WEB_TEST, CERTS_TSA_WEB_TEST, lookups);
  loaded = 1;
}

void TCertManager::ClearGroups() {
  groups.clear();
  storeError = 0;
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
