// The decoded certificate record: every text, number and list that the page, the dialogs and the
// export show of one certificate, owned by value.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/cert_context.h"

// A FILETIME: 100 ns intervals since 1601-01-01 00:00 UTC, held as its two 32-bit halves.
struct FileTime {
  std::uint32_t low = 0;
  std::uint32_t high = 0;

  static FileTime FromValue(std::uint64_t value) {
    return {static_cast<std::uint32_t>(value), static_cast<std::uint32_t>(value >> 32)};
  }
  std::uint64_t Value() const { return (static_cast<std::uint64_t>(high) << 32) | low; }
  friend bool operator==(const FileTime&, const FileTime&) = default;
};

// One attribute of a name, one alternative name, or one usage OID.
class TRDNAttr {
 public:
  TRDNAttr() = default;
  TRDNAttr(std::u16string oidText, std::u16string valueText, std::uint32_t type)
      : oid(std::move(oidText)), valueType(type), value(std::move(valueText)) {}
  TRDNAttr(const TRDNAttr&) = default;
  TRDNAttr& operator=(const TRDNAttr&) = default;
  TRDNAttr(TRDNAttr&&) = default;
  TRDNAttr& operator=(TRDNAttr&&) = default;
  virtual ~TRDNAttr() = default;

  std::u16string oid;
  std::uint32_t valueType = 0;  // platform::kCertRdn* value type
  std::u16string value;
  std::uint32_t isOtherName = 0;
};

struct TCertDetails {
  TCertDetails() = default;
  TCertDetails(const TCertDetails&) = default;
  TCertDetails& operator=(const TCertDetails&) = default;
  TCertDetails(TCertDetails&&) = default;
  TCertDetails& operator=(TCertDetails&&) = default;

  // Back to the cleared state: empty texts, bytes and lists, every number 0.
  void Clear() { *this = TCertDetails(); }

  // A new certificate context built from certEncoded (or, when that is empty, from pemText),
  // with the key-provider property attached when the record has one. Null when no bytes decode.
  platform::CertContextPtr CreateContext() const;
  // 1 when an exact copy of the certificate is in the current user's store of that name, else 0.
  int IsInstalled(const std::u16string& storeName) const;
  // notBefore and notAfter in the user's local time, joined by " - ".
  std::u16string ValidityText() const;

  std::u16string subjectName;
  std::u16string subjectDN;
  std::u16string issuerName;
  std::u16string issuerDN;
  platform::Bytes subjectEncoded;
  std::u16string serialNumber;
  std::u16string thumbprint;
  std::array<std::uint8_t, 2> keyUsage{};
  std::uint32_t version = 0;
  FileTime notBefore;
  FileTime notAfter;
  std::u16string pemText;
  std::u16string base64Text;
  platform::Bytes certEncoded;
  std::u16string privateExtText;
  std::uint32_t hasQcStatements = 0;
  std::u16string signatureAlgOid;
  std::u16string hashAlgOid;
  std::uint32_t hasKeyProvInfo = 0;
  std::u16string keyProvName;
  std::uint32_t keyProvType = 0;
  std::uint32_t publicKeyBits = 0;
  std::u16string keyContainerName;
  std::uint32_t keySpec = 0;
  platform::Bytes authorityKeyId;
  platform::Bytes subjectKeyId;
  std::vector<TRDNAttr> subjectAttrs;
  std::vector<TRDNAttr> issuerAttrs;
  std::vector<TRDNAttr> altNames;
  std::vector<TRDNAttr> extKeyUsages;
  std::uint32_t ekuPropMissing = 0;
  std::vector<std::u16string> ekuPropOids;
};
