// Internal helpers of the OpenSSL-based certificate services: owning handles for OpenSSL objects,
// a scope that discards the errors OpenSSL queues while a service runs, and conversions between
// OpenSSL's ASN.1 strings and the value blobs of platform/cert_decoding.h.
#pragma once

#include <openssl/asn1.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "platform/cert_context.h"
#include "platform/cert_decoding.h"
#include "platform/linux/c_deleter.h"

namespace platform::openssl {

using X509Ptr = std::unique_ptr<X509, Deleter<X509_free>>;
using Asn1TypePtr = std::unique_ptr<ASN1_TYPE, Deleter<ASN1_TYPE_free>>;
using Asn1OctetStringPtr = std::unique_ptr<ASN1_OCTET_STRING, Deleter<ASN1_OCTET_STRING_free>>;
using Asn1BitStringPtr = std::unique_ptr<ASN1_BIT_STRING, Deleter<ASN1_BIT_STRING_free>>;
using AuthorityKeyIdPtr = std::unique_ptr<AUTHORITY_KEYID, Deleter<AUTHORITY_KEYID_free>>;
using GeneralNamesPtr = std::unique_ptr<GENERAL_NAMES, Deleter<GENERAL_NAMES_free>>;
using ExtendedKeyUsagePtr = std::unique_ptr<EXTENDED_KEY_USAGE, Deleter<EXTENDED_KEY_USAGE_free>>;
using X509AlgorPtr = std::unique_ptr<X509_ALGOR, Deleter<X509_ALGOR_free>>;
inline void FreeOpenSslBuffer(unsigned char* buffer) {
  OPENSSL_free(buffer);
}
using OpenSslBufferPtr = std::unique_ptr<unsigned char, Deleter<FreeOpenSslBuffer>>;

// Errors OpenSSL queues inside this scope are dropped when it ends, so that a failed parse leaves
// nothing behind on the thread's error queue.
class ErrorQueueScope {
 public:
  ErrorQueueScope() { ERR_set_mark(); }
  ~ErrorQueueScope() { ERR_pop_to_mark(); }
  ErrorQueueScope(const ErrorQueueScope&) = delete;
  ErrorQueueScope& operator=(const ErrorQueueScope&) = delete;
};

// Runs a d2i_* function over all of der into an owning handle; null when decoding fails or
// leaves bytes unread.
template <typename Handle, typename Decode>
Handle DecodeWhole(Decode decode, std::span<const std::uint8_t> der) {
  if (der.empty() || der.size() > static_cast<std::size_t>(LONG_MAX)) {
    return Handle();
  }
  const unsigned char* cursor = der.data();
  Handle object(decode(nullptr, &cursor, static_cast<long>(der.size())));
  if (object && cursor != der.data() + der.size()) {
    object.reset();
  }
  return object;
}

// The dotted text of an OID; none when OpenSSL cannot render it.
std::optional<std::string> OidText(const ASN1_OBJECT* object);

// The bytes of an ASN.1 string.
Bytes StringBytes(const ASN1_STRING* text);

// The CERT_RDN_* value type and value blob of an ASN.1 value of the given universal type.
// For types that travel as encoded blobs the DER of the value is produced with i2d.
std::optional<NameValue> ValueFromAsn1(int asn1Type, const ASN1_STRING* text);

}  // namespace platform::openssl
