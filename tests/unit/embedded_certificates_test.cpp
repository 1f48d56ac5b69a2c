// Checks the embedded test-environment catalogue with OpenSSL alone: the exact PEM shape of
// every text, the certificate chains, the extensions that set each group apart, and that the
// committed expectations file still describes the embedded certificates.
#include <gtest/gtest.h>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/embedded_certificates.h"

namespace {

template <typename T, void (*Free)(T*)>
struct Deleter {
  void operator()(T* object) const { Free(object); }
};
using X509Ptr = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using BioPtr = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;
using StorePtr = std::unique_ptr<X509_STORE, Deleter<X509_STORE, X509_STORE_free>>;
using StoreCtxPtr = std::unique_ptr<X509_STORE_CTX, Deleter<X509_STORE_CTX, X509_STORE_CTX_free>>;
using NamesPtr = std::unique_ptr<GENERAL_NAMES, Deleter<GENERAL_NAMES, GENERAL_NAMES_free>>;
using Utf8Ptr = std::unique_ptr<ASN1_UTF8STRING, Deleter<ASN1_UTF8STRING, ASN1_UTF8STRING_free>>;
using ObjectPtr = std::unique_ptr<ASN1_OBJECT, Deleter<ASN1_OBJECT, ASN1_OBJECT_free>>;
void FreeCertStack(STACK_OF(X509) * stack) {
  sk_X509_free(stack);
}  // certificates not owned
using CertStackPtr = std::unique_ptr<STACK_OF(X509), Deleter<STACK_OF(X509), FreeCertStack>>;

// Every certificate must be valid at this moment (2026-12-09 12:00 UTC) except the one expired
// intermediate; a fixed moment keeps the verdicts independent of the day the tests run.
constexpr std::time_t kReferenceTime = 1796817600;

struct Group {
  const char* name;
  const char16_t* const* texts;
  std::size_t count;
};
const Group kRoots{"CERTS_ROOT_TEST", CERTS_ROOT_TEST, 4};
const Group kIntermediates{"CERTS_INTERMEDIATE_TEST", CERTS_INTERMEDIATE_TEST, 6};
const Group kTsa{"CERTS_TSA_TEST", CERTS_TSA_TEST, 3};
const Group kTsaWeb{"CERTS_TSA_WEB_TEST", CERTS_TSA_WEB_TEST, 2};
const Group kGroups[] = {kRoots, kIntermediates, kTsa, kTsaWeb};

// The text as 8-bit characters; a catalogue text holds nothing but ASCII.
std::string Narrow(const char16_t* text) {
  std::string narrow;
  for (; *text != u'\0'; ++text) {
    EXPECT_LT(*text, 0x80) << "non-ASCII code unit in a PEM text";
    narrow.push_back(static_cast<char>(*text));
  }
  return narrow;
}

X509Ptr ParsePem(const std::string& pem) {
  BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  return X509Ptr(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
}

std::string WritePem(X509* cert) {
  BioPtr bio(BIO_new(BIO_s_mem()));
  PEM_write_bio_X509(bio.get(), cert);
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio.get(), &data);
  return std::string(data, static_cast<std::size_t>(size));
}

// The texts up to the list's terminating null, however many there are.
std::vector<const char16_t*> Texts(const Group& group) {
  std::vector<const char16_t*> texts;
  for (const char16_t* const* text = group.texts; *text != nullptr; ++text) {
    texts.push_back(*text);
  }
  return texts;
}

std::vector<X509Ptr> Load(const Group& group) {
  std::vector<X509Ptr> certs;
  for (const char16_t* text : Texts(group)) {
    certs.push_back(ParsePem(Narrow(text)));
    EXPECT_NE(certs.back(), nullptr) << group.name << "[" << certs.size() - 1 << "] does not parse";
  }
  return certs;
}

std::string Hex(const unsigned char* bytes, std::size_t size) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (std::size_t i = 0; i < size; ++i) {
    hex += kDigits[bytes[i] >> 4];
    hex += kDigits[bytes[i] & 0x0F];
  }
  return hex;
}

