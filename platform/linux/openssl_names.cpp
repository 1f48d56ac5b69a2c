// Names on OpenSSL: decoding a Name into its attributes, the text of one attribute value, the
// X.500 text of a name and the simple display name of a certificate's subject or issuer.
#include <algorithm>
#include <array>
#include <string_view>

#include "platform/cert_decoding.h"
#include "platform/linux/openssl_der_reader.h"
#include "platform/linux/openssl_support.h"

namespace platform {
namespace {

using Asn1ObjectPtr = std::unique_ptr<ASN1_OBJECT, Deleter<ASN1_OBJECT_free>>;

constexpr std::string_view kOidCommonName = "2.5.4.3";
constexpr std::string_view kOidOrganizationalUnit = "2.5.4.11";
constexpr std::string_view kOidOrganization = "2.5.4.10";
constexpr std::string_view kOidEmailAddress = "1.2.840.113549.1.9.1";
constexpr std::string_view kOidSubjectAltName = "2.5.29.17";
constexpr std::string_view kOidIssuerAltName = "2.5.29.18";
// The alternative-name extensions of the first X.509 v3 drafts, read when the current one is
// absent.
constexpr std::string_view kOidSubjectAltNameOld = "2.5.29.7";
constexpr std::string_view kOidIssuerAltNameOld = "2.5.29.8";

struct X500Key {
  std::string_view oid;
  std::u16string_view key;
};

constexpr std::array<X500Key, 18> kX500Keys{{
    {kOidCommonName, u"CN"},
    {kOidOrganization, u"O"},
    {kOidOrganizationalUnit, u"OU"},
    {"2.5.4.7", u"L"},
    {"2.5.4.6", u"C"},
    {"2.5.4.8", u"S"},
    {"2.5.4.9", u"STREET"},
    {kOidEmailAddress, u"E"},
    {"2.5.4.5", u"SERIALNUMBER"},
    {"2.5.4.12", u"T"},
    {"2.5.4.42", u"G"},
    {"2.5.4.4", u"SN"},
    {"2.5.4.43", u"I"},
    {"0.9.2342.19200300.100.1.25", u"DC"},
    {"2.5.4.17", u"PostalCode"},
    {"2.5.4.13", u"Description"},
    {"2.5.4.20", u"Phone"},
    {"2.5.4.46", u"dnQualifier"},
}};

std::u16string AsciiToWide(std::string_view text) {
  return std::u16string(text.begin(), text.end());
}

std::u16string X500KeyFor(const std::string& oid) {
  for (const X500Key& entry : kX500Keys) {
    if (entry.oid == oid) {
      return std::u16string(entry.key);
    }
  }
  return u"OID." + AsciiToWide(oid);
}

bool IsWhiteSpace(char16_t unit) {
  return unit == u' ' || unit == u'\t' || unit == u'\n' || unit == u'\r' || unit == u'\v' ||
         unit == u'\f';
}

bool NeedsQuotes(std::u16string_view value) {
  if (value.empty()) {
    return false;
  }
  if (IsWhiteSpace(value.front()) || IsWhiteSpace(value.back())) {
    return true;
  }
  return value.find_first_of(u",+=\"<>#;\n") != std::u16string_view::npos;
}

void AppendX500Value(std::u16string& out, std::u16string_view value) {
  if (!NeedsQuotes(value)) {
    out += value;
    return;
  }
  out += u'"';
  for (char16_t unit : value) {
    if (unit == u'"') {
      out += u'"';
    }
    out += unit;
  }
  out += u'"';
}

// AttributeTypeAndValue: SEQUENCE { type OBJECT IDENTIFIER, value ANY }.
std::optional<NameAttribute> AttributeOf(const openssl::DerElement& element) {
  openssl::DerReader parts(element.content);
  const auto type = parts.Next(V_ASN1_OBJECT);
  const auto value = parts.Next();
  if (!type || !value || !parts.AtEnd()) {
    return std::nullopt;
  }
  const auto object = openssl::DecodeWhole<Asn1ObjectPtr>(d2i_ASN1_OBJECT, type->whole);
  std::optional<std::string> oid = object ? openssl::OidText(object.get()) : std::nullopt;
  std::optional<NameValue> decoded = DecodeNameValue(value->whole);
  if (!oid || !decoded) {
    return std::nullopt;
  }
  return NameAttribute{std::move(*oid), decoded->valueType, std::move(decoded->value)};
}

std::optional<std::u16string> Latin1Text(std::span<const std::uint8_t> value) {
  return std::u16string(value.begin(), value.end());
}

std::optional<std::u16string> Utf16LeText(std::span<const std::uint8_t> value) {
  if (value.size() % 2 != 0) {
    return std::nullopt;
  }
  std::u16string text;
  text.reserve(value.size() / 2);
  for (std::size_t offset = 0; offset < value.size(); offset += 2) {
    text += static_cast<char16_t>(value[offset] | (value[offset + 1] << 8));
  }
  return text;
}

std::optional<std::u16string> Utf32LeText(std::span<const std::uint8_t> value) {
  if (value.size() % 4 != 0) {
    return std::nullopt;
  }
  std::u16string text;
  text.reserve(value.size() / 4);
  for (std::size_t offset = 0; offset < value.size(); offset += 4) {
    const std::uint32_t codePoint = static_cast<std::uint32_t>(value[offset]) |
                                    (static_cast<std::uint32_t>(value[offset + 1]) << 8) |
                                    (static_cast<std::uint32_t>(value[offset + 2]) << 16) |
                                    (static_cast<std::uint32_t>(value[offset + 3]) << 24);
    if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
      return std::nullopt;
    }
    if (codePoint >= 0x10000) {
      const std::uint32_t rest = codePoint - 0x10000;
      text += static_cast<char16_t>(0xD800 + (rest >> 10));
      text += static_cast<char16_t>(0xDC00 + (rest & 0x3FF));
    } else {
      text += static_cast<char16_t>(codePoint);
    }
  }
  return text;
}

// Values without a text form show as "#" and the upper-case hexadecimal of their bytes.
std::optional<std::u16string> HexText(std::span<const std::uint8_t> value) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string text(1, u'#');
  text.reserve(1 + value.size() * 2);
  for (std::uint8_t byte : value) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

bool IsHexRendered(std::uint32_t valueType) {
  return valueType == kCertRdnEncodedBlob || valueType == kCertRdnOctetString;
}

// The whole text of an attribute value; none when the value type has no text form.
std::optional<std::u16string> ValueText(std::uint32_t valueType,
                                        std::span<const std::uint8_t> value) {
  switch (valueType) {
    case kCertRdnNumericString:
    case kCertRdnPrintableString:
    case kCertRdnTeletexString:  // T.61 is shown as Latin-1, as most writers meant it
    case kCertRdnVideotexString:
    case kCertRdnIa5String:
    case kCertRdnGraphicString:
    case kCertRdnVisibleString:
    case kCertRdnGeneralString:
      return Latin1Text(value);
    case kCertRdnBmpString:
    case kCertRdnUtf8String:
      return Utf16LeText(value);
    case kCertRdnUniversalString:
      return Utf32LeText(value);
    case kCertRdnEncodedBlob:
    case kCertRdnOctetString:
      return HexText(value);
    default:
      return std::nullopt;
  }
}

// The name texts (X.500 text, simple display name) are zero-terminated on the platform: a value
// that holds a NUL ends there.
void EndAtFirstNul(std::u16string& text) {
  text.resize(std::min(text.size(), text.find(u'\0')));
}

// A value as the name texts show it: whole (no length limit), up to its first NUL.
std::optional<std::u16string> NameValueText(std::uint32_t valueType,
                                            std::span<const std::uint8_t> value) {
  std::optional<std::u16string> text = ValueText(valueType, value);
  if (text) {
    EndAtFirstNul(*text);
  }
  return text;
}

std::optional<std::u16string> FirstValueOf(const NameInfo& name, std::string_view oid) {
  for (const auto& rdn : name.rdns) {
    for (const NameAttribute& attribute : rdn) {
      if (attribute.oid != oid) {
        continue;
      }
      if (auto text = NameValueText(attribute.valueType, attribute.value)) {
        return text;
      }
    }
  }
  return std::nullopt;
}

// The first e-mail address among the alternative names of the current extension, or of the old
// one when the certificate has no current one.
std::optional<std::u16string> FirstEmailAltName(const CertInfo& info, bool issuer) {
  const CertExtension* extension =
      CertFindExtension(issuer ? kOidIssuerAltName : kOidSubjectAltName, info);
  if (extension == nullptr) {
    extension = CertFindExtension(issuer ? kOidIssuerAltNameOld : kOidSubjectAltNameOld, info);
  }
  if (extension == nullptr) {
    return std::nullopt;
  }
  const auto entries = DecodeAltNames(extension->value);
  if (!entries) {
    return std::nullopt;
  }
  for (const AltNameEntry& entry : *entries) {
    if (entry.kind == kAltNameRfc822Name) {
      return entry.text;
    }
  }
  return std::nullopt;
}

}  // namespace

