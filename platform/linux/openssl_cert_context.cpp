// CertCreateCertificateContext on OpenSSL. The certificate is taken apart element by element and
// every part is decoded with OpenSSL's d2i function for it, so that the context keeps the exact
// encoded bytes of the serial number, the names and the public key information, and owns no
// OpenSSL object. d2i_X509 is not used: OpenSSL 3 decodes the public key inside it through its
// provider decoders, which costs more than everything else the program does with a certificate,
// and the program never needs that key object.
#include <chrono>

#include "platform/cert_context.h"
#include "platform/cert_decoding.h"
#include "platform/error_codes.h"
#include "platform/file_time.h"
#include "platform/last_error.h"
#include "platform/linux/openssl_der_reader.h"
#include "platform/linux/openssl_support.h"

namespace platform {
namespace {

using openssl::DerElement;
using openssl::DerReader;

using Asn1IntegerPtr = std::unique_ptr<ASN1_INTEGER, Deleter<ASN1_INTEGER_free>>;
using Asn1TimePtr = std::unique_ptr<ASN1_TIME, Deleter<ASN1_TIME_free>>;
void FreeExtensions(X509_EXTENSIONS* list) {
  sk_X509_EXTENSION_pop_free(list, X509_EXTENSION_free);
}
using ExtensionsPtr = std::unique_ptr<X509_EXTENSIONS, Deleter<FreeExtensions>>;

bool IsAlgorithmIdentifier(const DerElement& element) {
  return static_cast<bool>(
      openssl::DecodeWhole<openssl::X509AlgorPtr>(d2i_X509_ALGOR, element.whole));
}

// A Time element as FILETIME; none when it does not parse or lies before 1601.
std::optional<std::uint64_t> FileTimeOf(const DerElement& element) {
  const auto time = openssl::DecodeWhole<Asn1TimePtr>(d2i_ASN1_TIME, element.whole);
  std::tm fields{};
  if (!time || ASN1_TIME_to_tm(time.get(), &fields) != 1) {
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
  const std::int64_t sinceFileTimeEpoch = unixSeconds + kFileTimeEpochToUnixSeconds;
  if (sinceFileTimeEpoch < 0) {
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(sinceFileTimeEpoch) * kFileTimeTicksPerSecond;
}

std::optional<std::vector<CertExtension>> ExtensionsOf(const DerElement& element) {
  const auto list = openssl::DecodeWhole<ExtensionsPtr>(d2i_X509_EXTENSIONS, element.whole);
  if (!list) {
    return std::nullopt;
  }
  std::vector<CertExtension> extensions;
  const int count = sk_X509_EXTENSION_num(list.get());
  extensions.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
  for (int index = 0; index < count; ++index) {
    X509_EXTENSION* extension = sk_X509_EXTENSION_value(list.get(), index);
    std::optional<std::string> oid = openssl::OidText(X509_EXTENSION_get_object(extension));
    if (!oid) {
      return std::nullopt;
    }
    extensions.push_back({std::move(*oid), X509_EXTENSION_get_critical(extension) > 0,
                          openssl::StringBytes(X509_EXTENSION_get_data(extension))});
  }
  return extensions;
}

// SubjectPublicKeyInfo: an algorithm identifier and a BIT STRING, nothing more.
bool IsPublicKeyInfo(const DerElement& element) {
  DerReader parts(element.content);
  const auto algorithm = parts.Next(V_ASN1_SEQUENCE, V_ASN1_UNIVERSAL, true);
  const auto key = parts.Next(V_ASN1_BIT_STRING);
  return algorithm && IsAlgorithmIdentifier(*algorithm) && key &&
         openssl::DecodeWhole<openssl::Asn1BitStringPtr>(d2i_ASN1_BIT_STRING, key->whole) &&
         parts.AtEnd();
}

// The fields of a TBSCertificate.
std::optional<CertInfo> ParseToBeSigned(const DerElement& toBeSigned) {
  DerReader fields(toBeSigned.content);
  CertInfo info;

  // version [0] EXPLICIT INTEGER DEFAULT v1
  if (const auto version = fields.Next(0, V_ASN1_CONTEXT_SPECIFIC, true)) {
    DerReader inner(version->content);
    const auto number = inner.Next(V_ASN1_INTEGER);
    if (!number || !inner.AtEnd()) {
      return std::nullopt;
    }
    const auto value = openssl::DecodeWhole<Asn1IntegerPtr>(d2i_ASN1_INTEGER, number->whole);
    const long versionNumber = value ? ASN1_INTEGER_get(value.get()) : -1;
    if (versionNumber < 0 || versionNumber > 2) {
      return std::nullopt;
    }
    info.version = static_cast<std::uint32_t>(versionNumber);
  }

  // serialNumber: the content octets as encoded, least significant first.
  const auto serial = fields.Next(V_ASN1_INTEGER);
  if (!serial || !openssl::DecodeWhole<Asn1IntegerPtr>(d2i_ASN1_INTEGER, serial->whole)) {
    return std::nullopt;
  }
  info.serialNumber.assign(serial->content.rbegin(), serial->content.rend());

  // signature: the algorithm named inside the signed part.
  const auto signature = fields.Next(V_ASN1_SEQUENCE, V_ASN1_UNIVERSAL, true);
  const auto algorithm =
      signature ? openssl::DecodeWhole<openssl::X509AlgorPtr>(d2i_X509_ALGOR, signature->whole)
                : openssl::X509AlgorPtr();
  if (!algorithm) {
    return std::nullopt;
  }
  const ASN1_OBJECT* algorithmOid = nullptr;
  X509_ALGOR_get0(&algorithmOid, nullptr, nullptr, algorithm.get());
  info.signatureAlgOid = openssl::OidText(algorithmOid);

  const auto isName = [](const DerElement& name) { return DecodeName(name.whole).has_value(); };
  const auto issuer = fields.Next(V_ASN1_SEQUENCE, V_ASN1_UNIVERSAL, true);
  if (!issuer || !isName(*issuer)) {
    return std::nullopt;
  }
  info.issuer.assign(issuer->whole.begin(), issuer->whole.end());

  const auto validity = fields.Next(V_ASN1_SEQUENCE, V_ASN1_UNIVERSAL, true);
  if (!validity) {
    return std::nullopt;
  }
  DerReader times(validity->content);
  const auto notBefore = times.Next();
  const auto notAfter = times.Next();
  const auto notBeforeValue = notBefore ? FileTimeOf(*notBefore) : std::nullopt;
  const auto notAfterValue = notAfter ? FileTimeOf(*notAfter) : std::nullopt;
  if (!notBeforeValue || !notAfterValue || !times.AtEnd()) {
    return std::nullopt;
  }
  info.notBefore = *notBeforeValue;
  info.notAfter = *notAfterValue;

  const auto subject = fields.Next(V_ASN1_SEQUENCE, V_ASN1_UNIVERSAL, true);
  if (!subject || !isName(*subject)) {
    return std::nullopt;
  }
  info.subject.assign(subject->whole.begin(), subject->whole.end());

  const auto publicKeyInfo = fields.Next(V_ASN1_SEQUENCE, V_ASN1_UNIVERSAL, true);
  if (!publicKeyInfo || !IsPublicKeyInfo(*publicKeyInfo)) {
    return std::nullopt;
  }
  info.subjectPublicKeyInfo.assign(publicKeyInfo->whole.begin(), publicKeyInfo->whole.end());

  // issuerUniqueID [1] and subjectUniqueID [2] are passed over.
  fields.Next(1, V_ASN1_CONTEXT_SPECIFIC);
  fields.Next(2, V_ASN1_CONTEXT_SPECIFIC);

  // extensions [3] EXPLICIT Extensions
  if (const auto wrapper = fields.Next(3, V_ASN1_CONTEXT_SPECIFIC, true)) {
    DerReader inner(wrapper->content);
    const auto list = inner.Next(V_ASN1_SEQUENCE, V_ASN1_UNIVERSAL, true);
    std::optional<std::vector<CertExtension>> extensions;
    if (list && inner.AtEnd()) {
      extensions = ExtensionsOf(*list);
    }
    if (!extensions) {
      return std::nullopt;
    }
    info.extensions = std::move(*extensions);
  }
  if (!fields.AtEnd()) {
    return std::nullopt;
  }
  return info;
}

// Certificate: SEQUENCE { tbsCertificate, signatureAlgorithm, signatureValue }, and nothing after.
std::optional<CertInfo> ParseCertificate(std::span<const std::uint8_t> der) {
  DerReader outer(der);
  const auto certificate = outer.Next(V_ASN1_SEQUENCE, V_ASN1_UNIVERSAL, true);
  if (!certificate || !outer.AtEnd()) {
    return std::nullopt;
  }
  DerReader parts(certificate->content);
  const auto toBeSigned = parts.Next(V_ASN1_SEQUENCE, V_ASN1_UNIVERSAL, true);
  const auto algorithm = parts.Next(V_ASN1_SEQUENCE, V_ASN1_UNIVERSAL, true);
  const auto signature = parts.Next(V_ASN1_BIT_STRING);
  if (!toBeSigned || !algorithm || !signature || !parts.AtEnd() ||
      !IsAlgorithmIdentifier(*algorithm) ||
      !openssl::DecodeWhole<openssl::Asn1BitStringPtr>(d2i_ASN1_BIT_STRING, signature->whole)) {
    return std::nullopt;
  }
  return ParseToBeSigned(*toBeSigned);
}

}  // namespace

CertContextPtr CertCreateCertificateContext(std::uint32_t encodingType,
                                            std::span<const std::uint8_t> der) {
  if ((encodingType & kX509AsnEncoding) == 0) {
    SetLastError(kEInvalidArg);
    return nullptr;
  }
  openssl::ErrorQueueScope errors;
  std::optional<CertInfo> info = ParseCertificate(der);
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
