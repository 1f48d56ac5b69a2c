// TCryptoapi::DecodeCertificate and its readers on certificates made for each case.
#include <gtest/gtest.h>

#include "crypto/cryptoapi.h"
#include "decoding_cert_builder.h"
#include "platform/cert_context.h"

using namespace decoding_test;

namespace {

constexpr const char* kPrivateExtension = "1.3.6.1.4.1.58127.4.3";

platform::CertContextPtr ContextOf(const Bytes& der) {
  auto context = platform::CertCreateCertificateContext(platform::kCertEncoding, der);
  if (!context) {
    throw std::runtime_error("the test certificate does not parse");
  }
  return context;
}

TCertDetails Decode(const platform::CertContext& context) {
  TCertDetails record;
  EXPECT_EQ(TCryptoapi::DecodeCertificate(context, record), 1);
  return record;
}

TCertDetails Decode(const Bytes& der) {
  return Decode(*ContextOf(der));
}

// An other name: type OID and [0] EXPLICIT value.
Bytes OtherName(const char* oid, const Bytes& value) {
  return Tlv(0xA0, Concat({Oid(oid), Tlv(0xA0, value)}));
}

struct Expected {
  std::u16string oid;
  std::uint32_t valueType;
  std::u16string value;
  std::uint32_t isOtherName;
};

void ExpectAttrs(const std::vector<TRDNAttr>& actual, const std::vector<Expected>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t index = 0; index < expected.size(); ++index) {
    SCOPED_TRACE(index);
    EXPECT_EQ(actual[index].oid, expected[index].oid);
    EXPECT_EQ(actual[index].valueType, expected[index].valueType);
    EXPECT_EQ(actual[index].value, expected[index].value);
    EXPECT_EQ(actual[index].isOtherName, expected[index].isOtherName);
  }
}

}  // namespace

TEST(DecodeCertificate, FillsTheRecordOfAPlainCertificate) {
  NameBuilder subject;
  subject.Add("2.5.4.6", V_ASN1_PRINTABLESTRING, Text("CZ"))
      .Utf8("2.5.4.10", "Oberit, a.s.")
      .Utf8("2.5.4.3", "Leaf");
  const Bytes der = CertBuilder().Serial({0x00, 0xA1, 0xB2}).Subject(subject).Der();
  const TCertDetails record = Decode(der);

  EXPECT_EQ(record.subjectName, u"Leaf");
  EXPECT_EQ(record.subjectDN, u"C=CZ, O=\"Oberit, a.s.\", CN=Leaf");
  EXPECT_EQ(record.issuerName, u"Test");
  EXPECT_EQ(record.issuerDN, u"CN=Test");
  EXPECT_EQ(record.subjectEncoded, subject.Der());
  EXPECT_EQ(record.serialNumber, u"00A1B2");
  EXPECT_EQ(record.version, 2u);
  EXPECT_EQ(record.notBefore.Value(), 133485408000000000u);
  EXPECT_EQ(record.notAfter.Value(), 136641600000000000u);
  EXPECT_EQ(record.certEncoded, der);
  EXPECT_EQ(record.signatureAlgOid, u"1.2.840.10045.4.3.2");
  EXPECT_EQ(record.hashAlgOid, u"") << "ECDSA has no algorithm identifier to map";
  EXPECT_EQ(record.publicKeyBits, 256u);
  ASSERT_EQ(record.thumbprint.size(), 49u);
  EXPECT_EQ(record.thumbprint[4], u' ');
  ExpectAttrs(record.subjectAttrs, {{u"2.5.4.6", platform::kCertRdnPrintableString, u"CZ", 0},
                                    {u"2.5.4.10", platform::kCertRdnUtf8String, u"Oberit, a.s.", 0},
                                    {u"2.5.4.3", platform::kCertRdnUtf8String, u"Leaf", 0}});
  ExpectAttrs(record.issuerAttrs, {{u"2.5.4.3", platform::kCertRdnUtf8String, u"Test", 0}});

  // Nothing of the optional extensions and properties.
  EXPECT_TRUE(record.authorityKeyId.empty());
  EXPECT_TRUE(record.subjectKeyId.empty());
  EXPECT_TRUE(record.altNames.empty());
  EXPECT_EQ(record.keyUsage, (std::array<std::uint8_t, 2>{0, 0}));
  EXPECT_TRUE(record.extKeyUsages.empty());
  EXPECT_EQ(record.ekuPropMissing, 1u);
  EXPECT_TRUE(record.ekuPropOids.empty());
  EXPECT_EQ(record.privateExtText, u"");
  EXPECT_EQ(record.hasQcStatements, 0u);
  EXPECT_EQ(record.hasKeyProvInfo, 0u);
  EXPECT_EQ(record.keyProvName, u"");
}

