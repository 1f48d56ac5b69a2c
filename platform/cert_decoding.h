// The certificate services that decoding a certificate needs: names, extensions, usages and
// properties of a parsed certificate. Each operation gives its result directly; an empty
// std::optional means the call failed (or had nothing to report), and the caller then leaves its
// field as it was. Nothing here names a platform type.
//
// Name attribute values travel as value blobs in the shape the decoders deliver them:
//   - 8-bit string types (numeric, printable, teletex, videotex, IA5, graphic, visible, general):
//     the encoded bytes;
//   - BMP and UTF-8 strings: UTF-16 code units, little-endian;
//   - universal strings: UTF-32 code points, little-endian;
//   - octet strings: the content octets;
//   - anything else (kCertRdnEncodedBlob): the whole DER encoding of the value.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cert_context.h"

namespace platform {

// CERT_RDN_* value types.
inline constexpr std::uint32_t kCertRdnAnyType = 0;
inline constexpr std::uint32_t kCertRdnEncodedBlob = 1;
inline constexpr std::uint32_t kCertRdnOctetString = 2;
inline constexpr std::uint32_t kCertRdnNumericString = 3;
inline constexpr std::uint32_t kCertRdnPrintableString = 4;
inline constexpr std::uint32_t kCertRdnTeletexString = 5;
inline constexpr std::uint32_t kCertRdnVideotexString = 6;
inline constexpr std::uint32_t kCertRdnIa5String = 7;
inline constexpr std::uint32_t kCertRdnGraphicString = 8;
inline constexpr std::uint32_t kCertRdnVisibleString = 9;
inline constexpr std::uint32_t kCertRdnGeneralString = 10;
inline constexpr std::uint32_t kCertRdnUniversalString = 11;
inline constexpr std::uint32_t kCertRdnBmpString = 12;
inline constexpr std::uint32_t kCertRdnUtf8String = 13;

// ---- Names --------------------------------------------------------------------------------------

// One attribute of a relative distinguished name.
struct NameAttribute {
  std::string oid;              // dotted text
  std::uint32_t valueType = 0;  // CERT_RDN_* value type
  Bytes value;                  // value blob, see above
};

// A decoded name: its relative distinguished names in encoded order, each with its attributes in
// encoded order.
struct NameInfo {
  std::vector<std::vector<NameAttribute>> rdns;
};

// Decodes the DER bytes of a Name; none when they are not one.
std::optional<NameInfo> DecodeName(std::span<const std::uint8_t> nameBlob);

// The longest value text CertRdnValueToStr gives, in UTF-16 code units. The limit belongs to the
// attribute lists alone: the X.500 text and the simple display name hold whole values.
inline constexpr std::size_t kMaxRdnValueChars = 1023;

// The text of one attribute value (at most kMaxRdnValueChars units; an empty value gives an empty
// text, a NUL inside the value is kept); none when the value cannot be converted to text.
std::optional<std::u16string> CertRdnValueToStr(std::uint32_t valueType,
                                                std::span<const std::uint8_t> value);

// The name as X.500 text: the relative distinguished names in encoded order joined by ", ", the
// attributes of a multi-valued one joined by " + ", each as KEY=value with the whole value up to
// its first NUL. None when the blob is not a Name.
std::optional<std::u16string> CertNameToStr(std::uint32_t encodingType,
                                            std::span<const std::uint8_t> nameBlob);

// The simple display name of the subject, or of the issuer when issuer is true: the first common
// name, else the first organizational unit, organization or e-mail attribute, else the first
// e-mail address of the alternative names (2.5.29.17 for the subject, 2.5.29.18 for the issuer;
// without that extension, its older form 2.5.29.7 or 2.5.29.8), else the first attribute of any
// type. The text is the whole value up to its first NUL; empty when the name has nothing to show.
std::u16string CertGetSimpleDisplayName(const CertContext& context, bool issuer);

// ---- Extensions ---------------------------------------------------------------------------------

// The first extension with that OID, or null.
const CertExtension* CertFindExtension(std::string_view oid, const CertInfo& info);

// The key identifier of an authority key identifier extension value; empty bytes when the
// extension names only an issuer and serial number.
std::optional<Bytes> DecodeAuthorityKeyId(std::span<const std::uint8_t> extensionValue);

// The bytes of a subject key identifier extension value.
std::optional<Bytes> DecodeSubjectKeyId(std::span<const std::uint8_t> extensionValue);

// CERT_ALT_NAME_* kinds of alternative-name entries.
inline constexpr std::uint32_t kAltNameOtherName = 1;
inline constexpr std::uint32_t kAltNameRfc822Name = 2;
inline constexpr std::uint32_t kAltNameDnsName = 3;
inline constexpr std::uint32_t kAltNameX400Address = 4;
inline constexpr std::uint32_t kAltNameDirectoryName = 5;
inline constexpr std::uint32_t kAltNameEdiPartyName = 6;
inline constexpr std::uint32_t kAltNameUrl = 7;
inline constexpr std::uint32_t kAltNameIpAddress = 8;
inline constexpr std::uint32_t kAltNameRegisteredId = 9;

struct AltNameEntry {
  std::uint32_t kind = 0;
  std::u16string text;       // e-mail address, DNS name, URL; dotted OID of a registered ID
  Bytes bytes;               // IP address bytes; DER of a directory name
  std::string otherNameOid;  // type OID of an other name
  Bytes otherNameValue;      // DER of an other name's value
};

// The entries of an alternative-name extension value (2.5.29.17, 2.5.29.18 or their older forms
// 2.5.29.7, 2.5.29.8), in encoded order.
std::optional<std::vector<AltNameEntry>> DecodeAltNames(std::span<const std::uint8_t> value);

// A single string value, as in a name attribute.
struct NameValue {
  std::uint32_t valueType = 0;  // CERT_RDN_* value type
  Bytes value;                  // value blob, see above
};

// Decodes one DER value (a string of any type, or anything else as an encoded blob).
std::optional<NameValue> DecodeNameValue(std::span<const std::uint8_t> der);

// ---- Usages and properties ----------------------------------------------------------------------

// The first two bytes of the key usage extension's bits (byte 0: digital signature 0x80 ...
// CRL signing 0x02, encipher only 0x01; byte 1: decipher only 0x80). None when the certificate
// has no key usage extension or it does not decode.
std::optional<std::array<std::uint8_t, 2>> CertGetIntendedKeyUsage(const CertInfo& info);

// Where CertGetEnhancedKeyUsage looks for usages.
inline constexpr std::uint32_t kFindExtOnlyEnhkeyUsageFlag = 2;
inline constexpr std::uint32_t kFindPropOnlyEnhkeyUsageFlag = 4;

// The usage OIDs of the enhanced key usage extension (kFindExtOnlyEnhkeyUsageFlag) or of the
// context's enhanced-key-usage property (kFindPropOnlyEnhkeyUsageFlag). On failure none, with the
// thread's last error set: kCryptENotFound when there is no such extension or property.
std::optional<std::vector<std::string>> CertGetEnhancedKeyUsage(const CertContext& context,
                                                                std::uint32_t flags);

// The 20-byte SHA-1 hash of the context's DER bytes.
std::optional<Bytes> CertGetSha1Hash(const CertContext& context);

// The context's key-provider property; none (last error kCryptENotFound) when it has none.
std::optional<KeyProvInfo> CertGetKeyProvInfo(const CertContext& context);

// The length in bits of an RSA, EC or DSA public key given as SubjectPublicKeyInfo DER; 0 when it
// cannot tell.
std::uint32_t CertGetPublicKeyLength(std::uint32_t encodingType,
                                     std::span<const std::uint8_t> subjectPublicKeyInfo);

}  // namespace platform
