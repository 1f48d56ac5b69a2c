// The OpenSSL-based certificate services: context creation, names, value texts.
#include <gtest/gtest.h>
#include <openssl/err.h>

#include "crypto/cert_details.h"
#include "decoding_cert_builder.h"
#include "platform/cert_context.h"
#include "platform/cert_decoding.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"

using namespace decoding_test;

namespace {

platform::CertContextPtr ContextOf(const Bytes& der) {
  return platform::CertCreateCertificateContext(platform::kCertEncoding, der);
}

std::u16string DnOf(const NameBuilder& name) {
  return platform::CertNameToStr(platform::kCertEncoding, name.Der()).value_or(u"<failed>");
}

Bytes Utf16Le(std::u16string_view text) {
  Bytes out;
  for (char16_t unit : text) {
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return out;
}

}  // namespace

TEST(CertContext, CopiesTheParsedFieldsOfTheCertificate) {
  NameBuilder issuer;
  issuer.Utf8("2.5.4.3", "Issuer CA").Utf8("2.5.4.10", "Org");
  const Bytes der = CertBuilder()
                        .Serial({0x00, 0x80, 0x01})
                        .Issuer(issuer)
                        .Extension("2.5.29.19", Seq({}), true)
                        .Extension("1.2.3.4", Text("\x04\x01x"))
                        .Der();
  const auto context = ContextOf(der);
  ASSERT_TRUE(context);
  EXPECT_EQ(context->encodingType, platform::kCertEncoding);
  EXPECT_EQ(context->encoded, der);
  const platform::CertInfo& info = context->info;
  EXPECT_EQ(info.version, 2u);
  // Least significant first, the leading 00 octet of the DER integer kept.
  EXPECT_EQ(info.serialNumber, (Bytes{0x01, 0x80, 0x00}));
  EXPECT_EQ(info.signatureAlgOid, "1.2.840.10045.4.3.2");
  EXPECT_EQ(info.issuer, issuer.Der());
  EXPECT_EQ(info.subject, NameBuilder().Utf8("2.5.4.3", "Test").Der());
  EXPECT_EQ(info.notBefore, 133485408000000000u);  // 2024-01-01 00:00 UTC
  EXPECT_EQ(info.notAfter, 136641600000000000u);   // 2034-01-01 00:00 UTC
  ASSERT_EQ(info.extensions.size(), 2u);
  EXPECT_EQ(info.extensions[0].oid, "2.5.29.19");
  EXPECT_TRUE(info.extensions[0].critical);
  EXPECT_EQ(info.extensions[0].value, (Bytes{0x30, 0x00}));
  EXPECT_EQ(info.extensions[1].oid, "1.2.3.4");
  EXPECT_FALSE(info.extensions[1].critical);
  EXPECT_EQ(platform::CertGetPublicKeyLength(platform::kCertEncoding, info.subjectPublicKeyInfo),
            256u);
}

TEST(CertContext, ReadsVersionsAndBothTimeEncodings) {
  // 1950 is the first UTCTime year; 2050 needs GeneralizedTime.
  const auto context = ContextOf(
      CertBuilder().Version(0).Serial({0x05}).Validity("19500101000000Z", "20500101000000Z").Der());
  ASSERT_TRUE(context);
  EXPECT_EQ(context->info.version, 0u);
  EXPECT_EQ(context->info.serialNumber, Bytes{0x05});
  EXPECT_EQ(context->info.notBefore, 110133216000000000u);
  EXPECT_EQ(context->info.notAfter, 141690816000000000u);
  EXPECT_TRUE(context->info.extensions.empty());
}

TEST(CertContext, RejectsWhatIsNotExactlyOneCertificate) {
  const Bytes der = CertBuilder().Der();
  Bytes trailing = der;
  trailing.push_back(0x00);
  const Bytes truncated(der.begin(), der.end() - 1);
  for (const Bytes& bytes : {Bytes{}, trailing, truncated, Text("not a certificate")}) {
    platform::SetLastError(0);
    EXPECT_FALSE(ContextOf(bytes));
    EXPECT_EQ(platform::GetLastError(), platform::kCryptEAsn1BadTag);
    EXPECT_EQ(ERR_peek_error(), 0u) << "OpenSSL's error queue is left clean";
  }
  platform::SetLastError(0);
  EXPECT_FALSE(platform::CertCreateCertificateContext(platform::kPkcs7AsnEncoding, der));
  EXPECT_EQ(platform::GetLastError(), platform::kEInvalidArg);
}

// Certificates put together element by element; the signature is never checked.
TEST(CertContext, ChecksTheStructureElementByElement) {
  const Bytes publicKeyInfo = ContextOf(CertBuilder().Der())->info.subjectPublicKeyInfo;
  const Bytes name = NameBuilder().Utf8("2.5.4.3", "Hand made").Der();
  const Bytes algorithm = Seq({Oid("1.2.840.10045.4.3.2")});
  const auto certificate = [&](const Bytes& version, const Bytes& validity, const Bytes& tail) {
    const Bytes toBeSigned =
        Concat({version, Tlv(0x02, {0x2A}), algorithm, name, validity, name, publicKeyInfo, tail});
    return Seq({Tlv(0x30, toBeSigned), algorithm, Tlv(0x03, {0x00, 0x01})});
  };
  const Bytes v3 = Tlv(0xA0, Tlv(0x02, {0x02}));
  const Bytes validity =
      Seq({Tlv(0x17, Text("240101000000Z")), Tlv(0x18, Text("20340101000000Z"))});
  const Bytes extensions = Tlv(0xA3, Seq({Seq({Oid("2.5.29.19"), Tlv(0x04, Seq({}))})}));
  const Bytes uniqueIds = Concat({Tlv(0x81, {0x00, 0x01}), Tlv(0x82, {0x00, 0x02})});

  const auto context = ContextOf(certificate(v3, validity, Concat({uniqueIds, extensions})));
  ASSERT_TRUE(context);
  EXPECT_EQ(context->info.serialNumber, Bytes{0x2A});
  EXPECT_EQ(context->info.issuer, name);
  EXPECT_EQ(context->info.subjectPublicKeyInfo, publicKeyInfo);
  ASSERT_EQ(context->info.extensions.size(), 1u);
  EXPECT_EQ(context->info.extensions[0].oid, "2.5.29.19");
  const auto v1 = ContextOf(certificate({}, validity, {}));
  ASSERT_TRUE(v1);
  EXPECT_EQ(v1->info.version, 0u);

  const Bytes v4 = Tlv(0xA0, Tlv(0x02, {0x03}));
  const Bytes threeTimes = Seq({Tlv(0x17, Text("240101000000Z")), Tlv(0x17, Text("340101000000Z")),
                                Tlv(0x17, Text("440101000000Z"))});
  const Bytes before1601 =
      Seq({Tlv(0x18, Text("15000101000000Z")), Tlv(0x18, Text("20340101000000Z"))});
  const Bytes badTime = Seq({Tlv(0x17, Text("241301000000Z")), Tlv(0x17, Text("340101000000Z"))});
  const Bytes extensionsAndMore = Tlv(0xA3, Concat({Seq({}), Tlv(0x05, {})}));
  const Bytes trailingField = Tlv(0x05, {});
  for (const Bytes& bad :
       {certificate(v4, validity, {}), certificate(v3, threeTimes, {}),
        certificate(v3, before1601, {}), certificate(v3, badTime, {}),
        certificate(v3, validity, extensionsAndMore), certificate(v3, validity, trailingField),
        certificate(v3, validity, Concat({extensions, uniqueIds}))}) {
    EXPECT_FALSE(ContextOf(bad));
  }
  // An indefinite length is BER, not DER.
  Bytes indefinite = certificate(v3, validity, {});
  ASSERT_TRUE(ContextOf(indefinite));
  const std::size_t lengthOctets = indefinite[1] < 0x80 ? 1 : 1 + (indefinite[1] & 0x7F);
  indefinite.erase(indefinite.begin() + 1, indefinite.begin() + 1 + lengthOctets);
  indefinite.insert(indefinite.begin() + 1, 0x80);
  indefinite.insert(indefinite.end(), {0x00, 0x00});
  EXPECT_FALSE(ContextOf(indefinite));
}

TEST(NameText, UsesTheKnownKeysAndOidForOthers) {
  NameBuilder name;
  const char* oids[] = {"2.5.4.3",         "2.5.4.10",
                        "2.5.4.11",        "2.5.4.7",
                        "2.5.4.6",         "2.5.4.8",
                        "2.5.4.9",         "1.2.840.113549.1.9.1",
                        "2.5.4.5",         "2.5.4.12",
                        "2.5.4.42",        "2.5.4.4",
                        "2.5.4.43",        "0.9.2342.19200300.100.1.25",
                        "2.5.4.17",        "2.5.4.13",
                        "2.5.4.20",        "2.5.4.46",
                        "1.3.6.1.4.1.99.1"};
  for (const char* oid : oids) {
    name.Add(oid, V_ASN1_IA5STRING, Text("v"));
  }
  EXPECT_EQ(DnOf(name),
            u"CN=v, O=v, OU=v, L=v, C=v, S=v, STREET=v, E=v, SERIALNUMBER=v, T=v, G=v, SN=v, I=v, "
            u"DC=v, PostalCode=v, Description=v, Phone=v, dnQualifier=v, OID.1.3.6.1.4.1.99.1=v");
}

TEST(NameText, QuotesSpecialValuesAndJoinsMultiValuedNames) {
  NameBuilder name;
  for (const char* value : {"a,b", "a+b", "a=b", "say \"hi\"", "<x>", "#1", "a;b", "line\nfeed",
                            " lead", "trail\t", "in ner", "plain"}) {
    name.Utf8("2.5.4.11", value);
  }
  name.Utf8("2.5.4.3", "").Add("2.5.4.10", V_ASN1_UTF8STRING, Text("b"), true);
  EXPECT_EQ(DnOf(name),
            u"OU=\"a,b\", OU=\"a+b\", OU=\"a=b\", OU=\"say \"\"hi\"\"\", OU=\"<x>\", OU=\"#1\", "
            u"OU=\"a;b\", OU=\"line\nfeed\", OU=\" lead\", OU=\"trail\t\", OU=in ner, OU=plain, "
            u"CN= + O=b");
  EXPECT_EQ(DnOf(NameBuilder()), u"");
  EXPECT_FALSE(platform::CertNameToStr(platform::kCertEncoding, Text("junk")));
}

TEST(DecodeName, DeliversAttributesInEncodedOrderAndDecodedShape) {
  NameBuilder name;
  name.Add("2.5.4.6", V_ASN1_PRINTABLESTRING, Text("CZ"))
      .Add("2.5.4.3", V_ASN1_BMPSTRING, Bmp(u"A"))
      .Add("2.5.4.10", V_ASN1_UTF8STRING, Text("\xC4\x8D"), true)  // č, same RDN as the CN
      .Add("2.5.4.11", V_ASN1_UNIVERSALSTRING, Text(std::string("\0\x01\xF6\x00", 4)))
      .Add("2.5.4.13", V_ASN1_SEQUENCE, Bytes{0x30, 0x03, 0x02, 0x01, 0x07});
  const auto decoded = platform::DecodeName(name.Der());
  ASSERT_TRUE(decoded);
  ASSERT_EQ(decoded->rdns.size(), 4u);
  ASSERT_EQ(decoded->rdns[1].size(), 2u);
  const platform::NameAttribute& country = decoded->rdns[0][0];
  EXPECT_EQ(country.oid, "2.5.4.6");
  EXPECT_EQ(country.valueType, platform::kCertRdnPrintableString);
  EXPECT_EQ(country.value, Text("CZ"));
  EXPECT_EQ(decoded->rdns[1][0].valueType, platform::kCertRdnBmpString);
  EXPECT_EQ(decoded->rdns[1][0].value, Utf16Le(u"A"));
  EXPECT_EQ(decoded->rdns[1][1].valueType, platform::kCertRdnUtf8String);
  EXPECT_EQ(decoded->rdns[1][1].value, Utf16Le(u"č"));
  EXPECT_EQ(decoded->rdns[2][0].valueType, platform::kCertRdnUniversalString);
  EXPECT_EQ(decoded->rdns[2][0].value, (Bytes{0x00, 0xF6, 0x01, 0x00}));
  EXPECT_EQ(decoded->rdns[3][0].valueType, platform::kCertRdnEncodedBlob);
  EXPECT_EQ(decoded->rdns[3][0].value, (Bytes{0x30, 0x03, 0x02, 0x01, 0x07}));
  EXPECT_EQ(DnOf(name), u"C=CZ, CN=A + O=č, OU=\U0001F600, Description=#3003020107");
  EXPECT_FALSE(platform::DecodeName(Text("\x30\x03\x31\x01")));
}

TEST(RdnValueText, ConvertsEveryStringTypeAndRefusesWhatHasNoText) {
  using platform::CertRdnValueToStr;
  EXPECT_EQ(CertRdnValueToStr(platform::kCertRdnPrintableString, Text("Praha")), u"Praha");
  EXPECT_EQ(CertRdnValueToStr(platform::kCertRdnTeletexString, Text("\xE9")),
            u"\u00E9");  // Latin-1
  EXPECT_EQ(CertRdnValueToStr(platform::kCertRdnIa5String, Bytes{}), u"");
  EXPECT_EQ(CertRdnValueToStr(platform::kCertRdnUtf8String, Utf16Le(u"Č\U0001F600")),
            u"Č\U0001F600");
  EXPECT_EQ(CertRdnValueToStr(platform::kCertRdnUniversalString, Bytes{0x00, 0xF6, 0x01, 0x00}),
            u"\U0001F600");
  EXPECT_EQ(CertRdnValueToStr(platform::kCertRdnEncodedBlob, Bytes{0x02, 0x01, 0xAB}), u"#0201AB");
  EXPECT_EQ(CertRdnValueToStr(platform::kCertRdnOctetString, Bytes{0x0F}), u"#0F");

  EXPECT_FALSE(CertRdnValueToStr(platform::kCertRdnBmpString, Bytes{0x41}));  // odd byte count
  EXPECT_FALSE(CertRdnValueToStr(platform::kCertRdnUniversalString, Bytes{0x00, 0xD8, 0x00, 0x00}));
  EXPECT_FALSE(CertRdnValueToStr(platform::kCertRdnUniversalString, Bytes{0x00, 0x00, 0x11, 0x00}));
  EXPECT_FALSE(CertRdnValueToStr(platform::kCertRdnAnyType, Text("x")));
}

TEST(RdnValueText, IsCutAt1023UnitsWithoutSplittingAPair) {
  const auto longText = platform::CertRdnValueToStr(platform::kCertRdnIa5String, Bytes(2000, 'a'));
  ASSERT_TRUE(longText);
  EXPECT_EQ(longText->size(), platform::kMaxRdnValueChars);
  std::u16string pairAtEnd(1022, u'a');
  pairAtEnd += u"\U0001F600";
  const auto cut = platform::CertRdnValueToStr(platform::kCertRdnBmpString, Utf16Le(pairAtEnd));
  ASSERT_TRUE(cut);
  EXPECT_EQ(*cut, std::u16string(1022, u'a'));
}

TEST(SimpleDisplayName, FallsBackFromCommonNameInTheDesignedOrder) {
  const Bytes sanWithEmail = Seq({Tlv(0x82, Text("dns.example")), Tlv(0x81, Text("alt@example"))});
  struct Case {
    NameBuilder name;
    bool withSan = false;
    std::u16string expected;
  };
  Case cases[6];
  cases[0].name.Utf8("2.5.4.10", "Org").Utf8("2.5.4.11", "Unit").Utf8("2.5.4.3", "Common");
  cases[0].expected = u"Common";
  cases[1]
      .name.Utf8("2.5.4.10", "Org")
      .Utf8("1.2.840.113549.1.9.1", "e@x")
      .Utf8("2.5.4.11", "Unit");
  cases[1].expected = u"Unit";
  cases[2].name.Utf8("1.2.840.113549.1.9.1", "e@x").Utf8("2.5.4.10", "Org");
  cases[2].expected = u"Org";
  cases[3].name.Utf8("2.5.4.6", "CZ").Utf8("1.2.840.113549.1.9.1", "e@x");
  cases[3].withSan = true;
  cases[3].expected = u"e@x";
  cases[4].name.Utf8("2.5.4.6", "CZ").Utf8("2.5.4.7", "Praha");
  cases[4].withSan = true;
  cases[4].expected = u"alt@example";
  cases[5].name.Utf8("2.5.4.7", "Praha").Utf8("2.5.4.6", "CZ");
  cases[5].expected = u"Praha";
  for (Case& item : cases) {
    CertBuilder builder;
    builder.Subject(item.name).Issuer(item.name);
    if (item.withSan) {
      builder.Extension("2.5.29.17", sanWithEmail);
    }
    const auto context = ContextOf(builder.Der());
    ASSERT_TRUE(context);
    EXPECT_EQ(platform::CertGetSimpleDisplayName(*context, false), item.expected);
  }

  // The issuer's fallback reads the issuer alternative names, not the subject's.
  NameBuilder country;
  country.Utf8("2.5.4.6", "CZ");
  const auto context =
      ContextOf(CertBuilder()
                    .Subject(country)
                    .Issuer(country)
                    .Extension("2.5.29.17", sanWithEmail)
                    .Extension("2.5.29.18", Seq({Tlv(0x81, Text("issuer@example"))}))
                    .Der());
  ASSERT_TRUE(context);
  EXPECT_EQ(platform::CertGetSimpleDisplayName(*context, false), u"alt@example");
  EXPECT_EQ(platform::CertGetSimpleDisplayName(*context, true), u"issuer@example");

  const auto empty = ContextOf(CertBuilder().Subject(NameBuilder()).Der());
  ASSERT_TRUE(empty);
  EXPECT_EQ(platform::CertGetSimpleDisplayName(*empty, false), u"");
}

TEST(DecodeNameValue, DeliversStringsAsTheyTravelAndOtherValuesAsBlobs) {
  const auto utf8 = platform::DecodeNameValue(Tlv(0x0C, Text("\xC5\xBE")));  // ž
  ASSERT_TRUE(utf8);
  EXPECT_EQ(utf8->valueType, platform::kCertRdnUtf8String);
  EXPECT_EQ(utf8->value, Utf16Le(u"ž"));
  const auto badUtf8 = platform::DecodeNameValue(Tlv(0x0C, Text("a\xFF")));
  ASSERT_TRUE(badUtf8);
  EXPECT_EQ(badUtf8->value, Utf16Le(u"a\uFFFD"));
  const auto visible = platform::DecodeNameValue(Tlv(0x1A, Text("v")));
  ASSERT_TRUE(visible);
  EXPECT_EQ(visible->valueType, platform::kCertRdnVisibleString);
  EXPECT_EQ(visible->value, Text("v"));
  const Bytes integer{0x02, 0x01, 0x07};
  const auto blob = platform::DecodeNameValue(integer);
  ASSERT_TRUE(blob);
  EXPECT_EQ(blob->valueType, platform::kCertRdnEncodedBlob);
  EXPECT_EQ(blob->value, integer);
  EXPECT_FALSE(platform::DecodeNameValue(Bytes{0x0C, 0x05, 'a'}));
}

TEST(PublicKeyLength, ReadsRsaDsaAndNamedCurveKeys) {
  const auto bitString = [](const Bytes& content) { return Tlv(0x03, Concat({{0x00}, content})); };
  Bytes modulus(129, 0x00);  // 00 80 00 ... : a 1024-bit modulus
  modulus[1] = 0x80;
  const Bytes rsa = Seq({Seq({Oid("1.2.840.113549.1.1.1"), Tlv(0x05, {})}),
                         bitString(Seq({Tlv(0x02, modulus), Tlv(0x02, {0x01, 0x00, 0x01})}))});
  Bytes prime(257, 0x00);  // a 2048-bit p
  prime[1] = 0xFF;
  const Bytes dsa = Seq({Seq({Oid("1.2.840.10040.4.1"),
                              Seq({Tlv(0x02, prime), Tlv(0x02, {0x11}), Tlv(0x02, {0x02})})}),
                         bitString(Tlv(0x02, {0x05}))});
  Bytes point(97, 0x01);  // uncompressed P-384 point
  point[0] = 0x04;
  const Bytes p384 = Seq({Seq({Oid("1.2.840.10045.2.1"), Oid("1.3.132.0.34")}), bitString(point)});
  const Bytes shortPoint =
      Seq({Seq({Oid("1.2.840.10045.2.1"), Oid("1.3.132.0.34")}), bitString({0x04, 0x01})});
  const Bytes ed25519 = Seq({Seq({Oid("1.3.101.112")}), bitString(Bytes(32, 0x01))});

  using platform::CertGetPublicKeyLength;
  EXPECT_EQ(CertGetPublicKeyLength(platform::kCertEncoding, rsa), 1024u);
  EXPECT_EQ(CertGetPublicKeyLength(platform::kCertEncoding, dsa), 2048u);
  EXPECT_EQ(CertGetPublicKeyLength(platform::kCertEncoding, p384), 384u);
  EXPECT_EQ(CertGetPublicKeyLength(platform::kCertEncoding, shortPoint), 0u);
  EXPECT_EQ(CertGetPublicKeyLength(platform::kCertEncoding, ed25519), 0u);
  EXPECT_EQ(CertGetPublicKeyLength(platform::kCertEncoding, Text("junk")), 0u);
  EXPECT_EQ(CertGetPublicKeyLength(platform::kPkcs7AsnEncoding, rsa), 0u);
}