TEST(DecodeCertificate, WritesBase64In72CharacterLinesAndItsPemForm) {
  const TCertDetails record = Decode(CertBuilder().Der());
  ASSERT_FALSE(record.base64Text.empty());
  EXPECT_EQ(record.base64Text.back(), u'\n');
  std::size_t start = 0;
  while (start < record.base64Text.size()) {
    const std::size_t end = record.base64Text.find(u'\n', start);
    ASSERT_NE(end, std::u16string::npos);
    const std::size_t lineLength = end - start;
    EXPECT_TRUE(lineLength == 72 || end + 1 == record.base64Text.size()) << lineLength;
    EXPECT_LE(lineLength, 72u);
    start = end + 1;
  }
  EXPECT_EQ(record.pemText,
            u"-----BEGIN CERTIFICATE-----\n" + record.base64Text + u"-----END CERTIFICATE-----\n");
}

TEST(DecodeCertificate, StopsOnlyWhenTheEncodingTypeOrTheBase64StepFails) {
  const auto context = ContextOf(CertBuilder().Extension("1.3.6.1.5.5.7.1.3", Seq({})).Der());

  platform::CertContext noX509 = *context;
  noX509.encodingType = platform::kPkcs7AsnEncoding;
  TCertDetails untouched;
  EXPECT_EQ(TCryptoapi::DecodeCertificate(noX509, untouched), 0);
  EXPECT_EQ(untouched.subjectName, u"");
  EXPECT_TRUE(untouched.certEncoded.empty());

  // Without DER bytes nothing can be encoded: the fields before the Base64 step are written,
  // the later ones stay cleared.
  platform::CertContext noBytes = *context;
  noBytes.encoded.clear();
  TCertDetails partial;
  EXPECT_EQ(TCryptoapi::DecodeCertificate(noBytes, partial), 0);
  EXPECT_EQ(partial.subjectName, u"Test");
  EXPECT_EQ(partial.issuerDN, u"CN=Test");
  EXPECT_EQ(partial.signatureAlgOid, u"1.2.840.10045.4.3.2");
  EXPECT_EQ(partial.base64Text, u"");
  EXPECT_EQ(partial.pemText, u"");
  EXPECT_TRUE(partial.subjectAttrs.empty());
  EXPECT_EQ(partial.serialNumber, u"");
  EXPECT_EQ(partial.hasQcStatements, 0u);
  EXPECT_EQ(partial.version, 0u);
}

TEST(DecodeCertificate, KeepsGoingPastFieldsThatCannotBeRead) {
  platform::CertContext context = *ContextOf(CertBuilder().Der());
  context.info.subject = Text("not a name");
  context.info.signatureAlgOid.reset();
  context.info.subjectPublicKeyInfo.clear();
  const TCertDetails record = Decode(context);
  EXPECT_EQ(record.subjectName, u"");
  EXPECT_EQ(record.subjectDN, u"");
  EXPECT_TRUE(record.subjectAttrs.empty());
  EXPECT_EQ(record.signatureAlgOid, u"");
  EXPECT_EQ(record.hashAlgOid, u"");
  EXPECT_EQ(record.publicKeyBits, 0u);
  EXPECT_EQ(record.issuerDN, u"CN=Test");
  EXPECT_EQ(record.serialNumber, u"01");
  EXPECT_EQ(record.thumbprint.size(), 49u);
}

// OpenSSL refuses such names when it parses a certificate, so the reader is given the decoded
// name directly.
TEST(ReadNameAttrs, LeavesOutValuesWithoutTextOrOidAndKeepsTheOrder) {
  platform::NameInfo name;
  name.rdns = {
      {{"2.5.4.3", platform::kCertRdnPrintableString, Text("First")},
       {"2.5.4.11", platform::kCertRdnBmpString,
        Bytes{0x41, 0x00, 0x42}}},  // half a code unit over
      {{"", platform::kCertRdnPrintableString, Text("no OID")}},
      {{"2.5.4.11", platform::kCertRdnUniversalString,
        Bytes{0x00, 0x00, 0x11, 0x00}}},  // beyond U+10FFFF
      {{"2.5.4.10", platform::kCertRdnUtf8String,
        Bytes{'L', 0, 'a', 0, 0, 0, 'x', 0}}},  // ends at its NUL
  };
  std::vector<TRDNAttr> attrs;
  TCryptoapi::ReadNameAttrs(name, attrs);
  ExpectAttrs(attrs, {{u"2.5.4.3", platform::kCertRdnPrintableString, u"First", 0},
                      {u"2.5.4.10", platform::kCertRdnUtf8String, u"La", 0}});
}

