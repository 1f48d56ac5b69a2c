#include "crypto/conversions.h"

#include <string_view>

#include "platform/oid_info.h"

namespace {

// Little-endian 32-bit words: CALG_NO_SIGN; CALG_RSA_SIGN, 0, PROV_RSA_AES.
constexpr std::uint8_t kNoSignExtraInfo[] = {0x00, 0x20, 0x00, 0x00};
constexpr std::uint8_t kRsaSignExtraInfo[] = {0x00, 0x24, 0x00,         0x00, 0x00, 0x00,
                                              0x00, 0x00, PROV_RSA_AES, 0x00, 0x00, 0x00};

constexpr char16_t kHexDigits[] = u"0123456789abcdef";

void AppendHexByte(std::u16string& text, std::uint8_t byte) {
  text.push_back(kHexDigits[byte >> 4]);
  text.push_back(kHexDigits[byte & 0x0F]);
}

bool IsContinuationByte(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

}  // namespace

const std::array<CryptOidInfo, 6> SignAlgTable = {{
    {28, "2.16.840.1.101.3.4.2.1", u"sha256NoSign", CRYPT_SIGN_ALG_OID_GROUP_ID,
     platform::CALG_SHA_256, kNoSignExtraInfo},
    {28, "2.16.840.1.101.3.4.2.2", u"sha384NoSign", CRYPT_SIGN_ALG_OID_GROUP_ID,
     platform::CALG_SHA_384, kNoSignExtraInfo},
    {28, "2.16.840.1.101.3.4.2.3", u"sha512NoSign", CRYPT_SIGN_ALG_OID_GROUP_ID,
     platform::CALG_SHA_512, kNoSignExtraInfo},
    {28, "1.2.840.113549.1.1.11", u"sha256RSA", CRYPT_SIGN_ALG_OID_GROUP_ID, platform::CALG_SHA_256,
     kRsaSignExtraInfo},
    {28, "1.2.840.113549.1.1.12", u"sha384RSA", CRYPT_SIGN_ALG_OID_GROUP_ID, platform::CALG_SHA_384,
     kRsaSignExtraInfo},
    {28, "1.2.840.113549.1.1.13", u"sha512RSA", CRYPT_SIGN_ALG_OID_GROUP_ID, platform::CALG_SHA_512,
     kRsaSignExtraInfo},
}};

const std::array<CryptOidInfo, 3> HashAlgTable = {{
    {28,
     "2.16.840.1.101.3.4.2.1",
     u"sha256",
     CRYPT_HASH_ALG_OID_GROUP_ID,
     platform::CALG_SHA_256,
     {}},
    {28,
     "2.16.840.1.101.3.4.2.2",
     u"sha384",
     CRYPT_HASH_ALG_OID_GROUP_ID,
     platform::CALG_SHA_384,
     {}},
    {28,
     "2.16.840.1.101.3.4.2.3",
     u"sha512",
     CRYPT_HASH_ALG_OID_GROUP_ID,
     platform::CALG_SHA_512,
     {}},
}};

std::u16string ToWide(const char* text, std::size_t count) {
  std::u16string wide;
  if (text == nullptr || count == 0) {
    return wide;
  }
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  wide.reserve(count);
  std::size_t i = 0;
  while (i < count) {
    const unsigned char lead = bytes[i];
    if (lead < 0x80) {
      wide.push_back(lead);
      ++i;
      continue;
    }
    // Well-formed sequences only: the second byte's range excludes overlong forms, encoded
    // surrogates and code points beyond U+10FFFF.
    std::size_t trail = 0;
    char32_t codePoint = 0;
    unsigned char secondMin = 0x80;
    unsigned char secondMax = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      trail = 1;
      codePoint = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      trail = 2;
      codePoint = lead & 0x0Fu;
      secondMin = lead == 0xE0 ? 0xA0 : 0x80;
      secondMax = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      trail = 3;
      codePoint = lead & 0x07u;
      secondMin = lead == 0xF0 ? 0x90 : 0x80;
      secondMax = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
      return {};
    }
    if (count - i <= trail) {
      return {};
    }
    const unsigned char second = bytes[i + 1];
    if (second < secondMin || second > secondMax) {
      return {};
    }
    for (std::size_t k = 1; k <= trail; ++k) {
      const unsigned char next = bytes[i + k];
      if (!IsContinuationByte(next)) {
        return {};
      }
      codePoint = (codePoint << 6) | (next & 0x3Fu);
    }
    i += trail + 1;
    if (codePoint >= 0x10000) {
      const char32_t offset = codePoint - 0x10000;
      wide.push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
      wide.push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
    } else {
      wide.push_back(static_cast<char16_t>(codePoint));
    }
  }
  return wide;
}

