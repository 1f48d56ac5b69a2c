// TCryptoapi::DecodeCertificate: fills a TCertDetails record from a certificate context, field by
// field. Only the Base64 step stops the decoding; a field that cannot be read stays as it was.
#include <limits>

#include "crypto/base64.h"
#include "crypto/conversions.h"
#include "crypto/cryptoapi.h"
#include "crypto/extension_readers.h"

namespace {

// base64Text: the DER in Base64, 72-character lines each ended by LF. False when encoding fails
// or gives nothing.
bool ReadBase64Text(const platform::Bytes& encoded, std::u16string& base64Text) {
  if (encoded.size() > std::numeric_limits<std::uint32_t>::max()) {
    return false;
  }
  constexpr std::uint32_t kFlags = B64_ENCODE | B64_LF_ONLY;
  const auto inputLength = static_cast<std::uint32_t>(encoded.size());
  std::uint32_t size = 0;
  Base64Convert(kFlags, encoded.data(), inputLength, nullptr, &size);
  if (size == 0) {
    return false;
  }
  std::string buffer(static_cast<std::size_t>(size) + 1, '\0');
  std::uint32_t length = size + 1;
  if (Base64Convert(kFlags, encoded.data(), inputLength, buffer.data(), &length) == nullptr ||
      length == 0) {
    return false;
  }
  base64Text = ToWide(buffer.data(), length);
  return true;
}

}  // namespace

int TCryptoapi::DecodeCertificate(const platform::CertContext& context, TCertDetails& record) {
  if ((context.encodingType & platform::kX509AsnEncoding) == 0) {
    return 0;
  }
  const platform::CertInfo& info = context.info;

  record.subjectName = platform::CertGetSimpleDisplayName(context, false);
  if (auto text = platform::CertNameToStr(platform::kCertEncoding, info.subject)) {
    record.subjectDN = std::move(*text);
  }
  record.issuerName = platform::CertGetSimpleDisplayName(context, true);
  if (auto text = platform::CertNameToStr(platform::kCertEncoding, info.issuer)) {
    record.issuerDN = std::move(*text);
  }
  record.subjectEncoded = info.subject;
  ReadAuthorityKeyId(info, record.authorityKeyId);
  ReadSubjectKeyId(info, record.subjectKeyId);
  if (info.signatureAlgOid) {
    record.signatureAlgOid = ToWide(*info.signatureAlgOid);
    record.hashAlgOid = AlgIdToOid(OidToAlgId(record.signatureAlgOid), CRYPT_HASH_ALG_OID_GROUP_ID);
  }
  record.certEncoded = context.encoded;
  if (!ReadBase64Text(record.certEncoded, record.base64Text)) {
    return 0;
  }
  record.pemText = WrapPemCertificate(record.base64Text);
  if (const auto name = platform::DecodeName(info.subject)) {
    ReadNameAttrs(*name, record.subjectAttrs);
  }
  if (const auto name = platform::DecodeName(info.issuer)) {
    ReadNameAttrs(*name, record.issuerAttrs);
  }
  ReadAltNames(info, record.altNames);
  record.serialNumber = ToUpperText(SerialToHex(info.serialNumber));
  ReadKeyUsage(info, record.keyUsage);
  ReadExtKeyUsages(context, record.extKeyUsages);
  ReadEkuProperty(context, record.ekuPropMissing, record.ekuPropOids);
  ReadPrivateExtension(context, record.privateExtText);
  ReadQcStatements(info, record.hasQcStatements);
  record.version = info.version;
  record.notBefore = FileTime::FromValue(info.notBefore);
  record.notAfter = FileTime::FromValue(info.notAfter);
  if (const auto hash = platform::CertGetSha1Hash(context); hash && !hash->empty()) {
    record.thumbprint = ToUpperText(BytesToHex(*hash));
  }
  record.hasKeyProvInfo = static_cast<std::uint32_t>(ReadKeyProvInfo(context, record));
  record.publicKeyBits =
      platform::CertGetPublicKeyLength(platform::kCertEncoding, info.subjectPublicKeyInfo);
  return 1;
}

void TCryptoapi::ReadNameAttrs(const platform::NameInfo& name, std::vector<TRDNAttr>& attrs) {
  for (const auto& rdn : name.rdns) {
    for (const platform::NameAttribute& attribute : rdn) {
      if (attribute.oid.empty()) {
        continue;
      }
      const auto text = platform::CertRdnValueToStr(attribute.valueType, attribute.value);
      if (!text) {
        continue;
      }
      // The value ends at its first NUL, as a text read from a fixed buffer does.
      attrs.emplace_back(ToWide(attribute.oid), text->substr(0, text->find(u'\0')),
                         attribute.valueType);
    }
  }
}

int TCryptoapi::ReadKeyProvInfo(const platform::CertContext& context, TCertDetails& record) {
  const auto keyProv = platform::CertGetKeyProvInfo(context);
  if (!keyProv || keyProv->provType == 0 || keyProv->keySpec == 0 || keyProv->provName.empty() ||
      keyProv->containerName.empty()) {
    return 0;
  }
  record.keyProvName = keyProv->provName;
  record.keyProvType = keyProv->provType;
  record.keyContainerName = keyProv->containerName;
  record.keySpec = keyProv->keySpec;
  return 1;
}
