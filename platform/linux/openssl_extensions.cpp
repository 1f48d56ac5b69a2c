// Extensions and usages on OpenSSL: finding an extension, the key identifier, alternative-name,
// single-value, key usage and enhanced key usage decoders.
#include "platform/cert_decoding.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/linux/openssl_support.h"

namespace platform {
namespace {

using openssl::Asn1BitStringPtr;
using openssl::Asn1OctetStringPtr;
using openssl::Asn1TypePtr;
using openssl::AuthorityKeyIdPtr;
using openssl::ExtendedKeyUsagePtr;
using openssl::GeneralNamesPtr;
using openssl::OpenSslBufferPtr;

constexpr std::string_view kOidKeyUsage = "2.5.29.15";
constexpr std::string_view kOidExtendedKeyUsage = "2.5.29.37";

std::u16string Latin1ToWide(const ASN1_STRING* text) {
  const Bytes bytes = openssl::StringBytes(text);
  return std::u16string(bytes.begin(), bytes.end());
}

std::optional<AltNameEntry> EntryOf(const GENERAL_NAME* name) {
  int type = 0;
  void* value = GENERAL_NAME_get0_value(name, &type);
  AltNameEntry entry;
  // OpenSSL numbers the choices from 0, the CERT_ALT_NAME_* kinds from 1.
  entry.kind = static_cast<std::uint32_t>(type) + 1;
  switch (type) {
    case GEN_EMAIL:
    case GEN_DNS:
    case GEN_URI:
      entry.text = Latin1ToWide(static_cast<const ASN1_IA5STRING*>(value));
      break;
    case GEN_IPADD:
      entry.bytes = openssl::StringBytes(static_cast<const ASN1_OCTET_STRING*>(value));
      break;
    case GEN_RID: {
      const std::optional<std::string> oid =
          openssl::OidText(static_cast<const ASN1_OBJECT*>(value));
      if (oid) {
        entry.text.assign(oid->begin(), oid->end());
      }
      break;
    }
    case GEN_DIRNAME: {
      const unsigned char* der = nullptr;
      std::size_t length = 0;
      if (X509_NAME_get0_der(static_cast<X509_NAME*>(value), &der, &length) == 1) {
        entry.bytes.assign(der, der + length);
      }
      break;
    }
    case GEN_OTHERNAME: {
      ASN1_OBJECT* typeId = nullptr;
      ASN1_TYPE* otherValue = nullptr;
      if (GENERAL_NAME_get0_otherName(name, &typeId, &otherValue) != 1) {
        return std::nullopt;
      }
      std::optional<std::string> oid = openssl::OidText(typeId);
      unsigned char* encoded = nullptr;
      const int length = i2d_ASN1_TYPE(otherValue, &encoded);
      const OpenSslBufferPtr owner(encoded);
      if (!oid || length <= 0) {
        return std::nullopt;
      }
      entry.otherNameOid = std::move(*oid);
      entry.otherNameValue.assign(encoded, encoded + length);
      break;
    }
    default:
      break;  // X.400 address, EDI party name: the kind alone
  }
  return entry;
}

}  // namespace

std::optional<Bytes> DecodeAuthorityKeyId(std::span<const std::uint8_t> extensionValue) {
  openssl::ErrorQueueScope errors;
  const auto keyId = openssl::DecodeWhole<AuthorityKeyIdPtr>(d2i_AUTHORITY_KEYID, extensionValue);
  if (!keyId) {
    return std::nullopt;
  }
  return openssl::StringBytes(keyId->keyid);
}

std::optional<Bytes> DecodeSubjectKeyId(std::span<const std::uint8_t> extensionValue) {
  openssl::ErrorQueueScope errors;
  const auto keyId =
      openssl::DecodeWhole<Asn1OctetStringPtr>(d2i_ASN1_OCTET_STRING, extensionValue);
  if (!keyId) {
    return std::nullopt;
  }
  return openssl::StringBytes(keyId.get());
}

std::optional<std::vector<AltNameEntry>> DecodeAltNames(std::span<const std::uint8_t> value) {
  openssl::ErrorQueueScope errors;
  const auto names = openssl::DecodeWhole<GeneralNamesPtr>(d2i_GENERAL_NAMES, value);
  if (!names) {
    return std::nullopt;
  }
  std::vector<AltNameEntry> entries;
  const int count = sk_GENERAL_NAME_num(names.get());
  for (int index = 0; index < count; ++index) {
    std::optional<AltNameEntry> entry = EntryOf(sk_GENERAL_NAME_value(names.get(), index));
    if (!entry) {
      return std::nullopt;
    }
    entries.push_back(std::move(*entry));
  }
  return entries;
}

std::optional<NameValue> DecodeNameValue(std::span<const std::uint8_t> der) {
  openssl::ErrorQueueScope errors;
  const auto any = openssl::DecodeWhole<Asn1TypePtr>(d2i_ASN1_TYPE, der);
  if (!any) {
    return std::nullopt;
  }
  const int type = ASN1_TYPE_get(any.get());
  switch (type) {
    case V_ASN1_OCTET_STRING:
    case V_ASN1_NUMERICSTRING:
    case V_ASN1_PRINTABLESTRING:
    case V_ASN1_T61STRING:
    case V_ASN1_VIDEOTEXSTRING:
    case V_ASN1_IA5STRING:
    case V_ASN1_GRAPHICSTRING:
    case V_ASN1_VISIBLESTRING:
    case V_ASN1_GENERALSTRING:
    case V_ASN1_UNIVERSALSTRING:
    case V_ASN1_BMPSTRING:
    case V_ASN1_UTF8STRING:
      return openssl::ValueFromAsn1(type, any->value.asn1_string);
    default:
      // Not a string: the value is its own encoding.
      return NameValue{kCertRdnEncodedBlob, Bytes(der.begin(), der.end())};
  }
}

std::optional<std::array<std::uint8_t, 2>> CertGetIntendedKeyUsage(const CertInfo& info) {
  const CertExtension* extension = CertFindExtension(kOidKeyUsage, info);
  if (extension == nullptr) {
    return std::nullopt;
  }
  openssl::ErrorQueueScope errors;
  const auto bits = openssl::DecodeWhole<Asn1BitStringPtr>(d2i_ASN1_BIT_STRING, extension->value);
  if (!bits) {
    return std::nullopt;
  }
  const Bytes bytes = openssl::StringBytes(bits.get());
  std::array<std::uint8_t, 2> usage{};
  for (std::size_t index = 0; index < usage.size() && index < bytes.size(); ++index) {
    usage[index] = bytes[index];
  }
  return usage;
}

std::optional<std::vector<std::string>> CertGetEnhancedKeyUsage(const CertContext& context,
                                                                std::uint32_t flags) {
  if (flags == kFindPropOnlyEnhkeyUsageFlag) {
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
  const CertExtension* extension = CertFindExtension(kOidExtendedKeyUsage, context.info);
  if (extension == nullptr) {
    SetLastError(kCryptENotFound);
    return std::nullopt;
  }
  openssl::ErrorQueueScope errors;
  const auto usages =
      openssl::DecodeWhole<ExtendedKeyUsagePtr>(d2i_EXTENDED_KEY_USAGE, extension->value);
  if (!usages) {
    SetLastError(kCryptEAsn1BadTag);
    return std::nullopt;
  }
  std::vector<std::string> oids;
  const int count = sk_ASN1_OBJECT_num(usages.get());
  for (int index = 0; index < count; ++index) {
    std::optional<std::string> oid = openssl::OidText(sk_ASN1_OBJECT_value(usages.get(), index));
    if (!oid) {
      SetLastError(kCryptEAsn1BadTag);
      return std::nullopt;
    }
    oids.push_back(std::move(*oid));
  }
  return oids;
}

}  // namespace platform
