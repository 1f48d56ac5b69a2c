// The extension steps of TCryptoapi::DecodeCertificate that have no operation of their own on
// TCryptoapi: key identifiers, key usage bits and the qualified-statements flag, plus the text
// rule shared by the other-name and private-extension readers.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/cert_context.h"
#include "platform/cert_decoding.h"

inline constexpr char kOidAuthorityKeyId[] = "2.5.29.35";
inline constexpr char kOidSubjectKeyId[] = "2.5.29.14";
inline constexpr char kOidSubjectAltName[] = "2.5.29.17";
inline constexpr char kOidSubjectAltNameOld[] = "2.5.29.7";
inline constexpr char kOidPrivateExtension[] = "1.3.6.1.4.1.58127.4.3";
inline constexpr char kOidQcStatements[] = "1.3.6.1.5.5.7.1.3";

// authorityKeyId: the key identifier of "2.5.29.35" (possibly empty); unchanged when the
// extension is absent or does not decode.
void ReadAuthorityKeyId(const platform::CertInfo& info, platform::Bytes& authorityKeyId);
// subjectKeyId: the bytes of "2.5.29.14"; unchanged when absent or undecodable.
void ReadSubjectKeyId(const platform::CertInfo& info, platform::Bytes& subjectKeyId);
// keyUsage: the two key usage bytes, 00 00 without key usage information.
void ReadKeyUsage(const platform::CertInfo& info, std::array<std::uint8_t, 2>& keyUsage);
// hasQcStatements: 1 when "1.3.6.1.5.5.7.1.3" is present, else 0.
void ReadQcStatements(const platform::CertInfo& info, std::uint32_t& hasQcStatements);

// The text of a decoded single value: BMP and UTF-8 strings arrive as UTF-16 code units (an odd
// last byte is ignored), every other type goes through ToWide.
std::u16string NameValueText(const platform::NameValue& value);
