#include "tests/support/store_test_pki.h"

#include <gtest/gtest.h>
#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace corvane_test {

struct TestKey {
  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> pkey{nullptr, &EVP_PKEY_free};
};

namespace {

using X509Ptr = std::unique_ptr<X509, decltype(&X509_free)>;
using BioPtr = std::unique_ptr<BIO, decltype(&BIO_free)>;
using BnPtr = std::unique_ptr<BIGNUM, decltype(&BN_free)>;
using ExtensionPtr = std::unique_ptr<X509_EXTENSION, decltype(&X509_EXTENSION_free)>;

std::shared_ptr<TestKey> NewKey() {
  auto key = std::make_shared<TestKey>();
  key->pkey.reset(EVP_EC_gen("P-256"));
  return key->pkey ? key : nullptr;
}

bool AddExtension(X509* cert, X509V3_CTX* context, int nid, const std::string& value) {
  ExtensionPtr extension(X509V3_EXT_conf_nid(nullptr, context, nid, value.c_str()),
                         &X509_EXTENSION_free);
  return extension && X509_add_ext(cert, extension.get(), -1) == 1;
}

std::string BioText(BIO* bio) {
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio, &data);
  return size > 0 ? std::string(data, static_cast<std::size_t>(size)) : std::string();
}

bool SetRandomSerial(X509* cert) {
  unsigned char bytes[16];
  if (RAND_bytes(bytes, sizeof bytes) != 1) {
    return false;
  }
  bytes[0] &= 0x7F;  // positive
  bytes[0] |= 0x40;  // no leading zero byte
  BnPtr number(BN_bin2bn(bytes, sizeof bytes, nullptr), &BN_free);
  return number && BN_to_ASN1_INTEGER(number.get(), X509_get_serialNumber(cert)) != nullptr;
}

X509Ptr Build(const TestCertificateSpec& wanted, EVP_PKEY* key, X509* issuerCert,
              EVP_PKEY* issuerKey) {
  X509Ptr cert(X509_new(), &X509_free);
  if (!cert || X509_set_version(cert.get(), 2) != 1 || !SetRandomSerial(cert.get())) {
    return X509Ptr(nullptr, &X509_free);
  }
  X509_NAME* name = X509_get_subject_name(cert.get());
  const auto* commonName = reinterpret_cast<const unsigned char*>(wanted.commonName.c_str());
  const auto* organization = reinterpret_cast<const unsigned char*>(wanted.organization.c_str());
  if (X509_NAME_add_entry_by_txt(name, "O", MBSTRING_UTF8, organization, -1, -1, 0) != 1 ||
      X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8, commonName, -1, -1, 0) != 1) {
    return X509Ptr(nullptr, &X509_free);
  }
  X509* issuer = issuerCert != nullptr ? issuerCert : cert.get();
  X509_set_issuer_name(cert.get(), X509_get_subject_name(issuer));
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 60L * 60 * 24 * wanted.validDays);
  X509_set_pubkey(cert.get(), key);

  X509V3_CTX context;
  X509V3_set_ctx(&context, issuer, cert.get(), nullptr, nullptr, 0);
  std::string altNames;
  for (const std::string& ip : wanted.ipAddresses) {
    altNames += (altNames.empty() ? "IP:" : ",IP:") + ip;
  }
  for (const std::string& dns : wanted.dnsNames) {
    altNames += (altNames.empty() ? "DNS:" : ",DNS:") + dns;
  }
  bool ok =
      AddExtension(cert.get(), &context, NID_basic_constraints,
                   wanted.isCa ? "critical,CA:TRUE" : "critical,CA:FALSE") &&
      AddExtension(cert.get(), &context, NID_key_usage,
                   wanted.isCa ? "critical,keyCertSign,cRLSign" : "critical,digitalSignature") &&
      AddExtension(cert.get(), &context, NID_subject_key_identifier, "hash") &&
      (issuerCert == nullptr ||
       AddExtension(cert.get(), &context, NID_authority_key_identifier, "keyid:always"));
  if (ok && !wanted.isCa) {
    ok = AddExtension(cert.get(), &context, NID_ext_key_usage, "serverAuth");
  }
  if (ok && !altNames.empty()) {
    ok = AddExtension(cert.get(), &context, NID_subject_alt_name, altNames);
  }
  if (!ok || X509_sign(cert.get(), issuerKey, EVP_sha256()) == 0) {
    return X509Ptr(nullptr, &X509_free);
  }
  return cert;
}

}  // namespace

TestCertificate MakeTestCertificate(const TestCertificateSpec& wanted) {
  TestCertificate result;
  result.key = wanted.key ? wanted.key : NewKey();
  if (!result.key) {
    ADD_FAILURE() << "cannot make a key";
    return {};
  }
  X509Ptr issuerCert(nullptr, &X509_free);
  EVP_PKEY* issuerKey = result.key->pkey.get();
  if (wanted.issuer != nullptr) {
    const unsigned char* data = wanted.issuer->der.data();
    issuerCert.reset(d2i_X509(nullptr, &data, static_cast<long>(wanted.issuer->der.size())));
    issuerKey = wanted.issuer->key ? wanted.issuer->key->pkey.get() : nullptr;
    if (!issuerCert || issuerKey == nullptr) {
      ADD_FAILURE() << "unusable issuer for " << wanted.commonName;
      return {};
    }
  }
  X509Ptr cert = Build(wanted, result.key->pkey.get(), issuerCert.get(), issuerKey);
  if (!cert) {
    ADD_FAILURE() << "cannot make the certificate " << wanted.commonName;
    return {};
  }
  unsigned char* der = nullptr;
  const int length = i2d_X509(cert.get(), &der);
  if (length > 0) {
    result.der.assign(der, der + length);
  }
  OPENSSL_free(der);

  BioPtr certBio(BIO_new(BIO_s_mem()), &BIO_free);
  BioPtr keyBio(BIO_new(BIO_s_mem()), &BIO_free);
  if (certBio && keyBio && PEM_write_bio_X509(certBio.get(), cert.get()) == 1 &&
      PEM_write_bio_PrivateKey(keyBio.get(), result.key->pkey.get(), nullptr, nullptr, 0, nullptr,
                               nullptr) == 1) {
    result.certPem = BioText(certBio.get());
    result.keyPem = BioText(keyBio.get());
  }
  return result;
}

}  // namespace corvane_test
