#include "crypto/conversions.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/cert_context.h"
#include "platform/oid_info.h"

namespace {

constexpr char kSha256Oid[] = "2.16.840.1.101.3.4.2.1";
constexpr char kSha384Oid[] = "2.16.840.1.101.3.4.2.2";
constexpr char kSha512RsaOid[] = "1.2.840.113549.1.1.13";

}  // namespace

TEST(ToWide, ConvertsExactlyTheCountedCharacters) {
  EXPECT_EQ(ToWide("abc", 0), u"");
  EXPECT_EQ(ToWide(nullptr, 3), u"");
  EXPECT_EQ(ToWide("abc", 4), std::u16string(u"abc\0", 4));
  EXPECT_EQ(ToWide(std::string("1.2.840")), u"1.2.840");
}

TEST(ToWide, RoundTripsCzechAndNonBmpText) {
  const std::u16string czech = u"Příliš žluťoučký kůň úpěl ďábelské ódy: ĚŠČŘŽÝÁÍÉŮÚ";
  const std::string czechUtf8 = "Příliš žluťoučký kůň úpěl ďábelské ódy: ĚŠČŘŽÝÁÍÉŮÚ";
  EXPECT_EQ(ToWide(czechUtf8), czech);
  EXPECT_EQ(ToNarrow(czech), czechUtf8);

  // U+1D11E and U+1F600 need surrogate pairs; U+FFFD and U+10FFFF are at the edges.
  const std::u16string wide = u"\U0001D11E a \U0001F600 \uFFFD \U0010FFFF";
  const std::string narrow = "\xF0\x9D\x84\x9E a \xF0\x9F\x98\x80 \xEF\xBF\xBD \xF4\x8F\xBF\xBF";
  EXPECT_EQ(ToWide(narrow), wide);
  EXPECT_EQ(ToNarrow(wide), narrow);
}

TEST(ToWide, InvalidUtf8GivesTheEmptyText) {
  for (const char* invalid : {
           "\x80",              // continuation byte without a lead
           "ok \xC5",           // truncated two-byte sequence
           "\xC5 ",             // lead followed by a non-continuation byte
           "\xE2\x82",          // truncated three-byte sequence
           "\xC0\xAF",          // overlong "/"
           "\xE0\x80\xAF",      // overlong three-byte form
           "\xF0\x80\x80\xAF",  // overlong four-byte form
           "\xED\xA0\x80",      // an encoded surrogate
           "\xF4\x90\x80\x80",  // beyond U+10FFFF
           "\xF5\x80\x80\x80",
           "\xFF",
       }) {
    EXPECT_EQ(ToWide(std::string(invalid)), u"") << invalid;
  }
}

TEST(ToNarrow, UnpairedSurrogatesGiveTheEmptyText) {
  EXPECT_EQ(ToNarrow(nullptr, 2), "");
  EXPECT_EQ(ToNarrow(u""), "");
  EXPECT_EQ(ToNarrow(u"-----BEGIN"), "-----BEGIN");
  for (const std::u16string& invalid :
       {std::u16string(u"a\xD834"), std::u16string(u"\xD834z"), std::u16string(u"\xDD1E"),
        std::u16string(u"\xDD1E\xD834")}) {
    EXPECT_EQ(ToNarrow(invalid), "");
  }
  // The count decides, even when it splits a pair.
  const char16_t pair[] = u"\U0001D11E";
  EXPECT_EQ(ToNarrow(pair, 1), "");
  EXPECT_EQ(ToNarrow(pair, 2), "\xF0\x9D\x84\x9E");
}

TEST(HexText, GroupsReversesAndUpperCases) {
  const std::uint8_t bytes[] = {0x0A, 0xFF, 0x01};
  EXPECT_EQ(BytesToHex(bytes, 1), u"0a");
  EXPECT_EQ(BytesToHex(bytes, 2), u"0aff");
  EXPECT_EQ(BytesToHex(bytes, 3), u"0aff 01");
  EXPECT_EQ(BytesToHex(bytes, 0), u"");
  const platform::Bytes twenty(20, 0xAB);
  const std::u16string thumbprint = BytesToHex(twenty);
  EXPECT_EQ(thumbprint.size(), 49u);
  EXPECT_EQ(thumbprint.substr(0, 10), u"abab abab ");

  EXPECT_EQ(SerialToHex(platform::Bytes{0x01, 0x00}), u"0001");
  EXPECT_EQ(SerialToHex(platform::Bytes{0xB2, 0xA1, 0x00}), u"00a1b2");
  EXPECT_EQ(SerialToHex({}), u"");

  EXPECT_EQ(ToUpperText(u"0aff 01"), u"0AFF 01");
  EXPECT_EQ(ToUpperText(u""), u"");
  EXPECT_EQ(ToUpperText(u"čaj z"), u"čAJ Z");
}