std::u16string ToWide(const std::string& text) {
  return ToWide(text.data(), text.size());
}

std::string ToNarrow(const char16_t* text, std::size_t count) {
  std::string narrow;
  if (text == nullptr || count == 0) {
    return narrow;
  }
  narrow.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    char32_t codePoint = text[i];
    if (codePoint >= 0xD800 && codePoint <= 0xDFFF) {
      // A high surrogate must be followed by a low one; a low one on its own is unpaired.
      if (codePoint >= 0xDC00 || i + 1 == count || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) {
        return {};
      }
      codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
      ++i;
    }
    if (codePoint < 0x80) {
      narrow.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
      narrow.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
      narrow.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
      narrow.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
      narrow.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
      narrow.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
      narrow.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
      narrow.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
      narrow.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
      narrow.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
  }
  return narrow;
}

std::string ToNarrow(const std::u16string& text) {
  return ToNarrow(text.data(), text.size());
}

std::u16string BytesToHex(const std::uint8_t* bytes, std::size_t count) {
  std::u16string text;
  if (bytes == nullptr) {
    return text;
  }
  text.reserve(count * 2 + count / 2);
  for (std::size_t i = 0; i < count; ++i) {
    if (i % 2 == 0 && i != 0) {
      text.push_back(u' ');
    }
    AppendHexByte(text, bytes[i]);
  }
  return text;
}

std::u16string BytesToHex(std::span<const std::uint8_t> bytes) {
  return BytesToHex(bytes.data(), bytes.size());
}

std::u16string SerialToHex(std::span<const std::uint8_t> serialBlob) {
  std::u16string text;
  text.reserve(serialBlob.size() * 2);
  for (auto byte = serialBlob.rbegin(); byte != serialBlob.rend(); ++byte) {
    AppendHexByte(text, *byte);
  }
  return text;
}

std::u16string ToUpperText(std::u16string text) {
  // The program never changes the C runtime's locale, whose upper-casing maps only a to z; doing
  // exactly that here keeps the result the same under any locale the toolkit may set.
  for (char16_t& unit : text) {
    if (unit >= u'a' && unit <= u'z') {
      unit = static_cast<char16_t>(unit - u'a' + u'A');
    }
  }
  return text;
}

std::uint32_t OidToAlgId(const std::u16string& oid) {
  const std::string narrowOid = ToNarrow(oid);
  const std::uint32_t answer = platform::CertOIDToAlgId(narrowOid);
  if (answer < platform::CALG_OID_INFO_PARAMETERS) {
    return answer;
  }
  for (const CryptOidInfo& row : SignAlgTable) {
    if (narrowOid == row.oid) {
      return row.algId;
    }
  }
  for (const CryptOidInfo& row : HashAlgTable) {
    if (narrowOid == row.oid) {
      return row.algId;
    }
  }
  return answer;
}

std::u16string AlgIdToOid(std::uint32_t algId, std::uint32_t groupId) {
  if (const auto oid = platform::CertAlgIdToOID(algId)) {
    return ToWide(*oid);
  }
  if (groupId == 0 || groupId == CRYPT_SIGN_ALG_OID_GROUP_ID) {
    for (const CryptOidInfo& row : SignAlgTable) {
      if (row.algId == algId) {
        return ToWide(std::string(row.oid));
      }
    }
  }
  if (groupId == 0 || groupId == CRYPT_HASH_ALG_OID_GROUP_ID) {
    for (const CryptOidInfo& row : HashAlgTable) {
      if (row.algId == algId) {
        return ToWide(std::string(row.oid));
      }
    }
  }
  return {};
}
