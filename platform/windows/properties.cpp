// Properties of a certificate context on CryptoAPI: the SHA-1 hash, the key-provider property
// and the length of the public key.
#include "platform/cert_decoding.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/windows/win_api.h"

namespace platform {

std::optional<Bytes> CertGetSha1Hash(const CertContext& context) {
  const windows::NativeCertPtr native = windows::NativeContextOf(context);
  if (!native) {
    return std::nullopt;
  }
  Bytes hash(20);
  DWORD size = static_cast<DWORD>(hash.size());
  if (!::CertGetCertificateContextProperty(native.get(), CERT_SHA1_HASH_PROP_ID, hash.data(),
                                           &size)) {
    return std::nullopt;
  }
  hash.resize(size);
  return hash;
}

std::uint32_t CertGetPublicKeyLength(std::uint32_t encodingType,
                                     std::span<const std::uint8_t> subjectPublicKeyInfo) {
  const auto info =
      windows::DecodeObject<CERT_PUBLIC_KEY_INFO>(X509_PUBLIC_KEY_INFO, subjectPublicKeyInfo);
  if (!info) {
    return 0;
  }
  return ::CertGetPublicKeyLength(encodingType, info.get());
}

}  // namespace platform
