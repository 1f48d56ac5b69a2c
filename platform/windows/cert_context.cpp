// Certificate contexts on CryptoAPI: the platform parses the certificate, and the program's
// context copies what the platform parsed, so that nothing of the platform outlives the call.
#include "platform/cert_context.h"

#include <optional>

#include "platform/cert_decoding.h"
#include "platform/windows/win_api.h"

namespace platform::windows {
namespace {

// One DER element: the bytes of its header and content, and its first tag byte.
struct DerElement {
  std::span<const std::uint8_t> whole;
  std::span<const std::uint8_t> content;
  std::uint8_t tag = 0;
};

// The next element of bytes with a one-byte tag and a definite length; none otherwise.
std::optional<DerElement> NextElement(std::span<const std::uint8_t>& bytes) {
  if (bytes.size() < 2 || (bytes[0] & 0x1F) == 0x1F) {
    return std::nullopt;
  }
  std::size_t length = bytes[1];
  std::size_t header = 2;
  if ((length & 0x80) != 0) {
    const std::size_t lengthBytes = length & 0x7F;
    if (lengthBytes == 0 || lengthBytes > 4 || bytes.size() < 2 + lengthBytes) {
      return std::nullopt;
    }
    length = 0;
    for (std::size_t index = 0; index < lengthBytes; ++index) {
      length = (length << 8) | bytes[2 + index];
    }
    header += lengthBytes;
  }
  if (bytes.size() - header < length) {
    return std::nullopt;
  }
  DerElement element{bytes.first(header + length), bytes.subspan(header, length), bytes[0]};
  bytes = bytes.subspan(header + length);
  return element;
}

// The exact DER bytes of the SubjectPublicKeyInfo inside a certificate the platform has already
// accepted. Taken from the encoding rather than encoded again from the parsed structure, so that
// the bytes are those of the certificate whatever the platform's encoder would write.
Bytes PublicKeyInfoDer(std::span<const std::uint8_t> certificate) {
  constexpr std::uint8_t kSequence = 0x30;
  constexpr std::uint8_t kExplicitVersion = 0xA0;
  auto outer = NextElement(certificate);
  if (!outer || outer->tag != kSequence) {
    return {};
  }
  std::span<const std::uint8_t> parts = outer->content;
  auto toBeSigned = NextElement(parts);
  if (!toBeSigned || toBeSigned->tag != kSequence) {
    return {};
  }
  std::span<const std::uint8_t> fields = toBeSigned->content;
  if (!fields.empty() && fields[0] == kExplicitVersion && !NextElement(fields)) {
    return {};
  }
  // serialNumber, signature, issuer, validity, subject, then subjectPublicKeyInfo.
  for (int skipped = 0; skipped < 5; ++skipped) {
    if (!NextElement(fields)) {
      return {};
    }
  }
  const auto publicKeyInfo = NextElement(fields);
  if (!publicKeyInfo || publicKeyInfo->tag != kSequence) {
    return {};
  }
  return Bytes(publicKeyInfo->whole.begin(), publicKeyInfo->whole.end());
}

std::uint64_t FileTimeValue(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

std::optional<KeyProvInfo> KeyProvInfoOf(PCCERT_CONTEXT native) {
  DWORD size = 0;
  if (!::CertGetCertificateContextProperty(native, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size) ||
      size < sizeof(CRYPT_KEY_PROV_INFO)) {
    return std::nullopt;
  }
  // Aligned for the structure at the buffer's start; its texts follow it in the same buffer.
  auto buffer = std::make_unique<std::uint64_t[]>(size / sizeof(std::uint64_t) + 1);
  if (!::CertGetCertificateContextProperty(native, CERT_KEY_PROV_INFO_PROP_ID, buffer.get(),
                                           &size)) {
    return std::nullopt;
  }
  const auto* info = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(buffer.get());
  return KeyProvInfo{TextOf(info->pwszContainerName), TextOf(info->pwszProvName), info->dwProvType,
                     info->dwFlags, info->dwKeySpec};
}

// The usages of the enhanced-key-usage property; none when the context has no such property.
std::optional<std::vector<std::string>> UsagePropertyOf(PCCERT_CONTEXT native) {
  DWORD size = 0;
  if (!::CertGetEnhancedKeyUsage(native, CERT_FIND_PROP_ONLY_ENHKEY_USAGE_FLAG, nullptr, &size) ||
      size < sizeof(CERT_ENHKEY_USAGE)) {
    return std::nullopt;
  }
  auto buffer = std::make_unique<std::uint64_t[]>(size / sizeof(std::uint64_t) + 1);
  auto* usage = reinterpret_cast<CERT_ENHKEY_USAGE*>(buffer.get());
  if (!::CertGetEnhancedKeyUsage(native, CERT_FIND_PROP_ONLY_ENHKEY_USAGE_FLAG, usage, &size)) {
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

}  // namespace

NativeCertPtr NativeContextOf(const CertContext& context) {
  if (context.encoded.size() > MAXDWORD) {
    ::SetLastError(static_cast<DWORD>(CRYPT_E_ASN1_LARGE));
    return nullptr;
  }
  NativeCertPtr native(::CertCreateCertificateContext(context.encodingType, context.encoded.data(),
                                                      static_cast<DWORD>(context.encoded.size())));
  if (!native || !context.keyProvInfo) {
    return native;
  }
  const KeyProvInfo& keyProv = *context.keyProvInfo;
  std::u16string container = keyProv.containerName;
  std::u16string provider = keyProv.provName;
  CRYPT_KEY_PROV_INFO info{};
  info.pwszContainerName = reinterpret_cast<LPWSTR>(container.data());
  info.pwszProvName = reinterpret_cast<LPWSTR>(provider.data());
  info.dwProvType = keyProv.provType;
  info.dwFlags = keyProv.flags;
  info.dwKeySpec = keyProv.keySpec;
  if (!::CertSetCertificateContextProperty(native.get(), CERT_KEY_PROV_INFO_PROP_ID, 0, &info)) {
    return nullptr;
  }
  return native;
}

CertContextPtr ContextFromNative(PCCERT_CONTEXT native) {
  const CERT_INFO& parsed = *native->pCertInfo;
  auto context = std::make_unique<CertContext>();
  context->encodingType = native->dwCertEncodingType;
  context->encoded = BytesOf(native->pbCertEncoded, native->cbCertEncoded);
  CertInfo& info = context->info;
  info.version = parsed.dwVersion;
  info.serialNumber = BytesOf(parsed.SerialNumber);
  if (parsed.SignatureAlgorithm.pszObjId != nullptr) {
    info.signatureAlgOid = parsed.SignatureAlgorithm.pszObjId;
  }
  info.issuer = BytesOf(parsed.Issuer);
  info.subject = BytesOf(parsed.Subject);
  info.notBefore = FileTimeValue(parsed.NotBefore);
  info.notAfter = FileTimeValue(parsed.NotAfter);
  info.subjectPublicKeyInfo = PublicKeyInfoDer(context->encoded);
  info.extensions.reserve(parsed.cExtension);
  for (DWORD index = 0; index < parsed.cExtension; ++index) {
    const CERT_EXTENSION& extension = parsed.rgExtension[index];
    info.extensions.push_back({extension.pszObjId != nullptr ? extension.pszObjId : "",
                               extension.fCritical != FALSE, BytesOf(extension.Value)});
  }
  context->keyProvInfo = KeyProvInfoOf(native);
  context->enhancedKeyUsageProperty = UsagePropertyOf(native);
  return context;
}

}  // namespace platform::windows

namespace platform {

CertContextPtr CertCreateCertificateContext(std::uint32_t encodingType,
                                            std::span<const std::uint8_t> der) {
  if (der.size() > MAXDWORD) {
    ::SetLastError(static_cast<DWORD>(CRYPT_E_ASN1_LARGE));
    return nullptr;
  }
  const windows::NativeCertPtr native(
      ::CertCreateCertificateContext(encodingType, der.data(), static_cast<DWORD>(der.size())));
  if (!native) {
    return nullptr;
  }
  // A context made from bytes carries no properties yet.
  const DWORD savedError = ::GetLastError();
  CertContextPtr context = windows::ContextFromNative(native.get());
  ::SetLastError(savedError);
  return context;
}

}  // namespace platform
