#include "platform/linux/openssl_support.h"

#include <openssl/objects.h>

#include <algorithm>
#include <string_view>

#include "platform/linux/utf8_text.h"

namespace platform::openssl {
namespace {

void AppendUnitLe(Bytes& out, std::uint32_t unit) {
  out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
  out.push_back(static_cast<std::uint8_t>(unit >> 8));
}

// UTF-8 to UTF-16LE bytes; bad input is treated as platform/linux/utf8_text.h says, so that a bad
// value still shows as much text as it has.
Bytes Utf8ToUtf16Le(const unsigned char* data, int length) {
  const std::u16string text = linux_utf8::ToUtf16(
      std::string_view(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length)));
  Bytes out;
  out.reserve(text.size() * 2);
  for (const char16_t unit : text) {
    AppendUnitLe(out, unit);
  }
  return out;
}

// Big-endian code units of width bytes each to little-endian; a trailing partial unit is kept as
// it is, so that the text conversion can refuse it.
Bytes SwapUnits(const unsigned char* data, int length, int width) {
  Bytes out(data, data + length);
  const int whole = length - length % width;
  for (int unit = 0; unit < whole; unit += width) {
    std::reverse(out.begin() + unit, out.begin() + unit + width);
  }
  return out;
}

std::optional<std::uint32_t> StringValueType(int asn1Type) {
  switch (asn1Type) {
    case V_ASN1_OCTET_STRING:
      return kCertRdnOctetString;
    case V_ASN1_NUMERICSTRING:
      return kCertRdnNumericString;
    case V_ASN1_PRINTABLESTRING:
      return kCertRdnPrintableString;
    case V_ASN1_T61STRING:
      return kCertRdnTeletexString;
    case V_ASN1_VIDEOTEXSTRING:
      return kCertRdnVideotexString;
    case V_ASN1_IA5STRING:
      return kCertRdnIa5String;
    case V_ASN1_GRAPHICSTRING:
      return kCertRdnGraphicString;
    case V_ASN1_VISIBLESTRING:
      return kCertRdnVisibleString;
    case V_ASN1_GENERALSTRING:
      return kCertRdnGeneralString;
    case V_ASN1_UNIVERSALSTRING:
      return kCertRdnUniversalString;
    case V_ASN1_BMPSTRING:
      return kCertRdnBmpString;
    case V_ASN1_UTF8STRING:
      return kCertRdnUtf8String;
    default:
      return std::nullopt;
  }
}

}  // namespace

std::optional<std::string> OidText(const ASN1_OBJECT* object) {
  if (object == nullptr) {
    return std::nullopt;
  }
  char small[128];
  const int needed = OBJ_obj2txt(small, sizeof small, object, 1);
  if (needed <= 0) {
    return std::nullopt;
  }
  if (static_cast<std::size_t>(needed) < sizeof small) {
    return std::string(small, static_cast<std::size_t>(needed));
  }
  std::string text(static_cast<std::size_t>(needed) + 1, '\0');
  const int written = OBJ_obj2txt(text.data(), needed + 1, object, 1);
  if (written != needed) {
    return std::nullopt;
  }
  text.resize(static_cast<std::size_t>(written));
  return text;
}

Bytes StringBytes(const ASN1_STRING* text) {
  if (text == nullptr || ASN1_STRING_length(text) <= 0) {
    return {};
  }
  const unsigned char* data = ASN1_STRING_get0_data(text);
  return Bytes(data, data + ASN1_STRING_length(text));
}

std::optional<NameValue> ValueFromAsn1(int asn1Type, const ASN1_STRING* text) {
  if (text == nullptr) {
    return std::nullopt;
  }
  const unsigned char* data = ASN1_STRING_get0_data(text);
  const int length = ASN1_STRING_length(text);
  const std::optional<std::uint32_t> stringType = StringValueType(asn1Type);
  if (!stringType) {
    // Any other value travels as its whole DER encoding.
    Asn1TypePtr any(ASN1_TYPE_new());
    if (!any || ASN1_TYPE_set1(any.get(), asn1Type, text) != 1) {
      return std::nullopt;
    }
    unsigned char* encoded = nullptr;
    const int encodedLength = i2d_ASN1_TYPE(any.get(), &encoded);
    OpenSslBufferPtr owner(encoded);
    if (encodedLength <= 0) {
      return std::nullopt;
    }
    return NameValue{kCertRdnEncodedBlob, Bytes(encoded, encoded + encodedLength)};
  }
  switch (*stringType) {
    case kCertRdnUtf8String:
      return NameValue{*stringType, Utf8ToUtf16Le(data, length)};
    case kCertRdnBmpString:
      return NameValue{*stringType, SwapUnits(data, length, 2)};
    case kCertRdnUniversalString:
      return NameValue{*stringType, SwapUnits(data, length, 4)};
    default:
      return NameValue{*stringType, StringBytes(text)};
  }
}

}  // namespace platform::openssl