TEST(OidInfo, AnswersForHashSignatureAndSpecialOids) {
  EXPECT_EQ(platform::CertOIDToAlgId("1.2.840.113549.1.1.11"), platform::CALG_SHA_256);
  EXPECT_EQ(platform::CertOIDToAlgId("1.2.840.113549.1.1.5"), platform::CALG_SHA1);
  EXPECT_EQ(platform::CertOIDToAlgId("1.3.14.3.2.26"), platform::CALG_SHA1);
  EXPECT_EQ(platform::CertOIDToAlgId("1.2.840.113549.1.1.10"), platform::CALG_OID_INFO_PARAMETERS);
  EXPECT_EQ(platform::CertOIDToAlgId("1.2.840.10045.4.3.2"), platform::CALG_OID_INFO_CNG_ONLY);
  EXPECT_EQ(platform::CertOIDToAlgId("1.2.840.113549.1.1.1"), 0u);
  EXPECT_EQ(platform::CertOIDToAlgId("1.2.840.113549.1.1.1 "), 0u);

  // The reverse lookup finds the hash OID, not a signature OID with the same identifier.
  EXPECT_EQ(platform::CertAlgIdToOID(platform::CALG_SHA_384), kSha384Oid);
  EXPECT_EQ(platform::CertAlgIdToOID(platform::CALG_MD5), "1.2.840.113549.2.5");
  EXPECT_EQ(platform::CertAlgIdToOID(0x1234), std::nullopt);
  EXPECT_EQ(platform::CertAlgIdToOID(platform::CALG_OID_INFO_CNG_ONLY), std::nullopt);
}

TEST(OidInfo, OverrideLastsForItsScope) {
  const platform::OidInfoRow rows[] = {{"1.2.3", 0x1234}};
  {
    platform::ScopedOidInfoOverride outer(rows);
    EXPECT_EQ(platform::CertOIDToAlgId("1.2.3"), 0x1234u);
    {
      platform::ScopedOidInfoOverride inner({});
      EXPECT_EQ(platform::CertOIDToAlgId("1.2.3"), 0u);
    }
    EXPECT_EQ(platform::CertAlgIdToOID(0x1234), "1.2.3");
    EXPECT_EQ(platform::CertOIDToAlgId(kSha256Oid), 0u);
  }
  EXPECT_EQ(platform::CertOIDToAlgId(kSha256Oid), platform::CALG_SHA_256);
}

TEST(OidToAlgId, PassesPlainAnswersAndLooksUpSpecialOnes) {
  EXPECT_EQ(OidToAlgId(u"1.2.840.113549.1.1.11"), platform::CALG_SHA_256);
  EXPECT_EQ(OidToAlgId(u"1.2.840.113549.1.1.1"), 0u);
  EXPECT_EQ(OidToAlgId(u""), 0u);
  // Special answers for OIDs of neither table come back unchanged.
  EXPECT_EQ(OidToAlgId(u"1.2.840.10045.4.3.2"), platform::CALG_OID_INFO_CNG_ONLY);
  EXPECT_EQ(OidToAlgId(u"1.2.840.113549.1.1.10"), platform::CALG_OID_INFO_PARAMETERS);

  const platform::OidInfoRow rows[] = {
      {kSha512RsaOid, platform::CALG_OID_INFO_CNG_ONLY},
      {kSha384Oid, platform::CALG_OID_INFO_PARAMETERS},
      {"1.2.840.113549.1.1.12", 0x4321},
  };
  platform::ScopedOidInfoOverride override(rows);
  EXPECT_EQ(OidToAlgId(u"1.2.840.113549.1.1.13"), platform::CALG_SHA_512);
  EXPECT_EQ(OidToAlgId(u"2.16.840.1.101.3.4.2.2"), platform::CALG_SHA_384);
  // A plain answer is taken as it is, and an OID the platform does not know gives 0 without a
  // look at the tables.
  EXPECT_EQ(OidToAlgId(u"1.2.840.113549.1.1.12"), 0x4321u);
  EXPECT_EQ(OidToAlgId(u"1.2.840.113549.1.1.11"), 0u);
}

TEST(AlgIdToOid, PrefersThePlatformThenTheGroupsTable) {
  EXPECT_EQ(AlgIdToOid(platform::CALG_SHA_256, CRYPT_HASH_ALG_OID_GROUP_ID),
            u"2.16.840.1.101.3.4.2.1");
  EXPECT_EQ(AlgIdToOid(platform::CALG_SHA1, CRYPT_HASH_ALG_OID_GROUP_ID), u"1.3.14.3.2.26");
  EXPECT_EQ(AlgIdToOid(0x1234, 0), u"");

  const platform::OidInfoRow rows[] = {{"1.2.3.4", platform::CALG_SHA_512}};
  platform::ScopedOidInfoOverride override(rows);
  EXPECT_EQ(AlgIdToOid(platform::CALG_SHA_512, CRYPT_HASH_ALG_OID_GROUP_ID), u"1.2.3.4");
  EXPECT_EQ(AlgIdToOid(platform::CALG_SHA_384, CRYPT_HASH_ALG_OID_GROUP_ID),
            u"2.16.840.1.101.3.4.2.2");
  EXPECT_EQ(AlgIdToOid(platform::CALG_SHA_384, CRYPT_SIGN_ALG_OID_GROUP_ID),
            u"2.16.840.1.101.3.4.2.2");  // the sha384NoSign row
  EXPECT_EQ(AlgIdToOid(platform::CALG_SHA_256, 0), u"2.16.840.1.101.3.4.2.1");
  EXPECT_EQ(AlgIdToOid(platform::CALG_SHA1, CRYPT_HASH_ALG_OID_GROUP_ID), u"");
  EXPECT_EQ(AlgIdToOid(platform::CALG_SHA_256, 2), u"");
}