// Name: SEQUENCE OF RelativeDistinguishedName, each a non-empty SET OF AttributeTypeAndValue.
// The name is walked element by element rather than through d2i_X509_NAME, which also builds a
// canonical form of every name and costs several times as much.
std::optional<NameInfo> DecodeName(std::span<const std::uint8_t> nameBlob) {
  openssl::ErrorQueueScope errors;
  openssl::DerReader outer(nameBlob);
  const auto name = outer.Next(V_ASN1_SEQUENCE, V_ASN1_UNIVERSAL, true);
  if (!name || !outer.AtEnd()) {
    return std::nullopt;
  }
  NameInfo info;
  openssl::DerReader rdns(name->content);
  while (!rdns.AtEnd()) {
    const auto set = rdns.Next(V_ASN1_SET, V_ASN1_UNIVERSAL, true);
    if (!set || set->content.empty()) {
      return std::nullopt;
    }
    std::vector<NameAttribute>& rdn = info.rdns.emplace_back();
    openssl::DerReader attributes(set->content);
    while (!attributes.AtEnd()) {
      const auto element = attributes.Next(V_ASN1_SEQUENCE, V_ASN1_UNIVERSAL, true);
      std::optional<NameAttribute> attribute = element ? AttributeOf(*element) : std::nullopt;
      if (!attribute) {
        return std::nullopt;
      }
      rdn.push_back(std::move(*attribute));
    }
  }
  return info;
}

