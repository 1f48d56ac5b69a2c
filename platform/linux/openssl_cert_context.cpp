// CertCreateCertificateContext on OpenSSL: the DER is parsed with d2i_X509 and the fields the
// program reads are copied out, so that the context owns no OpenSSL object.
#include <chrono>
#include <climits>

#include "platform/cert_context.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/linux/openssl_support.h"

namespace platform {
namespace {

using openssl::OpenSslBufferPtr;
using openssl::X509Ptr;

// Seconds from 1601-01-01 (the FILETIME epoch) to 1970-01-01.
constexpr std::int64_t kFileTimeEpochOffsetSeconds = 11644473600;
constexpr std::int64_t kFileTimeTicksPerSecond = 10000000;

// An ASN.1 time as FILETIME; none when it does not parse or lies before 1601.
std::optional<std::uint64_t> FileTimeOf(const ASN1_TIME* time) {
  std::tm fields{};
  if (time == nullptr || ASN1_TIME_to_tm(time, &fields) != 1) {
    return std::nullopt;
  }
  using namespace std::chrono;
  const year_month_day date{year{fields.tm_year + 1900},
                            month{static_cast<unsigned>(fields.tm_mon + 1)},
                            day{static_cast<unsigned>(fields.tm_mday)}};
  if (!date.ok()) {
    return std::nullopt;
  }
  const std::int64_t unixSeconds =
      static_cast<std::int64_t>(sys_days{date}.time_since_epoch().count()) * 86400 +
      fields.tm_hour * 3600 + fields.tm_min * 60 + fields.tm_sec;
  const std::int64_t sinceFileTimeEpoch = unixSeconds + kFileTimeEpochOffsetSeconds;
  if (sinceFileTimeEpoch < 0) {
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(sinceFileTimeEpoch) * kFileTimeTicksPerSecond;
}

// The serial number's DER INTEGER content octets, least significant first.
std::optional<Bytes> SerialBytes(const ASN1_INTEGER* serial) {
  unsigned char* encoded = nullptr;
  const int encodedLength = i2d_ASN1_INTEGER(serial, &encoded);
  const OpenSslBufferPtr owner(encoded);
  if (encodedLength <= 0) {
    return std::nullopt;
  }
  const unsigned char* content = encoded;
  long contentLength = 0;
  int tag = 0;
  int tagClass = 0;
  if ((ASN1_get_object(&content, &contentLength, &tag, &tagClass, encodedLength) & 0x80) != 0 ||
      tag != V_ASN1_INTEGER) {
    return std::nullopt;
  }
  return Bytes(std::make_reverse_iterator(content + contentLength),
               std::make_reverse_iterator(content));
}

std::optional<Bytes> NameBytes(const X509_NAME* name) {
  const unsigned char* der = nullptr;
  std::size_t length = 0;
  if (name == nullptr || X509_NAME_get0_der(const_cast<X509_NAME*>(name), &der, &length) != 1) {
    return std::nullopt;
  }
  return Bytes(der, der + length);
}

std::optional<Bytes> PublicKeyInfoBytes(const X509* certificate) {
  unsigned char* encoded = nullptr;
  const int length = i2d_X509_PUBKEY(X509_get_X509_PUBKEY(certificate), &encoded);
  const OpenSslBufferPtr owner(encoded);
  if (length <= 0) {
    return std::nullopt;
  }
  return Bytes(encoded, encoded + length);
}

std::optional<std::vector<CertExtension>> Extensions(const X509* certificate) {
  std::vector<CertExtension> extensions;
  const int count = X509_get_ext_count(certificate);
  extensions.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
  for (int index = 0; index < count; ++index) {
    X509_EXTENSION* extension = X509_get_ext(certificate, index);
    std::optional<std::string> oid = openssl::OidText(X509_EXTENSION_get_object(extension));
    if (!oid) {
      return std::nullopt;
    }
    extensions.push_back({std::move(*oid), X509_EXTENSION_get_critical(extension) > 0,
                          openssl::StringBytes(X509_EXTENSION_get_data(extension))});
  }
  return extensions;
}

std::optional<CertInfo> InfoOf(const X509* certificate) {
  CertInfo info;
  info.version = static_cast<std::uint32_t>(X509_get_version(certificate));
  auto serial = SerialBytes(X509_get0_serialNumber(certificate));
  auto issuer = NameBytes(X509_get_issuer_name(certificate));
  auto subject = NameBytes(X509_get_subject_name(certificate));
  auto notBefore = FileTimeOf(X509_get0_notBefore(certificate));
  auto notAfter = FileTimeOf(X509_get0_notAfter(certificate));
  auto publicKeyInfo = PublicKeyInfoBytes(certificate);
  auto extensions = Extensions(certificate);
  if (!serial || !issuer || !subject || !notBefore || !notAfter || !publicKeyInfo || !extensions) {
    return std::nullopt;
  }
  // The algorithm named inside the signed part of the certificate.
  const ASN1_OBJECT* algorithm = nullptr;
  X509_ALGOR_get0(&algorithm, nullptr, nullptr, X509_get0_tbs_sigalg(certificate));
  info.signatureAlgOid = openssl::OidText(algorithm);
  info.serialNumber = std::move(*serial);
  info.issuer = std::move(*issuer);
  info.subject = std::move(*subject);
  info.notBefore = *notBefore;
  info.notAfter = *notAfter;
  info.subjectPublicKeyInfo = std::move(*publicKeyInfo);
  info.extensions = std::move(*extensions);
  return info;
}

}  // namespace

CertContextPtr CertCreateCertificateContext(std::uint32_t encodingType,
                                            std::span<const std::uint8_t> der) {
  if ((encodingType & kX509AsnEncoding) == 0) {
    SetLastError(kEInvalidArg);
    return nullptr;
  }
  openssl::ErrorQueueScope errors;
  const auto certificate = openssl::DecodeWhole<X509Ptr>(d2i_X509, der);
  std::optional<CertInfo> info;
  if (certificate) {
    info = InfoOf(certificate.get());
  }
  if (!info) {
    SetLastError(kCryptEAsn1BadTag);
    return nullptr;
  }
  auto context = std::make_unique<CertContext>();
  context->encodingType = encodingType;
  context->encoded.assign(der.begin(), der.end());
  context->info = std::move(*info);
  return context;
}

}  // namespace platform