TEST(ReadAltNames, RendersEachKindAsDesigned) {
  const Bytes ipv6{0x20, 0x01, 0x0D, 0xB8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01};
  const Bytes san = Seq({
      Tlv(0x82, Text("www.example.test")), Tlv(0x81, Text("mail@example.test")),
      Tlv(0x86, Text("https://example.test/")), Tlv(0x87, Bytes{10, 0, 0, 1}), Tlv(0x87, ipv6),
      OtherName("1.3.6.1.4.1.58127.4.5", Tlv(0x0C, Text("Žluťoučký kůň"))),
      OtherName("1.3.6.1.4.1.311.20.2.3", Tlv(0x1E, Bmp(u"upn@x"))),
      OtherName("1.2.3.4", Tlv(0x16, Text("ia5"))),
      Tlv(0xA4, NameBuilder().Utf8("2.5.4.3", "Dir").Der()),
      Tlv(0x88, Bytes{0x2A, 0x03}),  // registered ID 1.2.3
  });
  const TCertDetails record = Decode(CertBuilder().Extension("2.5.29.17", san).Der());
  ExpectAttrs(record.altNames,
              {
                  {u"3", platform::kCertRdnIa5String, u"www.example.test", 0},
                  {u"2", platform::kCertRdnIa5String, u"mail@example.test", 0},
                  {u"7", platform::kCertRdnIa5String, u"https://example.test/", 0},
                  {u"8", platform::kCertRdnIa5String, u"10.0.0.1", 0},
                  {u"8", platform::kCertRdnIa5String, u"32.1.13.184.0.0.0.0.0.0.0.0.0.0.0.1", 0},
                  {u"1.3.6.1.4.1.58127.4.5", platform::kCertRdnUtf8String, u"Žluťoučký kůň", 1},
                  {u"1.3.6.1.4.1.311.20.2.3", platform::kCertRdnBmpString, u"upn@x", 1},
                  {u"1.2.3.4", platform::kCertRdnIa5String, u"ia5", 1},
              });
}

TEST(ReadAltNames, PrefersTheCurrentExtensionAndSkipsDirectoryNames) {
  const Bytes current = Seq({Tlv(0x82, Text("current.test"))});
  const Bytes older = Seq({Tlv(0x82, Text("older.test"))});
  ExpectAttrs(
      Decode(CertBuilder().Extension("2.5.29.7", older).Extension("2.5.29.17", current).Der())
          .altNames,
      {{u"3", platform::kCertRdnIa5String, u"current.test", 0}});
  ExpectAttrs(Decode(CertBuilder().Extension("2.5.29.7", older).Der()).altNames,
              {{u"3", platform::kCertRdnIa5String, u"older.test", 0}});

  const Bytes directoryOnly = Seq({Tlv(0xA4, NameBuilder().Utf8("2.5.4.3", "Dir").Der())});
  EXPECT_TRUE(Decode(CertBuilder().Extension("2.5.29.17", directoryOnly).Der()).altNames.empty());
  // An undecodable extension leaves the list empty; an other name whose value is cut short
  // is left out alone.
  EXPECT_TRUE(
      Decode(CertBuilder().Extension("2.5.29.17", Text("\x30\x05")).Der()).altNames.empty());
}

TEST(KeyIdentifiers, AreCopiedWhenPresentAndEmptyWithoutAKeyId) {
  const Bytes keyId{0xDE, 0xAD, 0xBE, 0xEF};
  const TCertDetails withIds = Decode(CertBuilder()
                                          .Extension("2.5.29.14", Tlv(0x04, keyId))
                                          .Extension("2.5.29.35", Seq({Tlv(0x80, keyId)}))
                                          .Der());
  EXPECT_EQ(withIds.subjectKeyId, keyId);
  EXPECT_EQ(withIds.authorityKeyId, keyId);

  // Only the issuer and serial number of the authority: no key identifier.
  const Bytes issuerAndSerial =
      Seq({Tlv(0xA1, Tlv(0xA4, NameBuilder().Utf8("2.5.4.3", "Root").Der())), Tlv(0x82, {0x07})});
  const TCertDetails withoutKeyId =
      Decode(CertBuilder().Extension("2.5.29.35", issuerAndSerial).Der());
  EXPECT_TRUE(withoutKeyId.authorityKeyId.empty());
}

