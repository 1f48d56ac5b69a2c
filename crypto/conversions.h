// Conversions shared by the certificate decoding: narrow text (UTF-8, the program's narrow code
// page) to wide UTF-16 text and back, bytes to hexadecimal text, upper-casing, and the mapping
// between algorithm OIDs and algorithm identifiers with the program's own fallback tables.
// Every function returns a new value; none fails, each gives an empty (or, for ToUpperText,
// unchanged) result instead.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// OID groups of the algorithm records; 0 names any group.
inline constexpr std::uint32_t CRYPT_HASH_ALG_OID_GROUP_ID = 1;
inline constexpr std::uint32_t CRYPT_SIGN_ALG_OID_GROUP_ID = 4;

// Provider type named in the extra information of the RSA signature records.
inline constexpr std::uint32_t PROV_RSA_AES = 24;

// An algorithm record in the shape of the platform's OID information structure. The lookups read
// only oid and algId; the other columns keep the rows complete.
struct CryptOidInfo {
  std::uint32_t size = 28;
  const char* oid = nullptr;
  const char16_t* name = nullptr;
  std::uint32_t groupId = 0;
  std::uint32_t algId = 0;
  std::span<const std::uint8_t> extraInfo;
};

// Signature algorithms (group 4) and hash algorithms (group 1) that stand in when the platform
// gives a special answer for an OID or knows no OID for an identifier.
extern const std::array<CryptOidInfo, 6> SignAlgTable;
extern const std::array<CryptOidInfo, 3> HashAlgTable;

// UTF-8 to UTF-16; count characters are converted, a NUL among them included. Invalid UTF-8
// (malformed, overlong, surrogate or beyond U+10FFFF) gives the empty text.
std::u16string ToWide(const char* text, std::size_t count);
std::u16string ToWide(const std::string& text);

// UTF-16 to UTF-8. A text with an unpaired surrogate gives the empty text.
std::string ToNarrow(const char16_t* text, std::size_t count);
std::string ToNarrow(const std::u16string& text);

// Lower-case hexadecimal digits, two per byte, a blank before every byte pair after the first:
// 0A FF 01 gives "0aff 01".
std::u16string BytesToHex(const std::uint8_t* bytes, std::size_t count);
std::u16string BytesToHex(std::span<const std::uint8_t> bytes);

// A serial number stored least significant byte first, as lower-case hexadecimal text most
// significant byte first, without separators: 01 00 gives "0001".
std::u16string SerialToHex(std::span<const std::uint8_t> serialBlob);

// Upper-cases the letters a to z; every other unit stays as it is, whatever the locale.
std::u16string ToUpperText(std::u16string text);

// The algorithm identifier of an OID. When the platform answers with one of its special values,
// the fallback tables are consulted (signature first, then hash); an OID the platform does not
// know gives 0.
std::uint32_t OidToAlgId(const std::u16string& oid);

// The OID of an algorithm identifier: the platform's answer, else the first fallback row of the
// group (0 = any, signature rows first; 1 = hash; 4 = signature); empty when there is none.
std::u16string AlgIdToOid(std::uint32_t algId, std::uint32_t groupId);
