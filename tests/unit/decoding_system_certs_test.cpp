// Certificates nobody here wrote: every CA certificate the system carries decodes, and its serial
// number, thumbprint, validity and key length agree with what OpenSSL itself computes for it.
#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "crypto/base64.h"
#include "crypto/conversions.h"
#include "crypto/cryptoapi.h"

namespace {

namespace fs = std::filesystem;

const fs::path kSystemCertificates = "/usr/share/ca-certificates/mozilla";

struct X509Deleter {
  void operator()(X509* cert) const { X509_free(cert); }
};

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::unique_ptr<X509, X509Deleter> ParseWithOpenSsl(const std::string& pem) {
  BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
  std::unique_ptr<X509, X509Deleter> cert(PEM_read_bio_X509(bio, nullptr, nullptr, nullptr));
  BIO_free(bio);
  return cert;
}

// The serial as the DER integer's content octets in hexadecimal: the magnitude, with a 00 octet
// in front when its top bit is set.
std::string ExpectedSerial(const X509* cert) {
  BIGNUM* number = ASN1_INTEGER_to_BN(X509_get0_serialNumber(cert), nullptr);
  char* hex = BN_bn2hex(number);
  std::string text = hex;
  OPENSSL_free(hex);
  BN_free(number);
  if (text.size() % 2 != 0) {
    text.insert(0, "0");
  }
  if (text[0] >= '8') {
    text.insert(0, "00");
  }
  return text;
}

std::string ExpectedThumbprint(const X509* cert) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  X509_digest(cert, EVP_sha1(), digest, &length);
  std::string text;
  for (unsigned int index = 0; index < length; ++index) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", digest[index]);
    if (index != 0 && index % 2 == 0) {
      text += ' ';
    }
    text += digits;
  }
  return text;
}

// FILETIME of an ASN.1 time, measured by OpenSSL as a difference from the Unix epoch.
std::uint64_t ExpectedFileTime(const ASN1_TIME* time) {
  ASN1_TIME* epoch = ASN1_TIME_set(nullptr, 0);
  int days = 0;
  int seconds = 0;
  EXPECT_EQ(ASN1_TIME_diff(&days, &seconds, epoch, time), 1);
  ASN1_TIME_free(epoch);
  const std::int64_t unixSeconds = static_cast<std::int64_t>(days) * 86400 + seconds;
  return static_cast<std::uint64_t>(unixSeconds + 11644473600LL) * 10000000u;
}

std::uint32_t ExpectedKeyBits(const X509* cert) {
  EVP_PKEY* key = X509_get0_pubkey(cert);
  const int type = key != nullptr ? EVP_PKEY_get_base_id(key) : 0;
  if (type != EVP_PKEY_RSA && type != EVP_PKEY_EC) {
    return 0;
  }
  return static_cast<std::uint32_t>(EVP_PKEY_get_bits(key));
}

}  // namespace

TEST(SystemCertificates, DecodeAndAgreeWithOpenSsl) {
  if (!fs::is_directory(kSystemCertificates)) {
    GTEST_SKIP() << kSystemCertificates << " is not installed";
  }
  std::size_t checked = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(kSystemCertificates)) {
    if (entry.path().extension() != ".crt") {
      continue;
    }
    SCOPED_TRACE(entry.path().filename().string());
    const std::string pem = ReadFile(entry.path());
    const auto reference = ParseWithOpenSsl(pem);
    ASSERT_TRUE(reference);

    platform::Bytes der;
    ASSERT_TRUE(DecodeBase64Bytes(ToNarrow(ExtractPemBlock(ToWide(pem))), der));
    const auto context = platform::CertCreateCertificateContext(platform::kCertEncoding, der);
    ASSERT_TRUE(context);
    TCertDetails record;
    ASSERT_EQ(TCryptoapi::DecodeCertificate(*context, record), 1);

    EXPECT_EQ(ToNarrow(record.serialNumber), ExpectedSerial(reference.get()));
    EXPECT_EQ(ToNarrow(record.thumbprint), ExpectedThumbprint(reference.get()));
    EXPECT_EQ(record.notBefore.Value(), ExpectedFileTime(X509_get0_notBefore(reference.get())));
    EXPECT_EQ(record.notAfter.Value(), ExpectedFileTime(X509_get0_notAfter(reference.get())));
    EXPECT_EQ(record.publicKeyBits, ExpectedKeyBits(reference.get()));
    EXPECT_EQ(record.version, static_cast<std::uint32_t>(X509_get_version(reference.get())));
    EXPECT_FALSE(record.subjectName.empty());
    EXPECT_FALSE(record.subjectDN.empty());
    EXPECT_FALSE(record.subjectAttrs.empty());
    ++checked;
  }
  EXPECT_GT(checked, 100u);
}