// The content octets of the serial's DER INTEGER: a leading 00 stays in.
std::string SerialHex(X509* cert) {
  unsigned char* der = nullptr;
  const int size = i2d_ASN1_INTEGER(X509_get0_serialNumber(cert), &der);
  const std::string hex = Hex(der + 2, static_cast<std::size_t>(size - 2));  // short-form length
  OPENSSL_free(der);
  return hex;
}

int FindExtension(X509* cert, const char* oid) {
  ObjectPtr object(OBJ_txt2obj(oid, 1));
  return X509_get_ext_by_OBJ(cert, object.get(), -1);
}

// X509_V_OK or the verification error, with strict checks at the reference time.
int Verify(X509* cert, const std::vector<X509Ptr>& trusted, const std::vector<X509Ptr>& untrusted,
           int purpose) {
  StorePtr store(X509_STORE_new());
  for (const X509Ptr& root : trusted) {
    X509_STORE_add_cert(store.get(), root.get());
  }
  CertStackPtr chain(sk_X509_new_null());
  for (const X509Ptr& intermediate : untrusted) {
    sk_X509_push(chain.get(), intermediate.get());
  }
  StoreCtxPtr ctx(X509_STORE_CTX_new());
  X509_STORE_CTX_init(ctx.get(), store.get(), cert, chain.get());
  X509_STORE_CTX_set_time(ctx.get(), 0, kReferenceTime);
  X509_STORE_CTX_set_flags(ctx.get(), X509_V_FLAG_X509_STRICT);
  X509_STORE_CTX_set_purpose(ctx.get(), purpose);
  return X509_verify_cert(ctx.get()) == 1 ? X509_V_OK : X509_STORE_CTX_get_error(ctx.get());
}

TEST(EmbeddedCertificates, ListsHoldTheirCountsAndEndWithNull) {
  for (const Group& group : kGroups) {
    EXPECT_EQ(Texts(group).size(), group.count) << group.name;
  }
}

// Each text is exactly the canonical PEM form of its certificate: header line, Base64 in lines
// of 64 characters, footer line, LF line ends only. The one designed exception is the blank
// after the footer of the second root.
TEST(EmbeddedCertificates, EveryTextIsTheCanonicalPemOfItsCertificate) {
  for (const Group& group : kGroups) {
    const std::vector<const char16_t*> texts = Texts(group);
    for (std::size_t i = 0; i < texts.size(); ++i) {
      SCOPED_TRACE(std::string(group.name) + "[" + std::to_string(i) + "]");
      const std::string text = Narrow(texts[i]);
      X509Ptr cert = ParsePem(text);
      ASSERT_NE(cert, nullptr);
      std::string expected = WritePem(cert.get());
      if (group.texts == CERTS_ROOT_TEST && i == 1) {
        expected.insert(expected.size() - 1, " ");
      }
      EXPECT_EQ(text, expected);
      EXPECT_EQ(text.find('\r'), std::string::npos);

      const std::size_t bodyStart = text.find('\n') + 1;
      const std::size_t footer = text.find("-----END");
      for (std::size_t line = bodyStart; line < footer;) {
        const std::size_t end = text.find('\n', line);
        EXPECT_TRUE(end - line == 64 || (end + 1 == footer && end - line < 64))
            << "Base64 line of " << end - line << " characters";
        line = end + 1;
      }
    }
  }
}

