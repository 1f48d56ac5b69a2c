// The names of a decoded record as the platform writes them: the e-mail fallback of the simple
// display name through the old alternative-name extensions, whole long values in the name texts
// while the attribute lists stay cut, and values that end at a NUL.
#include <gtest/gtest.h>

#include "crypto/cryptoapi.h"
#include "decoding_cert_builder.h"
#include "platform/cert_context.h"

using namespace decoding_test;

namespace {

TCertDetails Decode(const Bytes& der) {
  const auto context = platform::CertCreateCertificateContext(platform::kCertEncoding, der);
  if (!context) {
    throw std::runtime_error("the test certificate does not parse");
  }
  TCertDetails record;
  EXPECT_EQ(TCryptoapi::DecodeCertificate(*context, record), 1);
  return record;
}

Bytes EmailAltNames(std::string_view address) {
  return Seq({Tlv(0x82, Text("host.example")), Tlv(0x81, Text(address))});
}

NameBuilder Country(const char* code) {
  NameBuilder name;
  name.Add("2.5.4.6", V_ASN1_PRINTABLESTRING, Text(code));
  return name;
}

}  // namespace

TEST(RecordNames, FallBackToTheOldAlternativeNameExtensionsWhenTheCurrentOnesAreAbsent) {
  const TCertDetails record = Decode(CertBuilder()
                                         .Subject(Country("SK"))
                                         .Issuer(Country("CZ"))
                                         .Extension("2.5.29.7", EmailAltNames("subject@old"))
                                         .Extension("2.5.29.8", EmailAltNames("issuer@old"))
                                         .Der());
  EXPECT_EQ(record.subjectName, u"subject@old");
  EXPECT_EQ(record.issuerName, u"issuer@old");
  EXPECT_EQ(record.subjectDN, u"C=SK");
  EXPECT_EQ(record.issuerDN, u"C=CZ");
  ASSERT_EQ(record.subjectAttrs.size(), 1u);
  EXPECT_EQ(record.subjectAttrs[0].value, u"SK");
  ASSERT_EQ(record.issuerAttrs.size(), 1u);
  EXPECT_EQ(record.issuerAttrs[0].value, u"CZ");

  // The current extension, where present, is the one read.
  const TCertDetails both = Decode(CertBuilder()
                                       .Subject(Country("SK"))
                                       .Issuer(Country("CZ"))
                                       .Extension("2.5.29.7", EmailAltNames("subject@old"))
                                       .Extension("2.5.29.17", EmailAltNames("subject@new"))
                                       .Extension("2.5.29.8", EmailAltNames("issuer@old"))
                                       .Extension("2.5.29.18", EmailAltNames("issuer@new"))
                                       .Der());
  EXPECT_EQ(both.subjectName, u"subject@new");
  EXPECT_EQ(both.issuerName, u"issuer@new");
}

TEST(RecordNames, HoldLongValuesWholeWhileTheAttributeListsCutThem) {
  const std::string longSubject(2000, 's');
  const std::u16string longIssuer = std::u16string(1990, u'i') + u"\u010D\u010D\u010D";
  NameBuilder subject;
  subject.Utf8("2.5.4.3", longSubject);
  NameBuilder issuer;
  issuer.Add("2.5.4.10", V_ASN1_BMPSTRING, Bmp(longIssuer));
  const TCertDetails record = Decode(CertBuilder().Subject(subject).Issuer(issuer).Der());

  const std::u16string wholeSubject(longSubject.begin(), longSubject.end());
  EXPECT_EQ(record.subjectName, wholeSubject);
  EXPECT_EQ(record.subjectDN, u"CN=" + wholeSubject);
  EXPECT_EQ(record.issuerName, longIssuer);
  EXPECT_EQ(record.issuerDN, u"O=" + longIssuer);
  ASSERT_EQ(record.subjectAttrs.size(), 1u);
  EXPECT_EQ(record.subjectAttrs[0].value, wholeSubject.substr(0, 1023));
  ASSERT_EQ(record.issuerAttrs.size(), 1u);
  EXPECT_EQ(record.issuerAttrs[0].value, longIssuer.substr(0, 1023));
}

TEST(RecordNames, EndAValueAtItsFirstNulEverywhere) {
  NameBuilder subject;
  // Quoting is decided on what is left: the comma after the NUL must not quote the value.
  subject.Add("2.5.4.6", V_ASN1_PRINTABLESTRING, Text("CZ"))
      .Utf8("2.5.4.11", std::string_view("before\0,after", 13));
  NameBuilder issuer;
  issuer.Add("2.5.4.3", V_ASN1_BMPSTRING, Bmp(std::u16string_view(u"Issuer\0 tail", 12)));
  const TCertDetails record = Decode(CertBuilder().Subject(subject).Issuer(issuer).Der());

  EXPECT_EQ(record.subjectName, u"before");
  EXPECT_EQ(record.subjectDN, u"C=CZ, OU=before");
  EXPECT_EQ(record.issuerName, u"Issuer");
  EXPECT_EQ(record.issuerDN, u"CN=Issuer");
  ASSERT_EQ(record.subjectAttrs.size(), 2u);
  EXPECT_EQ(record.subjectAttrs[1].value, u"before");
  ASSERT_EQ(record.issuerAttrs.size(), 1u);
  EXPECT_EQ(record.issuerAttrs[0].value, u"Issuer");
}
