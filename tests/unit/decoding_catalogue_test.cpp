// Every certificate of the embedded catalogue decodes to the values its generator recorded in
// tests/fixtures/catalogue_expectations.json.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <type_traits>

#include "catalogue/embedded_certificates.h"
#include "crypto/base64.h"
#include "crypto/conversions.h"
#include "crypto/cryptoapi.h"
#include "tests/support/wine_deviations.h"

namespace {

using nlohmann::json;

struct Decoded {
  std::string list;
  std::size_t index = 0;
  json expected;
  TCertDetails record;
};

TCertDetails DecodePem(const char16_t* text) {
  TCertDetails record;
  platform::Bytes der;
  const std::string narrow = ToNarrow(ExtractPemBlock(text));
  if (!DecodeBase64Bytes(narrow, der)) {
    ADD_FAILURE() << "no DER bytes";
    return record;
  }
  const auto context = platform::CertCreateCertificateContext(platform::kCertEncoding, der);
  if (!context) {
    ADD_FAILURE() << "no certificate context";
    return record;
  }
  EXPECT_EQ(TCryptoapi::DecodeCertificate(*context, record), 1);
  return record;
}

std::u16string Wide(const json& value) {
  return ToWide(value.get<std::string>());
}

std::string Hex(std::span<const std::uint8_t> bytes) {
  std::string text;
  for (std::uint8_t byte : bytes) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", byte);
    text += digits;
  }
  return text;
}

// "2024-01-01T00:00:00Z" as a FILETIME value.
std::uint64_t FileTimeOf(const std::string& iso) {
  int year = 0;
  unsigned month = 0, day = 0, hour = 0, minute = 0, second = 0;
  EXPECT_EQ(
      std::sscanf(iso.c_str(), "%d-%u-%uT%u:%u:%uZ", &year, &month, &day, &hour, &minute, &second),
      6);
  using namespace std::chrono;
  const auto instant = sys_days{std::chrono::year{year} / month / day} + hours{hour} +
                       minutes{minute} + seconds{second};
  const auto sinceUnixEpoch = duration_cast<seconds>(instant.time_since_epoch()).count();
  return static_cast<std::uint64_t>(sinceUnixEpoch + 11644473600LL) * 10000000u;
}

void ExpectAttrs(const std::vector<TRDNAttr>& actual, const json& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t index = 0; index < actual.size(); ++index) {
    EXPECT_EQ(actual[index].oid, Wide(expected[index]["oid"]));
    EXPECT_EQ(actual[index].valueType, expected[index]["valueType"].get<std::uint32_t>());
    EXPECT_EQ(actual[index].value, Wide(expected[index]["value"]));
    EXPECT_EQ(actual[index].isOtherName, 0u);
  }
}

class CatalogueDecoding : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::ifstream file(CORVANE_SOURCE_DIR "/tests/fixtures/catalogue_expectations.json");
    const json expectations = json::parse(file);
    const std::pair<const char*, const char16_t* const*> lists[] = {
        {"CERTS_ROOT_TEST", CERTS_ROOT_TEST},
        {"CERTS_INTERMEDIATE_TEST", CERTS_INTERMEDIATE_TEST},
        {"CERTS_TSA_TEST", CERTS_TSA_TEST},
        {"CERTS_TSA_WEB_TEST", CERTS_TSA_WEB_TEST},
    };
    decoded_ = new std::vector<Decoded>;
    for (const auto& [name, texts] : lists) {
      const json& expectedList = expectations["lists"][name];
      std::size_t index = 0;
      for (; texts[index] != nullptr; ++index) {
        decoded_->push_back({name, index, expectedList.at(index), DecodePem(texts[index])});
      }
      EXPECT_EQ(index, expectedList.size()) << name;
    }
  }
  static void TearDownTestSuite() {
    delete decoded_;
    decoded_ = nullptr;
  }
  static const std::vector<Decoded>& All() { return *decoded_; }

 private:
  static inline std::vector<Decoded>* decoded_ = nullptr;
};

// A field compared with its expected JSON value, unless it is a known difference of Wine's
// certificate services (never on Linux or Windows).
template <typename Actual>
json AsJson(const Actual& actual) {
  if constexpr (std::is_same_v<Actual, std::u16string>) {
    return json(ToNarrow(actual));
  } else {
    return json(actual);
  }
}
#define EXPECT_PLATFORM_EQ(field, actual, expected)                                           \
  do {                                                                                        \
    const json actualJson = AsJson(actual);                                                   \
    const json expectedJson = (expected);                                                     \
    if (!corvane_test::IsKnownWineDeviation(field, expectedJson.dump(), actualJson.dump())) { \
      EXPECT_EQ(actualJson, expectedJson) << field;                                           \
    }                                                                                         \
  } while (false)

#define TRACE_CERTIFICATE(item) SCOPED_TRACE((item).list + "[" + std::to_string((item).index) + "]")

TEST_F(CatalogueDecoding, HoldsFifteenCertificates) {
  EXPECT_EQ(All().size(), 15u);
}

TEST_F(CatalogueDecoding, NamesMatch) {
  for (const Decoded& item : All()) {
    TRACE_CERTIFICATE(item);
    const TCertDetails& record = item.record;
    EXPECT_EQ(record.subjectName, Wide(item.expected["subjectCN"]));
    EXPECT_EQ(record.issuerName, Wide(item.expected["issuerCN"]));
    EXPECT_PLATFORM_EQ("subjectDN", record.subjectDN, item.expected["subjectDN"]);
    EXPECT_PLATFORM_EQ("issuerDN", record.issuerDN, item.expected["issuerDN"]);
    ExpectAttrs(record.subjectAttrs, item.expected["subjectAttrs"]);
    ExpectAttrs(record.issuerAttrs, item.expected["issuerAttrs"]);
  }
}

