// Extensions and usages on CryptoAPI: the key identifier, alternative-name and single-value
// decoders, key usage (CertGetIntendedKeyUsage) and enhanced key usage (CertGetEnhancedKeyUsage).
#include <vector>

#include "platform/cert_decoding.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/windows/win_api.h"

namespace platform {
namespace {

constexpr std::uint8_t kExplicitZero = 0xA0;

// The value of an other name as the platform gives it: the [0] EXPLICIT wrapper around the
// value's own encoding. The program's interface carries the value's own encoding.
Bytes OtherNameValue(const CRYPT_OBJID_BLOB& blob) {
  Bytes value = windows::BytesOf(blob);
  if (value.size() < 2 || value[0] != kExplicitZero) {
    return value;
  }
  std::size_t header = 2;
  if ((value[1] & 0x80) != 0) {
    header += value[1] & 0x7F;
  }
  if (header >= value.size()) {
    return value;
  }
  return Bytes(value.begin() + static_cast<std::ptrdiff_t>(header), value.end());
}

AltNameEntry EntryOf(const CERT_ALT_NAME_ENTRY& name) {
  AltNameEntry entry;
  entry.kind = name.dwAltNameChoice;
  switch (name.dwAltNameChoice) {
    case CERT_ALT_NAME_RFC822_NAME:
      entry.text = windows::TextOf(name.pwszRfc822Name);
      break;
    case CERT_ALT_NAME_DNS_NAME:
      entry.text = windows::TextOf(name.pwszDNSName);
      break;
    case CERT_ALT_NAME_URL:
      entry.text = windows::TextOf(name.pwszURL);
      break;
    case CERT_ALT_NAME_IP_ADDRESS:
      entry.bytes = windows::BytesOf(name.IPAddress);
      break;
    case CERT_ALT_NAME_DIRECTORY_NAME:
      entry.bytes = windows::BytesOf(name.DirectoryName);
      break;
    case CERT_ALT_NAME_REGISTERED_ID:
      if (name.pszRegisteredID != nullptr) {
        const std::string_view oid(name.pszRegisteredID);
        entry.text.assign(oid.begin(), oid.end());
      }
      break;
    case CERT_ALT_NAME_OTHER_NAME:
      if (name.pOtherName != nullptr) {
        if (name.pOtherName->pszObjId != nullptr) {
          entry.otherNameOid = name.pOtherName->pszObjId;
        }
        entry.otherNameValue = OtherNameValue(name.pOtherName->Value);
      }
      break;
    default:
      break;  // X.400 address, EDI party name: the kind alone
  }
  return entry;
}

}  // namespace

std::optional<Bytes> DecodeAuthorityKeyId(std::span<const std::uint8_t> extensionValue) {
  const auto keyId =
      windows::DecodeObject<CERT_AUTHORITY_KEY_ID2_INFO>(X509_AUTHORITY_KEY_ID2, extensionValue);
  if (!keyId) {
    return std::nullopt;
  }
  return windows::BytesOf(keyId->KeyId);
}

std::optional<Bytes> DecodeSubjectKeyId(std::span<const std::uint8_t> extensionValue) {
  const auto keyId =
      windows::DecodeObject<CRYPT_DATA_BLOB>(szOID_SUBJECT_KEY_IDENTIFIER, extensionValue);
  if (!keyId) {
    return std::nullopt;
  }
  return windows::BytesOf(*keyId);
}

std::optional<std::vector<AltNameEntry>> DecodeAltNames(std::span<const std::uint8_t> value) {
  const auto names = windows::DecodeObject<CERT_ALT_NAME_INFO>(X509_ALTERNATE_NAME, value);
  if (!names) {
    return std::nullopt;
  }
  std::vector<AltNameEntry> entries;
  entries.reserve(names->cAltEntry);
  for (DWORD index = 0; index < names->cAltEntry; ++index) {
    entries.push_back(EntryOf(names->rgAltEntry[index]));
  }
  return entries;
}

std::optional<NameValue> DecodeNameValue(std::span<const std::uint8_t> der) {
  const auto value = windows::DecodeObject<CERT_NAME_VALUE>(X509_NAME_VALUE, der);
  if (!value) {
    return std::nullopt;
  }
  return NameValue{value->dwValueType, windows::BytesOf(value->Value)};
}

std::optional<std::array<std::uint8_t, 2>> CertGetIntendedKeyUsage(const CertInfo& info) {
  // The platform reads the extensions of a CERT_INFO; lend it the context's own.
  std::vector<CERT_EXTENSION> extensions;
  extensions.reserve(info.extensions.size());
  for (const CertExtension& extension : info.extensions) {
    extensions.push_back({const_cast<LPSTR>(extension.oid.c_str()),
                          extension.critical ? TRUE : FALSE, windows::BlobOf(extension.value)});
  }
  CERT_INFO parsed{};
  parsed.cExtension = static_cast<DWORD>(extensions.size());
  parsed.rgExtension = extensions.data();
  std::array<std::uint8_t, 2> usage{};
  if (!::CertGetIntendedKeyUsage(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, &parsed, usage.data(),
                                 static_cast<DWORD>(usage.size()))) {
    return std::nullopt;
  }
  return usage;
}

std::optional<std::vector<std::string>> CertGetEnhancedKeyUsage(const CertContext& context,
                                                                std::uint32_t flags) {
  if (flags == kFindPropOnlyEnhkeyUsageFlag) {
    // The program's context holds the properties the platform context had when it was copied.
    if (!context.enhancedKeyUsageProperty) {
      SetLastError(kCryptENotFound);
      return std::nullopt;
    }
    return *context.enhancedKeyUsageProperty;
  }
  if (flags != kFindExtOnlyEnhkeyUsageFlag) {
    SetLastError(kEInvalidArg);
    return std::nullopt;
  }
  const windows::NativeCertPtr native = windows::NativeContextOf(context);
  if (!native) {
    return std::nullopt;
  }
  DWORD size = 0;
  if (!::CertGetEnhancedKeyUsage(native.get(), flags, nullptr, &size)) {
    return std::nullopt;
  }
  auto buffer = std::make_unique<std::uint64_t[]>(size / sizeof(std::uint64_t) + 1);
  auto* usage = reinterpret_cast<CERT_ENHKEY_USAGE*>(buffer.get());
  if (!::CertGetEnhancedKeyUsage(native.get(), flags, usage, &size)) {
    return std::nullopt;
  }
  std::vector<std::string> oids;
  for (DWORD index = 0; index < usage->cUsageIdentifier; ++index) {
    if (usage->rgpszUsageIdentifier[index] != nullptr) {
      oids.emplace_back(usage->rgpszUsageIdentifier[index]);
    }
  }
  return oids;
}

}  // namespace platform
