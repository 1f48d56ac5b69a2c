// The extension and usage readers of the certificate decoding.
#include "crypto/extension_readers.h"

#include "crypto/conversions.h"
#include "crypto/cryptoapi.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"

namespace {

std::u16string DecimalText(std::uint32_t number) {
  const std::string digits = std::to_string(number);
  return std::u16string(digits.begin(), digits.end());
}

// Every address byte in decimal, joined by "." (also for the sixteen bytes of an IPv6 address).
std::u16string AddressText(const platform::Bytes& address) {
  std::u16string text;
  for (std::size_t index = 0; index < address.size(); ++index) {
    if (index != 0) {
      text += u'.';
    }
    text += DecimalText(address[index]);
  }
  return text;
}

}  // namespace

void ReadAuthorityKeyId(const platform::CertInfo& info, platform::Bytes& authorityKeyId) {
  const platform::CertExtension* extension = platform::CertFindExtension(kOidAuthorityKeyId, info);
  if (extension == nullptr) {
    return;
  }
  if (auto keyId = platform::DecodeAuthorityKeyId(extension->value)) {
    authorityKeyId = std::move(*keyId);
  }
}

void ReadSubjectKeyId(const platform::CertInfo& info, platform::Bytes& subjectKeyId) {
  const platform::CertExtension* extension = platform::CertFindExtension(kOidSubjectKeyId, info);
  if (extension == nullptr) {
    return;
  }
  if (auto keyId = platform::DecodeSubjectKeyId(extension->value)) {
    subjectKeyId = std::move(*keyId);
  }
}

void ReadKeyUsage(const platform::CertInfo& info, std::array<std::uint8_t, 2>& keyUsage) {
  keyUsage = platform::CertGetIntendedKeyUsage(info).value_or(std::array<std::uint8_t, 2>{});
}

void ReadQcStatements(const platform::CertInfo& info, std::uint32_t& hasQcStatements) {
  hasQcStatements = platform::CertFindExtension(kOidQcStatements, info) != nullptr ? 1 : 0;
}

std::u16string NameValueText(const platform::NameValue& value) {
  if (value.valueType == platform::kCertRdnBmpString ||
      value.valueType == platform::kCertRdnUtf8String) {
    std::u16string text;
    text.reserve(value.value.size() / 2);
    for (std::size_t offset = 0; offset + 1 < value.value.size(); offset += 2) {
      text += static_cast<char16_t>(value.value[offset] | (value.value[offset + 1] << 8));
    }
    return text;
  }
  return ToWide(reinterpret_cast<const char*>(value.value.data()), value.value.size());
}

void TCryptoapi::ReadAltNames(const platform::CertInfo& info, std::vector<TRDNAttr>& altNames) {
  const platform::CertExtension* extension = platform::CertFindExtension(kOidSubjectAltName, info);
  if (extension == nullptr) {
    extension = platform::CertFindExtension(kOidSubjectAltNameOld, info);
  }
  if (extension == nullptr) {
    return;
  }
  const auto entries = platform::DecodeAltNames(extension->value);
  if (!entries) {
    return;
  }
  for (const platform::AltNameEntry& entry : *entries) {
    TRDNAttr element(DecimalText(entry.kind), std::u16string(), platform::kCertRdnIa5String);
    switch (entry.kind) {
      case platform::kAltNameRfc822Name:
      case platform::kAltNameDnsName:
      case platform::kAltNameUrl:
        element.value = entry.text;
        break;
      case platform::kAltNameIpAddress:
        element.value = AddressText(entry.bytes);
        break;
      case platform::kAltNameOtherName: {
        const auto value = platform::DecodeNameValue(entry.otherNameValue);
        if (!value) {
          continue;
        }
        element.valueType = value->valueType;
        element.value = NameValueText(*value);
        element.oid = ToWide(entry.otherNameOid);
        element.isOtherName = 1;
        break;
      }
      default:
        continue;  // X.400 address, directory name, EDI party name, registered ID
    }
    altNames.push_back(std::move(element));
  }
}

void TCryptoapi::ReadExtKeyUsages(const platform::CertContext& context,
                                  std::vector<TRDNAttr>& extKeyUsages) {
  const auto usages =
      platform::CertGetEnhancedKeyUsage(context, platform::kFindExtOnlyEnhkeyUsageFlag);
  if (!usages) {
    return;
  }
  for (const std::string& oid : *usages) {
    extKeyUsages.emplace_back(ToWide(oid), std::u16string(), 0);
  }
}

void TCryptoapi::ReadEkuProperty(const platform::CertContext& context,
                                 std::uint32_t& ekuPropMissing,
                                 std::vector<std::u16string>& ekuPropOids) {
  const auto usages =
      platform::CertGetEnhancedKeyUsage(context, platform::kFindPropOnlyEnhkeyUsageFlag);
  if (!usages) {
    ekuPropMissing = platform::GetLastError() == platform::kCryptENotFound ? 1 : 0;
    return;
  }
  ekuPropMissing = 0;
  for (const std::string& oid : *usages) {
    ekuPropOids.push_back(ToWide(oid));
  }
}

// The value is decoded by its type: a UTF-8 or BMP string arrives as UTF-16 code units, which a
// byte-wise conversion would turn into a text full of NULs.
void TCryptoapi::ReadPrivateExtension(const platform::CertContext& context,
                                      std::u16string& privateExtText) {
  const platform::CertExtension* extension =
      platform::CertFindExtension(kOidPrivateExtension, context.info);
  if (extension == nullptr) {
    return;
  }
  if (const auto value = platform::DecodeNameValue(extension->value)) {
    privateExtText = NameValueText(*value);
  }
}