TEST(EmbeddedCertificates, ChainsVerifyWithTheirGroupsPurpose) {
  const std::vector<X509Ptr> roots = Load(kRoots);
  const std::vector<X509Ptr> intermediates = Load(kIntermediates);

  for (const X509Ptr& root : roots) {
    EXPECT_EQ(X509_check_issued(root.get(), root.get()), X509_V_OK);
    EXPECT_EQ(X509_verify(root.get(), X509_get0_pubkey(root.get())), 1);
    EXPECT_EQ(Verify(root.get(), roots, {}, X509_PURPOSE_ANY), X509_V_OK);
  }

  int expired = 0;
  for (const X509Ptr& intermediate : intermediates) {
    EXPECT_NE(X509_check_issued(intermediate.get(), intermediate.get()), X509_V_OK);
    const int verdict = Verify(intermediate.get(), roots, {}, X509_PURPOSE_ANY);
    if (verdict == X509_V_ERR_CERT_HAS_EXPIRED) {
      ++expired;
    } else {
      EXPECT_EQ(verdict, X509_V_OK) << X509_verify_cert_error_string(verdict);
    }
  }
  EXPECT_EQ(expired, 1);

  // Every intermediate is offered; a chain through the expired one would fail.
  for (const X509Ptr& tsa : Load(kTsa)) {
    EXPECT_EQ(Verify(tsa.get(), roots, intermediates, X509_PURPOSE_TIMESTAMP_SIGN), X509_V_OK);
  }
  for (const X509Ptr& web : Load(kTsaWeb)) {
    EXPECT_EQ(Verify(web.get(), roots, intermediates, X509_PURPOSE_SSL_SERVER), X509_V_OK);
  }
}

TEST(EmbeddedCertificates, GroupsCarryTheirDistinguishingExtensions) {
  for (const X509Ptr& tsa : Load(kTsa)) {
    const int eku = X509_get_ext_by_NID(tsa.get(), NID_ext_key_usage, -1);
    ASSERT_GE(eku, 0);
    EXPECT_EQ(X509_EXTENSION_get_critical(X509_get_ext(tsa.get(), eku)), 1);
    EXPECT_EQ(X509_get_extended_key_usage(tsa.get()), static_cast<std::uint32_t>(XKU_TIMESTAMP));
  }

  for (const X509Ptr& web : Load(kTsaWeb)) {
    EXPECT_NE(X509_get_extended_key_usage(web.get()) & XKU_SSL_SERVER, 0u);
    NamesPtr names(static_cast<GENERAL_NAMES*>(
        X509_get_ext_d2i(web.get(), NID_subject_alt_name, nullptr, nullptr)));
    ASSERT_NE(names, nullptr);
    std::multiset<int> kinds;
    for (int i = 0; i < sk_GENERAL_NAME_num(names.get()); ++i) {
      kinds.insert(sk_GENERAL_NAME_value(names.get(), i)->type);
    }
    EXPECT_GE(kinds.count(GEN_DNS), 2u);
    EXPECT_GE(kinds.count(GEN_EMAIL), 1u);
    EXPECT_GE(kinds.count(GEN_URI), 1u);
    EXPECT_GE(kinds.count(GEN_IPADD), 1u);
  }

  // The qualified statements sit on one root only, the private extension on one intermediate
  // only, and at least one serial's DER integer needs a leading 00 octet.
  std::vector<std::string> withQc, withPrivate;
  int leadingZeroSerials = 0;
  for (const Group& group : kGroups) {
    for (const X509Ptr& cert : Load(group)) {
      if (FindExtension(cert.get(), "1.3.6.1.5.5.7.1.3") >= 0) {
        withQc.push_back(group.name);
      }
      const int privateExt = FindExtension(cert.get(), "1.3.6.1.4.1.58127.4.3");
      if (privateExt >= 0) {
        withPrivate.push_back(group.name);
        const ASN1_OCTET_STRING* data =
            X509_EXTENSION_get_data(X509_get_ext(cert.get(), privateExt));
        const unsigned char* cursor = ASN1_STRING_get0_data(data);
        Utf8Ptr value(d2i_ASN1_UTF8STRING(nullptr, &cursor, ASN1_STRING_length(data)));
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(ASN1_STRING_get0_data(value.get())),
                              static_cast<std::size_t>(ASN1_STRING_length(value.get()))),
                  "Testovac\u00ed prost\u0159ed\u00ed");
      }
      leadingZeroSerials += SerialHex(cert.get()).starts_with("00") ? 1 : 0;
    }
  }
  EXPECT_EQ(withQc, std::vector<std::string>{"CERTS_ROOT_TEST"});
  EXPECT_EQ(withPrivate, std::vector<std::string>{"CERTS_INTERMEDIATE_TEST"});
  EXPECT_GE(leadingZeroSerials, 1);
}

