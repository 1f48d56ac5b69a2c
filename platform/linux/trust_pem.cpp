#include "platform/linux/trust_pem.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <climits>
#include <cstring>
#include <memory>

#include "platform/linux/c_deleter.h"
#include "platform/linux/openssl_support.h"

namespace platform::linux_trust {
namespace {

using BioPtr = std::unique_ptr<BIO, Deleter<BIO_free>>;

constexpr std::size_t kMaxNameCharacters = 48;
constexpr std::size_t kDigestHexDigits = 16;

std::string BioText(BIO* bio) {
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio, &data);
  return size > 0 ? std::string(data, static_cast<std::size_t>(size)) : std::string();
}

// The subject's common name (or, without one, its organization) as UTF-8; empty when it has
// neither or the bytes are no certificate.
std::string SubjectName(const Bytes& der) {
  openssl::ErrorQueueScope errors;
  const openssl::X509Ptr certificate = openssl::DecodeWhole<openssl::X509Ptr>(d2i_X509, der);
  if (!certificate) {
    return {};
  }
  const X509_NAME* subject = X509_get_subject_name(certificate.get());
  for (const int nid : {NID_commonName, NID_organizationName}) {
    const int index = X509_NAME_get_index_by_NID(subject, nid, -1);
    if (index < 0) {
      continue;
    }
    unsigned char* utf8 = nullptr;
    const int length =
        ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(X509_NAME_get_entry(subject, index)));
    const openssl::OpenSslBufferPtr owned(utf8);
    if (length > 0) {
      return std::string(reinterpret_cast<const char*>(utf8), static_cast<std::size_t>(length));
    }
  }
  return {};
}

}  // namespace

std::string PemText(const Bytes& der) {
  BioPtr bio(BIO_new(BIO_s_mem()));
  if (!bio || der.size() > static_cast<std::size_t>(LONG_MAX) ||
      PEM_write_bio(bio.get(), "CERTIFICATE", "", der.data(), static_cast<long>(der.size())) <= 0) {
    return {};
  }
  return BioText(bio.get());
}

std::vector<Bytes> CertificatesOfPem(const std::string& text) {
  openssl::ErrorQueueScope errors;
  std::vector<Bytes> certificates;
  if (text.size() > static_cast<std::size_t>(INT_MAX)) {
    return certificates;
  }
  BioPtr bio(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())));
  if (!bio) {
    return certificates;
  }
  for (;;) {
    char* name = nullptr;
    char* header = nullptr;
    unsigned char* data = nullptr;
    long length = 0;
    if (PEM_read_bio(bio.get(), &name, &header, &data, &length) != 1) {
      break;  // the end of the text, or a block that does not decode: nothing more to read
    }
    const openssl::OpenSslBufferPtr ownedName(reinterpret_cast<unsigned char*>(name));
    const openssl::OpenSslBufferPtr ownedHeader(reinterpret_cast<unsigned char*>(header));
    const openssl::OpenSslBufferPtr ownedData(data);
    if (std::strcmp(name, "CERTIFICATE") == 0 && length > 0) {
      certificates.emplace_back(data, data + length);
    }
  }
  return certificates;
}

std::string Base64Text(const Bytes& der) {
  std::string text(4 * ((der.size() + 2) / 3) + 1, '\0');
  if (der.size() > static_cast<std::size_t>(INT_MAX / 2)) {
    return {};
  }
  const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), der.data(),
                                     static_cast<int>(der.size()));
  text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  return text;
}

std::string CertificateFileName(const Bytes& der, const std::string& extension) {
  std::string name;
  for (const char c : SubjectName(der)) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '-';
    if (plain && (!name.empty() || (c != '.' && c != '-'))) {
      name += c;
    } else if (!plain && !name.empty() && name.back() != '_') {
      name += '_';
    }
  }
  while (!name.empty() && (name.back() == '_' || name.back() == '.')) {
    name.pop_back();
  }
  name = name.substr(0, kMaxNameCharacters);
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digestLength = 0;
  std::string hex;
  if (EVP_Digest(der.data(), der.size(), digest, &digestLength, EVP_sha256(), nullptr) == 1) {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (unsigned int index = 0; index < digestLength && hex.size() < kDigestHexDigits; ++index) {
      hex += kDigits[digest[index] >> 4];
      hex += kDigits[digest[index] & 0x0F];
    }
  }
  return (name.empty() ? std::string("certificate") : name) + "_" + hex + extension;
}

}  // namespace platform::linux_trust
