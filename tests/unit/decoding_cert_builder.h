// Test helpers for the decoding tests: DER building blocks and a certificate builder on OpenSSL's
// API, so that each test makes exactly the certificate it needs.
#pragma once

#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/x509.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cert_context.h"

namespace decoding_test {

using platform::Bytes;

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) {
    out.insert(out.end(), part.begin(), part.end());
  }
  return out;
}

inline Bytes Text(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

// One DER tag-length-value (definite length, up to 65535 content bytes).
inline Bytes Tlv(std::uint8_t tag, const Bytes& content) {
  Bytes out{tag};
  const std::size_t length = content.size();
  if (length < 0x80) {
    out.push_back(static_cast<std::uint8_t>(length));
  } else if (length < 0x100) {
    out.insert(out.end(), {0x81, static_cast<std::uint8_t>(length)});
  } else {
    out.insert(out.end(), {0x82, static_cast<std::uint8_t>(length >> 8),
                           static_cast<std::uint8_t>(length & 0xFF)});
  }
  out.insert(out.end(), content.begin(), content.end());
  return out;
}

inline Bytes Seq(std::initializer_list<Bytes> parts) {
  return Tlv(0x30, Concat(parts));
}

// The DER of a dotted OID.
inline Bytes Oid(const char* dotted) {
  ASN1_OBJECT* object = OBJ_txt2obj(dotted, 1);
  if (object == nullptr) {
    throw std::invalid_argument(dotted);
  }
  unsigned char* der = nullptr;
  const int length = i2d_ASN1_OBJECT(object, &der);
  Bytes out(der, der + length);
  OPENSSL_free(der);
  ASN1_OBJECT_free(object);
  return out;
}

// The UTF-16BE bytes of a BMPString's content.
inline Bytes Bmp(std::u16string_view text) {
  Bytes out;
  for (char16_t unit : text) {
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
  }
  return out;
}

struct X509NameDeleter {
  void operator()(X509_NAME* name) const { X509_NAME_free(name); }
};
using NamePtr = std::unique_ptr<X509_NAME, X509NameDeleter>;

// A name built attribute by attribute; alsoInPrevious adds the attribute to the last RDN.
class NameBuilder {
 public:
  NameBuilder() : name_(X509_NAME_new()) {}
  NameBuilder& Add(const char* oid, int asn1Type, const Bytes& value, bool alsoInPrevious = false) {
    if (X509_NAME_add_entry_by_txt(name_.get(), oid, asn1Type, value.data(),
                                   static_cast<int>(value.size()), -1,
                                   alsoInPrevious ? -1 : 0) != 1) {
      throw std::runtime_error("X509_NAME_add_entry_by_txt");
    }
    return *this;
  }
  NameBuilder& Utf8(const char* oid, std::string_view value) {
    return Add(oid, V_ASN1_UTF8STRING, Text(value));
  }
  Bytes Der() const {
    unsigned char* der = nullptr;
    const int length = i2d_X509_NAME(name_.get(), &der);
    Bytes out(der, der + length);
    OPENSSL_free(der);
    return out;
  }
  X509_NAME* get() const { return name_.get(); }

 private:
  NamePtr name_;
};

// A signed certificate: v3, serial 01, subject and issuer "CN=Test", valid 2024-2034, an EC P-256
// key, signed with ECDSA-SHA256, and only the extensions that are added.
class CertBuilder {
 public:
  CertBuilder() : cert_(X509_new()) {
    X509_set_version(cert_.get(), 2);
    Serial({0x01});
    NameBuilder name;
    name.Utf8("2.5.4.3", "Test");
    X509_set_subject_name(cert_.get(), name.get());
    X509_set_issuer_name(cert_.get(), name.get());
    Validity("20240101000000Z", "20340101000000Z");
    X509_set_pubkey(cert_.get(), Key());
  }

  // The serial number by the content octets of its DER INTEGER.
  CertBuilder& Serial(const Bytes& contentOctets) {
    const Bytes der = Tlv(0x02, contentOctets);
    const unsigned char* cursor = der.data();
    ASN1_INTEGER* serial = d2i_ASN1_INTEGER(nullptr, &cursor, static_cast<long>(der.size()));
    if (serial == nullptr) {
      throw std::invalid_argument("serial");
    }
    X509_set_serialNumber(cert_.get(), serial);
    ASN1_INTEGER_free(serial);
    return *this;
  }
  CertBuilder& Version(long version) {
    X509_set_version(cert_.get(), version);
    return *this;
  }
  // Times as YYYYMMDDHHMMSSZ; years 1950-2049 are written as UTCTime.
  CertBuilder& Validity(const char* notBefore, const char* notAfter) {
    ASN1_TIME* time = ASN1_TIME_new();
    ASN1_TIME_set_string_X509(time, notBefore);
    X509_set1_notBefore(cert_.get(), time);
    ASN1_TIME_set_string_X509(time, notAfter);
    X509_set1_notAfter(cert_.get(), time);
    ASN1_TIME_free(time);
    return *this;
  }
  CertBuilder& Subject(const NameBuilder& name) {
    X509_set_subject_name(cert_.get(), name.get());
    return *this;
  }
  CertBuilder& Issuer(const NameBuilder& name) {
    X509_set_issuer_name(cert_.get(), name.get());
    return *this;
  }
  // An extension by its OID and the DER inside its OCTET STRING.
  CertBuilder& Extension(const char* oid, const Bytes& value, bool critical = false) {
    ASN1_OBJECT* object = OBJ_txt2obj(oid, 1);
    ASN1_OCTET_STRING* data = ASN1_OCTET_STRING_new();
    ASN1_OCTET_STRING_set(data, value.data(), static_cast<int>(value.size()));
    X509_EXTENSION* extension =
        X509_EXTENSION_create_by_OBJ(nullptr, object, critical ? 1 : 0, data);
    X509_add_ext(cert_.get(), extension, -1);
    X509_EXTENSION_free(extension);
    ASN1_OCTET_STRING_free(data);
    ASN1_OBJECT_free(object);
    return *this;
  }

  Bytes Der() {
    if (X509_sign(cert_.get(), Key(), EVP_sha256()) <= 0) {
      throw std::runtime_error("X509_sign");
    }
    unsigned char* der = nullptr;
    const int length = i2d_X509(cert_.get(), &der);
    Bytes out(der, der + length);
    OPENSSL_free(der);
    return out;
  }

 private:
  struct X509Deleter {
    void operator()(X509* cert) const { X509_free(cert); }
  };
  struct KeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
  };

  // One key for every certificate of the process: generating keys is slow and irrelevant here.
  static EVP_PKEY* Key() {
    static const std::unique_ptr<EVP_PKEY, KeyDeleter> key(EVP_EC_gen("P-256"));
    return key.get();
  }

  std::unique_ptr<X509, X509Deleter> cert_;
};

}  // namespace decoding_test