TEST_F(CatalogueDecoding, NumbersAndAlgorithmsMatch) {
  for (const Decoded& item : All()) {
    TRACE_CERTIFICATE(item);
    const TCertDetails& record = item.record;
    const json& expected = item.expected;
    EXPECT_EQ(record.version, expected["version"].get<std::uint32_t>());
    EXPECT_EQ(ToNarrow(record.serialNumber), expected["serial"].get<std::string>());
    // Forty digits in groups of four.
    std::u16string thumbprint = record.thumbprint;
    ASSERT_EQ(thumbprint.size(), 49u);
    std::erase(thumbprint, u' ');
    EXPECT_EQ(ToNarrow(thumbprint), expected["sha1"].get<std::string>());
    EXPECT_EQ(record.notBefore.Value(), FileTimeOf(expected["notBefore"]));
    EXPECT_EQ(record.notAfter.Value(), FileTimeOf(expected["notAfter"]));
    EXPECT_EQ(record.certEncoded.size(), expected["derLength"].get<std::size_t>());
    EXPECT_EQ(record.signatureAlgOid, Wide(expected["signatureAlgOid"]));
    // ECDSA signatures have no algorithm identifier of their own, so no hash OID follows.
    const bool ecdsa = expected["signatureAlgOid"].get<std::string>().starts_with("1.2.840.10045.");
    EXPECT_PLATFORM_EQ("hashAlgOid", record.hashAlgOid, ecdsa ? json("") : expected["hashAlgOid"]);
    EXPECT_PLATFORM_EQ("publicKeyBits", record.publicKeyBits, expected["keyBits"]);
    EXPECT_EQ(record.hasKeyProvInfo, 0u);
  }
}

TEST_F(CatalogueDecoding, ExtensionsAndUsagesMatch) {
  for (const Decoded& item : All()) {
    TRACE_CERTIFICATE(item);
    const TCertDetails& record = item.record;
    const json& expected = item.expected;
    EXPECT_EQ(Hex(record.subjectKeyId), expected["subjectKeyId"].get<std::string>());
    EXPECT_EQ(Hex(record.authorityKeyId), expected["authorityKeyId"].get<std::string>());
    EXPECT_EQ(Hex(record.keyUsage), expected["keyUsage"].get<std::string>());
    std::vector<std::string> usages;
    for (const TRDNAttr& usage : record.extKeyUsages) {
      usages.push_back(ToNarrow(usage.oid));
    }
    EXPECT_EQ(usages, expected["extKeyUsages"].get<std::vector<std::string>>());
    EXPECT_EQ(record.ekuPropMissing, 1u);
    EXPECT_TRUE(record.ekuPropOids.empty());
    EXPECT_EQ(record.privateExtText, Wide(expected["privateExtText"]));
    EXPECT_EQ(record.hasQcStatements, expected["hasQcStatements"].get<std::uint32_t>());

    const json& altNames = expected["altNames"];
    if (corvane_test::IsKnownWineDeviation("altNames", altNames.dump(),
                                           record.altNames.empty() ? "[]" : "[...]")) {
      continue;
    }
    ASSERT_EQ(record.altNames.size(), altNames.size());
    for (std::size_t index = 0; index < altNames.size(); ++index) {
      const TRDNAttr& actual = record.altNames[index];
      const int kind = altNames[index]["kind"].get<int>();
      EXPECT_EQ(actual.value, Wide(altNames[index]["value"]));
      if (kind == 1) {
        EXPECT_EQ(actual.oid, Wide(altNames[index]["oid"]));
        EXPECT_EQ(actual.valueType, altNames[index]["valueType"].get<std::uint32_t>());
        EXPECT_EQ(actual.isOtherName, 1u);
      } else {
        EXPECT_EQ(ToNarrow(actual.oid), std::to_string(kind));
        EXPECT_EQ(actual.valueType, 7u);
        EXPECT_EQ(actual.isOtherName, 0u);
      }
    }
  }
}

TEST_F(CatalogueDecoding, EncodingsRoundTrip) {
  for (const Decoded& item : All()) {
    TRACE_CERTIFICATE(item);
    const TCertDetails& record = item.record;
    const std::string base64 = ToNarrow(record.base64Text);
    ASSERT_FALSE(base64.empty());
    EXPECT_EQ(base64.back(), '\n');
    for (std::size_t start = 0; start < base64.size();) {
      const std::size_t end = base64.find('\n', start);
      ASSERT_NE(end, std::string::npos);
      if (end + 1 < base64.size()) {
        EXPECT_EQ(end - start, 72u);
      }
      start = end + 1;
    }
    EXPECT_TRUE(record.pemText.starts_with(u"-----BEGIN CERTIFICATE-----\n"));
    EXPECT_TRUE(record.pemText.ends_with(u"\n-----END CERTIFICATE-----\n"));
    platform::Bytes again;
    ASSERT_TRUE(DecodeBase64Bytes(ToNarrow(record.pemText), again));
    EXPECT_EQ(again, record.certEncoded);
  }
}

}  // namespace
