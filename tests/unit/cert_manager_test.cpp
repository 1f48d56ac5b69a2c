#include "catalogue/cert_manager.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <string>
#include <vector>

#include "catalogue/embedded_certificates.h"
#include "crypto/conversions.h"
#include "crypto/cryptoapi.h"
#include "tests/support/store_test_home.h"

namespace {

std::u16string Root(int index) {
  return CERTS_ROOT_TEST[index];
}

// Subject names of a group's entries, in position order.
std::vector<std::u16string> Subjects(const TCertManager& catalogue, std::int32_t flags) {
  std::vector<std::u16string> subjects;
  for (const CertEntry& entry : catalogue.groups.at(flags)) {
    subjects.push_back(entry.record.subjectName);
  }
  return subjects;
}

// Every load looks the certificates up in the user's database: each test gets a home of its own.
class CertManagerTest : public testing::Test {
 protected:
  corvane_test::ScopedTestHome home_;
};

TEST_F(CertManagerTest, AListWithoutTextsMakesAnEmptyGroup) {
  TCertManager catalogue;
  const char16_t* const none[] = {nullptr};
  catalogue.AddGroup(CERTGROUP_ROOT_TEST, none);
  ASSERT_EQ(catalogue.groups.size(), 1u);
  EXPECT_TRUE(catalogue.groups.at(CERTGROUP_ROOT_TEST).empty());
  EXPECT_EQ(catalogue.FindEntry(CERTGROUP_ROOT_TEST, 0), nullptr);
  EXPECT_EQ(catalogue.loaded, 0);
}

TEST_F(CertManagerTest, ASecondGroupWithTheSameFlagsIsDropped) {
  TCertManager catalogue;
  const char16_t* const first[] = {CERTS_ROOT_TEST[2], nullptr};
  catalogue.AddGroup(CERTGROUP_ROOT_TEST, first);
  catalogue.AddGroup(CERTGROUP_ROOT_TEST, CERTS_ROOT_TEST);
  EXPECT_EQ(Subjects(catalogue, CERTGROUP_ROOT_TEST),
            std::vector<std::u16string>{u"Oberit Test Root CA R3"});
}

TEST_F(CertManagerTest, TextsThatDoNotDecodeAreLeftOutAndLaterOnesMoveUp) {
  const std::u16string notBase64 =
      u"-----BEGIN CERTIFICATE-----\n@@@@ not "
      u"base64 @@@@\n-----END CERTIFICATE-----\n";
  const std::u16string notACertificate =
      u"-----BEGIN CERTIFICATE-----\nTm90IGEgY2VydGlmaWNhdGU=\n-----END "
      u"CERTIFICATE-----\n";
  std::u16string cutShort = Root(3);
  cutShort.erase(cutShort.size() / 2);
  const char16_t* const texts[] = {
      CERTS_ROOT_TEST[0], notBase64.c_str(),  u"",    notACertificate.c_str(), cutShort.c_str(),
      CERTS_ROOT_TEST[2], CERTS_ROOT_TEST[3], nullptr};
  TCertManager catalogue;
  catalogue.AddGroup(CERTGROUP_ROOT_TEST, texts);
  EXPECT_EQ(Subjects(catalogue, CERTGROUP_ROOT_TEST),
            (std::vector<std::u16string>{u"Oberit Test Root CA R1", u"Oberit Test Root CA R3",
                                         u"Oberit Test Root CA R4"}));
  ASSERT_NE(catalogue.FindEntry(CERTGROUP_ROOT_TEST, 1), nullptr);
  EXPECT_EQ(catalogue.FindEntry(CERTGROUP_ROOT_TEST, 1)->record.subjectName,
            u"Oberit Test Root CA R3");
  EXPECT_EQ(catalogue.FindEntry(CERTGROUP_ROOT_TEST, 3), nullptr);
}

TEST_F(CertManagerTest, FindEntryNeedsExactFlagsAndAPositionInRange) {
  TCertManager catalogue;
  catalogue.AddGroup(CERTGROUP_ROOT_TEST, CERTS_ROOT_TEST);
  EXPECT_NE(catalogue.FindEntry(CERTGROUP_ROOT_TEST, 0), nullptr);
  EXPECT_NE(catalogue.FindEntry(CERTGROUP_ROOT_TEST, 3), nullptr);
  EXPECT_EQ(catalogue.FindEntry(CERTGROUP_ROOT_TEST, 4), nullptr);
  // A negative position read from a link is a huge unsigned one.
  EXPECT_EQ(catalogue.FindEntry(CERTGROUP_ROOT_TEST, static_cast<std::uint32_t>(-1)), nullptr);
  EXPECT_EQ(catalogue.FindEntry(CERTGROUP_ROOT_TEST | 1, 0), nullptr);
  EXPECT_EQ(catalogue.FindEntry(CERTGROUP_INTERMEDIATE_TEST, 0), nullptr);
}

TEST_F(CertManagerTest, TextAfterTheFooterChangesNothing) {
  std::u16string plain = Root(0);
  ASSERT_EQ(plain.back(), u'\n');
  plain.pop_back();
  for (const std::u16string& variant :
       {plain, plain + u" \n", plain + u"\r\n", plain + u"\ntrailing words\n"}) {
    TCertDetails record;
    EXPECT_EQ(DecodePemCertificate(variant, record), 1);
    EXPECT_EQ(record.subjectName, u"Oberit Test Root CA R1");
  }
  // The catalogue's own text with a blank after its footer.
  ASSERT_NE(Root(1).find(u"-----END CERTIFICATE----- \n"), std::u16string::npos);
  TCertDetails record;
  EXPECT_EQ(DecodePemCertificate(Root(1), record), 1);
  EXPECT_EQ(record.subjectName, u"Oberit Test Root CA R2");
}

TEST_F(CertManagerTest, GroupsAreOrderedByFlagsWhateverTheOrderOfAdding) {
  TCertManager catalogue;
  catalogue.AddGroup(CERTGROUP_TSA_WEB_TEST, CERTS_TSA_WEB_TEST);
  catalogue.AddGroup(CERTGROUP_INTERMEDIATE_TEST, CERTS_INTERMEDIATE_TEST);
  catalogue.AddGroup(CERTGROUP_TSA_TEST, CERTS_TSA_TEST);
  catalogue.AddGroup(CERTGROUP_ROOT_TEST, CERTS_ROOT_TEST);
  std::vector<std::int32_t> order;
  for (const auto& group : catalogue.groups) {
    order.push_back(group.first);
  }
  EXPECT_EQ(order, (std::vector<std::int32_t>{0x404, 0x4008, 0x20020, 0x80060}));
}

TEST_F(CertManagerTest, LoadCatalogueDecodesTheFourEmbeddedGroups) {
  TCertManager catalogue;
  catalogue.LoadCatalogue();
  EXPECT_EQ(catalogue.loaded, 1);

  std::ifstream file(CORVANE_SOURCE_DIR "/tests/fixtures/catalogue_expectations.json");
  const nlohmann::json expected = nlohmann::json::parse(file);
  const std::pair<std::int32_t, const char*> groups[] = {
      {CERTGROUP_ROOT_TEST, "CERTS_ROOT_TEST"},
      {CERTGROUP_INTERMEDIATE_TEST, "CERTS_INTERMEDIATE_TEST"},
      {CERTGROUP_TSA_TEST, "CERTS_TSA_TEST"},
      {CERTGROUP_TSA_WEB_TEST, "CERTS_TSA_WEB_TEST"},
  };
  ASSERT_EQ(catalogue.groups.size(), 4u);
  for (const auto& [flags, listName] : groups) {
    SCOPED_TRACE(listName);
    const nlohmann::json& list = expected.at("lists").at(listName);
    const std::vector<CertEntry>& entries = catalogue.groups.at(flags);
    ASSERT_EQ(entries.size(), list.size());
    for (std::size_t position = 0; position < entries.size(); ++position) {
      EXPECT_EQ(entries[position].record.subjectName,
                ToWide(list[position].at("subjectCN").get<std::string>()));
      EXPECT_EQ(entries[position].installed, 0);
    }
  }
  EXPECT_EQ(catalogue.groups.at(CERTGROUP_ROOT_TEST).size(), 4u);
  EXPECT_EQ(catalogue.groups.at(CERTGROUP_INTERMEDIATE_TEST).size(), 6u);
  EXPECT_EQ(catalogue.groups.at(CERTGROUP_TSA_TEST).size(), 3u);
  EXPECT_EQ(catalogue.groups.at(CERTGROUP_TSA_WEB_TEST).size(), 2u);

  catalogue.loaded = 0;
  catalogue.ClearGroups();
  EXPECT_TRUE(catalogue.groups.empty());
  EXPECT_EQ(catalogue.loaded, 0);
}

TEST_F(CertManagerTest, AReloadShowsWhatIsInstalledNow) {
  TCertManager catalogue;
  catalogue.LoadCatalogue();
  TCryptoapi cryptoapi;
  ASSERT_TRUE(cryptoapi.Install(catalogue.FindEntry(CERTGROUP_ROOT_TEST, 1)->record, u"Root"));
  ASSERT_TRUE(
      cryptoapi.Install(catalogue.FindEntry(CERTGROUP_INTERMEDIATE_TEST, 4)->record, u"CA"));
  // The loaded catalogue keeps the state of its load.
  EXPECT_EQ(catalogue.FindEntry(CERTGROUP_ROOT_TEST, 1)->installed, 0);

  catalogue.loaded = 0;
  catalogue.ClearGroups();
  catalogue.LoadCatalogue();
  for (const auto& [flags, entries] : catalogue.groups) {
    for (std::uint32_t position = 0; position < entries.size(); ++position) {
      const bool installed = (flags == CERTGROUP_ROOT_TEST && position == 1) ||
                             (flags == CERTGROUP_INTERMEDIATE_TEST && position == 4);
      EXPECT_EQ(entries[position].installed, installed ? 1 : 0) << flags << "_" << position;
    }
  }

  ASSERT_TRUE(cryptoapi.Uninstall(catalogue.FindEntry(CERTGROUP_ROOT_TEST, 1)->record, u"Root"));
  catalogue.ClearGroups();
  catalogue.LoadCatalogue();
  EXPECT_EQ(catalogue.FindEntry(CERTGROUP_ROOT_TEST, 1)->installed, 0);
  EXPECT_EQ(catalogue.FindEntry(CERTGROUP_INTERMEDIATE_TEST, 4)->installed, 1);
}

// The load notes which certificates the current time lies outside of: the catalogue's issuing
// CA 4 ran out at the end of 2024, root R1 is valid until 2044.
TEST_F(CertManagerTest, LoadNotesWhichCertificatesHaveExpired) {
  TCertManager catalogue;
  catalogue.LoadCatalogue(StoreLookups::kSkip);
  const CertEntry* issuing4 = catalogue.FindEntry(CERTGROUP_INTERMEDIATE_TEST, 3);
  const CertEntry* rootR1 = catalogue.FindEntry(CERTGROUP_ROOT_TEST, 0);
  ASSERT_NE(issuing4, nullptr);
  ASSERT_NE(rootR1, nullptr);
  EXPECT_EQ(issuing4->record.subjectName, u"Oberit Test Issuing CA 4 (2021)");
  EXPECT_EQ(issuing4->validity, Validity::kExpired);
  EXPECT_EQ(rootR1->validity, Validity::kValid);
}

}  // namespace