// The catalogue exists to exercise a decoder: it must keep covering these kinds of input.
TEST(EmbeddedCertificates, CoverTheKeysAlgorithmsAndNameValuesADecoderMeets) {
  std::set<std::pair<int, int>> keys;
  std::set<int> signatures;
  bool commaInOrganisation = false, nonAsciiUtf8 = false, emailAttribute = false;
  bool printableValue = false;
  for (const Group& group : kGroups) {
    for (const X509Ptr& cert : Load(group)) {
      const EVP_PKEY* key = X509_get0_pubkey(cert.get());
      keys.emplace(EVP_PKEY_get_base_id(key), EVP_PKEY_get_bits(key));
      signatures.insert(X509_get_signature_nid(cert.get()));
      const X509_NAME* subject = X509_get_subject_name(cert.get());
      for (int i = 0; i < X509_NAME_entry_count(subject); ++i) {
        const X509_NAME_ENTRY* entry = X509_NAME_get_entry(subject, i);
        const int nid = OBJ_obj2nid(X509_NAME_ENTRY_get_object(entry));
        const ASN1_STRING* data = X509_NAME_ENTRY_get_data(entry);
        const std::string value(reinterpret_cast<const char*>(ASN1_STRING_get0_data(data)),
                                static_cast<std::size_t>(ASN1_STRING_length(data)));
        commaInOrganisation |= nid == NID_organizationName && value.find(',') != value.npos;
        nonAsciiUtf8 |= ASN1_STRING_type(data) == V_ASN1_UTF8STRING &&
                        value.find_first_of("\xC3\xC4\xC5") != value.npos;
        emailAttribute |= nid == NID_pkcs9_emailAddress;
        printableValue |=
            nid != NID_countryName && ASN1_STRING_type(data) == V_ASN1_PRINTABLESTRING;
      }
    }
  }
  const std::set<std::pair<int, int>> expectedKeys{{EVP_PKEY_RSA, 2048},
                                                   {EVP_PKEY_RSA, 3072},
                                                   {EVP_PKEY_RSA, 4096},
                                                   {EVP_PKEY_EC, 256},
                                                   {EVP_PKEY_EC, 384}};
  EXPECT_EQ(keys, expectedKeys);
  for (int nid : {NID_sha256WithRSAEncryption, NID_sha384WithRSAEncryption,
                  NID_sha512WithRSAEncryption, NID_ecdsa_with_SHA256, NID_ecdsa_with_SHA384}) {
    EXPECT_EQ(signatures.count(nid), 1u) << OBJ_nid2sn(nid);
  }
  EXPECT_TRUE(commaInOrganisation);
  EXPECT_TRUE(nonAsciiUtf8);
  EXPECT_TRUE(emailAttribute);
  EXPECT_TRUE(printableValue);
}

// The expectations file is generated together with the lists; a regenerated catalogue without
// its file (or the reverse) shows here.
TEST(EmbeddedCertificates, ExpectationsFileDescribesTheEmbeddedCertificates) {
  std::ifstream file(CORVANE_SOURCE_DIR "/tests/fixtures/catalogue_expectations.json");
  ASSERT_TRUE(file.is_open());
  const nlohmann::json expectations = nlohmann::json::parse(file);
  for (const Group& group : kGroups) {
    const nlohmann::json& records = expectations.at("lists").at(group.name);
    const std::vector<X509Ptr> certs = Load(group);
    ASSERT_EQ(records.size(), certs.size()) << group.name;
    for (std::size_t i = 0; i < certs.size(); ++i) {
      unsigned char sha1[EVP_MAX_MD_SIZE];
      unsigned int size = 0;
      ASSERT_EQ(X509_digest(certs[i].get(), EVP_sha1(), sha1, &size), 1);
      EXPECT_EQ(records[i].at("sha1"), Hex(sha1, size)) << group.name << "[" << i << "]";
      EXPECT_EQ(records[i].at("serial"), SerialHex(certs[i].get()));
    }
  }
}

}  // namespace