std::optional<std::u16string> CertRdnValueToStr(std::uint32_t valueType,
                                                std::span<const std::uint8_t> value) {
  std::optional<std::u16string> text = ValueText(valueType, value);
  if (text && text->size() > kMaxRdnValueChars) {
    std::size_t keep = kMaxRdnValueChars;
    // Never end on the first half of a surrogate pair.
    if ((*text)[keep - 1] >= 0xD800 && (*text)[keep - 1] <= 0xDBFF) {
      --keep;
    }
    text->resize(keep);
  }
  return text;
}

std::optional<std::u16string> CertNameToStr(std::uint32_t encodingType,
                                            std::span<const std::uint8_t> nameBlob) {
  if ((encodingType & kX509AsnEncoding) == 0) {
    return std::nullopt;
  }
  const std::optional<NameInfo> name = DecodeName(nameBlob);
  if (!name) {
    return std::nullopt;
  }
  std::u16string text;
  for (std::size_t rdn = 0; rdn < name->rdns.size(); ++rdn) {
    if (rdn != 0) {
      text += u", ";
    }
    const auto& attributes = name->rdns[rdn];
    for (std::size_t index = 0; index < attributes.size(); ++index) {
      const NameAttribute& attribute = attributes[index];
      if (index != 0) {
        text += u" + ";
      }
      text += X500KeyFor(attribute.oid);
      text += u'=';
      // A value without a text form is written as nothing after the equals sign.
      const std::optional<std::u16string> value =
          NameValueText(attribute.valueType, attribute.value);
      if (!value) {
        continue;
      }
      if (IsHexRendered(attribute.valueType)) {
        text += *value;
      } else {
        AppendX500Value(text, *value);
      }
    }
  }
  return text;
}

std::u16string CertGetSimpleDisplayName(const CertContext& context, bool issuer) {
  const std::optional<NameInfo> name =
      DecodeName(issuer ? context.info.issuer : context.info.subject);
  if (name) {
    for (std::string_view oid :
         {kOidCommonName, kOidOrganizationalUnit, kOidOrganization, kOidEmailAddress}) {
      if (auto text = FirstValueOf(*name, oid)) {
        return std::move(*text);
      }
    }
  }
  if (auto email = FirstEmailAltName(context.info, issuer)) {
    EndAtFirstNul(*email);
    return std::move(*email);
  }
  if (name) {
    for (const auto& rdn : name->rdns) {
      for (const NameAttribute& attribute : rdn) {
        if (auto text = NameValueText(attribute.valueType, attribute.value)) {
          return std::move(*text);
        }
      }
    }
  }
  return {};
}

}  // namespace platform
