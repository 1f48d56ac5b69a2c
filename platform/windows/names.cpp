// Names on CryptoAPI: a Name decoded into its attributes (X509_NAME), the text of one attribute
// value (CertRDNValueToStrW), the X.500 text of a name (CertNameToStrW) and the simple display
// name of a certificate (CertGetNameStringW).
#include <vector>

#include "platform/cert_decoding.h"
#include "platform/windows/win_api.h"

namespace platform {

std::optional<NameInfo> DecodeName(std::span<const std::uint8_t> nameBlob) {
  const auto decoded = windows::DecodeObject<CERT_NAME_INFO>(X509_NAME, nameBlob);
  if (!decoded) {
    return std::nullopt;
  }
  NameInfo name;
  name.rdns.reserve(decoded->cRDN);
  for (DWORD rdnIndex = 0; rdnIndex < decoded->cRDN; ++rdnIndex) {
    const CERT_RDN& rdn = decoded->rgRDN[rdnIndex];
    std::vector<NameAttribute>& attributes = name.rdns.emplace_back();
    attributes.reserve(rdn.cRDNAttr);
    for (DWORD index = 0; index < rdn.cRDNAttr; ++index) {
      const CERT_RDN_ATTR& attribute = rdn.rgRDNAttr[index];
      attributes.push_back({attribute.pszObjId != nullptr ? attribute.pszObjId : "",
                            attribute.dwValueType, windows::BytesOf(attribute.Value)});
    }
  }
  return name;
}

std::optional<std::u16string> CertRdnValueToStr(std::uint32_t valueType,
                                                std::span<const std::uint8_t> value) {
  CERT_RDN_VALUE_BLOB blob = windows::BlobOf(value);
  wchar_t buffer[kMaxRdnValueChars + 1] = {};
  const DWORD written = ::CertRDNValueToStrW(valueType, &blob, buffer, kMaxRdnValueChars + 1);
  if (written == 0) {
    return std::nullopt;
  }
  return windows::TextOf(buffer);
}

std::optional<std::u16string> CertNameToStr(std::uint32_t encodingType,
                                            std::span<const std::uint8_t> nameBlob) {
  // The platform writes an empty text for bytes that are not a Name; the decoder tells them apart.
  if (!windows::DecodeObject<CERT_NAME_INFO>(X509_NAME, nameBlob)) {
    return std::nullopt;
  }
  CERT_NAME_BLOB blob = windows::BlobOf(nameBlob);
  const DWORD size = ::CertNameToStrW(encodingType, &blob, CERT_X500_NAME_STR, nullptr, 0);
  if (size == 0) {
    return std::nullopt;
  }
  std::wstring text(size, L'\0');
  const DWORD written =
      ::CertNameToStrW(encodingType, &blob, CERT_X500_NAME_STR, text.data(), size);
  if (written == 0) {
    return std::nullopt;
  }
  return windows::TextOf(text.c_str());
}

std::u16string CertGetSimpleDisplayName(const CertContext& context, bool issuer) {
  const windows::NativeCertPtr native = windows::NativeContextOf(context);
  if (!native) {
    return {};
  }
  const DWORD flags = issuer ? CERT_NAME_ISSUER_FLAG : 0;
  const DWORD size =
      ::CertGetNameStringW(native.get(), CERT_NAME_SIMPLE_DISPLAY_TYPE, flags, nullptr, nullptr, 0);
  if (size <= 1) {
    return {};
  }
  std::wstring text(size, L'\0');
  ::CertGetNameStringW(native.get(), CERT_NAME_SIMPLE_DISPLAY_TYPE, flags, nullptr, text.data(),
                       size);
  return windows::TextOf(text.c_str());
}

}  // namespace platform
