// A parsed certificate as the certificate services hand it to the program's logic: the encoding
// type, the DER bytes and the parsed fields, plus the properties a stored copy may carry.
// The Linux implementation parses with OpenSSL; nothing here names a platform type.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint32_t kX509AsnEncoding = 0x00000001;
inline constexpr std::uint32_t kPkcs7AsnEncoding = 0x00010000;
inline constexpr std::uint32_t kCertEncoding = kX509AsnEncoding | kPkcs7AsnEncoding;

struct CertExtension {
  std::string oid;  // dotted text
  bool critical = false;
  Bytes value;  // the DER contents of the extension's OCTET STRING
};

// Instants are FILETIME values: 100 ns intervals since 1601-01-01 00:00 UTC.
struct CertInfo {
  std::uint32_t version = 0;  // 0 = v1, 1 = v2, 2 = v3
  Bytes serialNumber;         // least significant byte first, exactly as encoded (00 kept)
  std::optional<std::string> signatureAlgOid;  // absent when the certificate names none
  Bytes issuer;                                // DER of the issuer Name
  Bytes subject;                               // DER of the subject Name
  std::uint64_t notBefore = 0;
  std::uint64_t notAfter = 0;
  Bytes subjectPublicKeyInfo;  // DER of SubjectPublicKeyInfo
  std::vector<CertExtension> extensions;
};

// The key-provider property: which provider and container hold the certificate's private key.
struct KeyProvInfo {
  std::u16string containerName;
  std::u16string provName;
  std::uint32_t provType = 0;
  std::uint32_t flags = 0;
  std::uint32_t keySpec = 0;
};

struct CertContext {
  std::uint32_t encodingType = kCertEncoding;
  Bytes encoded;
  CertInfo info;
  // Properties. A context made from bytes has none; a copy found in a store may carry them.
  std::optional<KeyProvInfo> keyProvInfo;
  std::optional<std::vector<std::string>> enhancedKeyUsageProperty;
};

using CertContextPtr = std::unique_ptr<CertContext>;

// Parses DER bytes into a context. Null (with the thread's last error set) when the bytes are not
// a certificate or the encoding type lacks the X.509 bit.
CertContextPtr CertCreateCertificateContext(std::uint32_t encodingType,
                                            std::span<const std::uint8_t> der);

}  // namespace platform