TEST(KeyUsage, GivesTheTwoBytesOrZeros) {
  // digitalSignature, keyCertSign and decipherOnly: nine bits, seven unused in the last byte.
  const TCertDetails nineBits =
      Decode(CertBuilder().Extension("2.5.29.15", Tlv(0x03, {0x07, 0x84, 0x80}), true).Der());
  EXPECT_EQ(nineBits.keyUsage, (std::array<std::uint8_t, 2>{0x84, 0x80}));
  const TCertDetails oneByte =
      Decode(CertBuilder().Extension("2.5.29.15", Tlv(0x03, {0x01, 0x06})).Der());
  EXPECT_EQ(oneByte.keyUsage, (std::array<std::uint8_t, 2>{0x06, 0x00}));
  const TCertDetails broken = Decode(CertBuilder().Extension("2.5.29.15", Text("xx")).Der());
  EXPECT_EQ(broken.keyUsage, (std::array<std::uint8_t, 2>{0, 0}));
}

TEST(EnhancedKeyUsages, ComeFromTheExtensionAndTheProperty) {
  const Bytes eku = Seq({Oid("1.3.6.1.5.5.7.3.1"), Oid("1.3.6.1.5.5.7.3.8")});
  const auto context = ContextOf(CertBuilder().Extension("2.5.29.37", eku).Der());
  const TCertDetails fromBytes = Decode(*context);
  ExpectAttrs(fromBytes.extKeyUsages,
              {{u"1.3.6.1.5.5.7.3.1", 0, u"", 0}, {u"1.3.6.1.5.5.7.3.8", 0, u"", 0}});
  EXPECT_EQ(fromBytes.ekuPropMissing, 1u);
  EXPECT_TRUE(fromBytes.ekuPropOids.empty());

  platform::CertContext withProperty = *context;
  withProperty.enhancedKeyUsageProperty = std::vector<std::string>{"1.3.6.1.5.5.7.3.3"};
  const TCertDetails fromStore = Decode(withProperty);
  EXPECT_EQ(fromStore.ekuPropMissing, 0u);
  EXPECT_EQ(fromStore.ekuPropOids, std::vector<std::u16string>{u"1.3.6.1.5.5.7.3.3"});
  EXPECT_EQ(fromStore.extKeyUsages.size(), 2u);

  withProperty.enhancedKeyUsageProperty = std::vector<std::string>{};
  const TCertDetails emptyProperty = Decode(withProperty);
  EXPECT_EQ(emptyProperty.ekuPropMissing, 0u);
  EXPECT_TRUE(emptyProperty.ekuPropOids.empty());
}

TEST(KeyProvInfo, IsTakenOnlyWhenComplete) {
  platform::CertContext context = *ContextOf(CertBuilder().Der());
  context.keyProvInfo = platform::KeyProvInfo{u"container", u"provider", 24, 0, 1};
  const TCertDetails record = Decode(context);
  EXPECT_EQ(record.hasKeyProvInfo, 1u);
  EXPECT_EQ(record.keyContainerName, u"container");
  EXPECT_EQ(record.keyProvName, u"provider");
  EXPECT_EQ(record.keyProvType, 24u);
  EXPECT_EQ(record.keySpec, 1u);

  context.keyProvInfo->keySpec = 0;
  const TCertDetails incomplete = Decode(context);
  EXPECT_EQ(incomplete.hasKeyProvInfo, 0u);
  EXPECT_EQ(incomplete.keyProvName, u"");
}

// The private extension's value is read by its type, so that UTF-8 and BMP strings (delivered as
// UTF-16) become their text instead of bytes full of NULs.
TEST(PrivateExtension, IsReadAsTextWhateverTheStringType) {
  const auto textOf = [](const Bytes& value) {
    return Decode(CertBuilder().Extension(kPrivateExtension, value).Der()).privateExtText;
  };
  EXPECT_EQ(textOf(Tlv(0x0C, Text("Testovací prostředí"))), u"Testovací prostředí");
  EXPECT_EQ(textOf(Tlv(0x1E, Bmp(u"Časová razítka"))), u"Časová razítka");
  EXPECT_EQ(textOf(Tlv(0x13, Text("Printable"))), u"Printable");
  EXPECT_EQ(textOf(Text("\x0C\x09short")), u"");
}

TEST(QcStatements, AreFlaggedByPresence) {
  EXPECT_EQ(Decode(CertBuilder().Extension("1.3.6.1.5.5.7.1.3", Seq({})).Der()).hasQcStatements,
            1u);
}
