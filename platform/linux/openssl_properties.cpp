// Properties of a certificate context on OpenSSL: the SHA-1 hash, the key-provider property and
// the length of the public key.
#include "platform/cert_decoding.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/linux/openssl_support.h"

namespace platform {

std::optional<Bytes> CertGetSha1Hash(const CertContext& context) {
  openssl::ErrorQueueScope errors;
  Bytes hash(EVP_MAX_MD_SIZE);
  unsigned int length = 0;
  if (EVP_Digest(context.encoded.data(), context.encoded.size(), hash.data(), &length, EVP_sha1(),
                 nullptr) != 1) {
    return std::nullopt;
  }
  hash.resize(length);
  return hash;
}

std::optional<KeyProvInfo> CertGetKeyProvInfo(const CertContext& context) {
  if (!context.keyProvInfo) {
    SetLastError(kCryptENotFound);
    return std::nullopt;
  }
  return context.keyProvInfo;
}

std::uint32_t CertGetPublicKeyLength(std::uint32_t encodingType,
                                     std::span<const std::uint8_t> subjectPublicKeyInfo) {
  if ((encodingType & kX509AsnEncoding) == 0) {
    return 0;
  }
  openssl::ErrorQueueScope errors;
  const auto key = openssl::DecodeWhole<openssl::EvpPkeyPtr>(d2i_PUBKEY, subjectPublicKeyInfo);
  if (!key) {
    return 0;
  }
  switch (EVP_PKEY_get_base_id(key.get())) {
    case EVP_PKEY_RSA:
    case EVP_PKEY_RSA_PSS:
    case EVP_PKEY_EC:
    case EVP_PKEY_DSA: {
      const int bits = EVP_PKEY_get_bits(key.get());
      return bits > 0 ? static_cast<std::uint32_t>(bits) : 0;
    }
    default:
      return 0;
  }
}

}  // namespace platform
