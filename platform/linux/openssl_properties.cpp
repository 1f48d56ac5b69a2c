// Properties of a certificate context on OpenSSL: the SHA-1 hash, the key-provider property and
// the length of the public key.
#include <openssl/bn.h>
#include <openssl/ec.h>

#include "platform/cert_decoding.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/linux/openssl_der_reader.h"
#include "platform/linux/openssl_support.h"

namespace platform {
namespace {

// The key length is read from the encoded key itself: turning it into an EVP_PKEY goes through
// OpenSSL 3's provider decoders, which cost far more than the rest of a certificate's decoding.
// The lengths are those EVP_PKEY_get_bits reports: the modulus for RSA, the order of the curve's
// group for EC, the prime p for DSA.

using BignumPtr = std::unique_ptr<BIGNUM, Deleter<BN_free>>;
using EcGroupPtr = std::unique_ptr<EC_GROUP, Deleter<EC_GROUP_free>>;
void FreeSequence(ASN1_SEQUENCE_ANY* sequence) {
  sk_ASN1_TYPE_pop_free(sequence, ASN1_TYPE_free);
}
using SequencePtr = std::unique_ptr<ASN1_SEQUENCE_ANY, Deleter<FreeSequence>>;

// The bit length of the first of count positive INTEGERs that make up a SEQUENCE; 0 otherwise.
std::uint32_t FirstIntegerBits(std::span<const std::uint8_t> der, int count) {
  const auto sequence = openssl::DecodeWhole<SequencePtr>(d2i_ASN1_SEQUENCE_ANY, der);
  if (!sequence || sk_ASN1_TYPE_num(sequence.get()) != count) {
    return 0;
  }
  for (int index = 0; index < count; ++index) {
    if (ASN1_TYPE_get(sk_ASN1_TYPE_value(sequence.get(), index)) != V_ASN1_INTEGER) {
      return 0;
    }
  }
  const BignumPtr number(
      ASN1_INTEGER_to_BN(sk_ASN1_TYPE_value(sequence.get(), 0)->value.integer, nullptr));
  if (!number || BN_is_negative(number.get())) {
    return 0;
  }
  return static_cast<std::uint32_t>(BN_num_bits(number.get()));
}

// RSAPublicKey: SEQUENCE { modulus INTEGER, publicExponent INTEGER }.
std::uint32_t RsaModulusBits(const Bytes& key) {
  return FirstIntegerBits(key, 2);
}

// Dss-Parms: SEQUENCE { p INTEGER, q INTEGER, g INTEGER }.
std::uint32_t DsaPrimeBits(const ASN1_STRING* parameters) {
  if (parameters == nullptr) {
    return 0;
  }
  return FirstIntegerBits(openssl::StringBytes(parameters), 3);
}

// A named curve's order bits, when the key is a point of the curve's size.
std::uint32_t EcCurveBits(int curve, const Bytes& point) {
  const EcGroupPtr group(curve != NID_undef ? EC_GROUP_new_by_curve_name(curve) : nullptr);
  if (!group || point.empty()) {
    return 0;
  }
  const auto fieldBytes = static_cast<std::size_t>((EC_GROUP_get_degree(group.get()) + 7) / 8);
  const bool uncompressed = point[0] == 0x04 && point.size() == 1 + 2 * fieldBytes;
  const bool compressed = (point[0] == 0x02 || point[0] == 0x03) && point.size() == 1 + fieldBytes;
  if (!uncompressed && !compressed) {
    return 0;
  }
  return static_cast<std::uint32_t>(EC_GROUP_order_bits(group.get()));
}

}  // namespace

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

std::uint32_t CertGetPublicKeyLength(std::uint32_t encodingType,
                                     std::span<const std::uint8_t> subjectPublicKeyInfo) {
  if ((encodingType & kX509AsnEncoding) == 0) {
    return 0;
  }
  openssl::ErrorQueueScope errors;
  openssl::DerReader outer(subjectPublicKeyInfo);
  const auto info = outer.Next(V_ASN1_SEQUENCE, V_ASN1_UNIVERSAL, true);
  if (!info || !outer.AtEnd()) {
    return 0;
  }
  openssl::DerReader parts(info->content);
  const auto algorithmElement = parts.Next(V_ASN1_SEQUENCE, V_ASN1_UNIVERSAL, true);
  const auto keyElement = parts.Next(V_ASN1_BIT_STRING);
  if (!algorithmElement || !keyElement || !parts.AtEnd()) {
    return 0;
  }
  const auto algorithm =
      openssl::DecodeWhole<openssl::X509AlgorPtr>(d2i_X509_ALGOR, algorithmElement->whole);
  const auto key =
      openssl::DecodeWhole<openssl::Asn1BitStringPtr>(d2i_ASN1_BIT_STRING, keyElement->whole);
  if (!algorithm || !key) {
    return 0;
  }
  const ASN1_OBJECT* oid = nullptr;
  int parameterType = 0;
  const void* parameters = nullptr;
  X509_ALGOR_get0(&oid, &parameterType, &parameters, algorithm.get());
  const Bytes keyBytes = openssl::StringBytes(key.get());
  switch (OBJ_obj2nid(oid)) {
    case NID_rsaEncryption:
    case NID_rsassaPss:
      return RsaModulusBits(keyBytes);
    case NID_X9_62_id_ecPublicKey:
      if (parameterType != V_ASN1_OBJECT) {
        return 0;  // explicit curve parameters are not supported
      }
      return EcCurveBits(OBJ_obj2nid(static_cast<const ASN1_OBJECT*>(parameters)), keyBytes);
    case NID_dsa:
      if (parameterType != V_ASN1_SEQUENCE) {
        return 0;
      }
      return DsaPrimeBits(static_cast<const ASN1_STRING*>(parameters));
    default:
      return 0;
  }
}

}  // namespace platform
