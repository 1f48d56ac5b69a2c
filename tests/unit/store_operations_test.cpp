// Installing and uninstalling catalogue certificates in the user's stores, with certutil (another
// process) as the witness of what the database holds.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "crypto/conversions.h"
#include "crypto/cryptoapi.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "tests/support/store_test_home.h"
#include "tests/support/store_test_pki.h"

namespace {

using corvane_test::CertutilEntry;
using corvane_test::MakeTestCertificate;
using corvane_test::TestCertificate;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

TCertDetails RecordOf(const TestCertificate& certificate) {
  TCertDetails record;
  record.certEncoded = certificate.der;
  return record;
}

class StoreOperations : public ::testing::Test {
 protected:
  std::vector<CertutilEntry> Listed() const {
    return corvane_test::CertutilList(home_.XdgDatabaseDir());
  }
  bool DatabaseFolderExists() const {
    return std::filesystem::exists(home_.Path() + "/.local/share/pki") ||
           std::filesystem::exists(home_.LegacyDatabaseDir());
  }

  corvane_test::ScopedTestHome home_;
  const TestCertificate root_ = MakeTestCertificate({.commonName = "Corvane Test Root R1"});
  const TestCertificate intermediate_ =
      MakeTestCertificate({.commonName = "Corvane Test Intermediate", .issuer = &root_});
};

TEST_F(StoreOperations, InstallPutsRootsAndIntermediatesInTheirStoresWithTheirTrust) {
  TCryptoapi api;
  platform::SetLastError(0);
  ASSERT_TRUE(api.Install(RecordOf(root_), u"Root"));
  ASSERT_TRUE(api.Install(RecordOf(intermediate_), u"CA"));
  // A successful add leaves the thread's error as it was.
  EXPECT_EQ(api.lastError, 0u);

  EXPECT_THAT(Listed(), UnorderedElementsAre(CertutilEntry{"Corvane Test Root R1", "CT,C,C"},
                                             CertutilEntry{"Corvane Test Intermediate", ",,"}));
  EXPECT_EQ(RecordOf(root_).IsInstalled(u"Root"), 1);
  EXPECT_EQ(RecordOf(root_).IsInstalled(u"CA"), 0);
  EXPECT_EQ(RecordOf(intermediate_).IsInstalled(u"CA"), 1);
  EXPECT_EQ(RecordOf(intermediate_).IsInstalled(u"Root"), 0);
  EXPECT_EQ(RecordOf(intermediate_).IsInstalled(u"MY"), 0);
}

TEST_F(StoreOperations, InstallingAgainMakesNoSecondCopy) {
  TCryptoapi api;
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(api.Install(RecordOf(root_), u"Root"));
    ASSERT_TRUE(api.Install(RecordOf(intermediate_), u"CA"));
  }
  EXPECT_THAT(Listed(), UnorderedElementsAre(CertutilEntry{"Corvane Test Root R1", "CT,C,C"},
                                             CertutilEntry{"Corvane Test Intermediate", ",,"}));
}

TEST_F(StoreOperations, InstallingIntoTheOtherStoreMovesTheCertificate) {
  TCryptoapi api;
  ASSERT_TRUE(api.Install(RecordOf(root_), u"CA"));
  ASSERT_TRUE(api.Install(RecordOf(root_), u"Root"));
  EXPECT_THAT(Listed(), ElementsAre(CertutilEntry{"Corvane Test Root R1", "CT,C,C"}));
  EXPECT_EQ(RecordOf(root_).IsInstalled(u"CA"), 0);
}

TEST_F(StoreOperations, UninstallRemovesTheCertificate) {
  TCryptoapi api;
  ASSERT_TRUE(api.Install(RecordOf(root_), u"Root"));
  ASSERT_TRUE(api.Install(RecordOf(intermediate_), u"CA"));

  EXPECT_TRUE(api.Uninstall(RecordOf(root_), u"Root"));
  EXPECT_THAT(Listed(), ElementsAre(CertutilEntry{"Corvane Test Intermediate", ",,"}));
  EXPECT_EQ(RecordOf(root_).IsInstalled(u"Root"), 0);

  EXPECT_TRUE(api.Uninstall(RecordOf(intermediate_), u"CA"));
  EXPECT_THAT(Listed(), IsEmpty());
}

TEST_F(StoreOperations, UninstallOfAnAbsentCertificateFailsWithNotFound) {
  TCryptoapi api;
  // No database at all: nothing is created by trying.
  EXPECT_FALSE(api.Uninstall(RecordOf(root_), u"Root"));
  EXPECT_EQ(api.lastError, platform::kCryptENotFound);
  EXPECT_EQ(platform::GetLastError(), platform::kCryptENotFound);
  EXPECT_FALSE(DatabaseFolderExists());

  // A database that holds other certificates, and one that holds it in the other store.
  ASSERT_TRUE(api.Install(RecordOf(intermediate_), u"CA"));
  api.lastError = 0;
  EXPECT_FALSE(api.Uninstall(RecordOf(root_), u"Root"));
  EXPECT_EQ(api.lastError, platform::kCryptENotFound);
  EXPECT_EQ(platform::GetLastError(), platform::kCryptENotFound);
  EXPECT_THAT(Listed(), ElementsAre(CertutilEntry{"Corvane Test Intermediate", ",,"}));
}

// The copy that a kill between an install's import and its trust change leaves behind: it reads
// as not installed, an install gives it its trust, an uninstall removes it whatever its trust.
TEST_F(StoreOperations, CopyWithTheWrongTrustIsRepairedAndRemoved) {
  TCryptoapi api;
  ASSERT_TRUE(api.Install(RecordOf(intermediate_), u"CA"));
  const std::string dir = home_.XdgDatabaseDir();
  const std::string der = home_.Path() + "/root.der";
  corvane_test::WriteFile(der, std::string(root_.der.begin(), root_.der.end()));
  const auto leaveUntrustedCopy = [&] {
    ASSERT_TRUE(corvane_test::Certutil(dir, {"-A", "-n", "Left Behind", "-t", ",,", "-i", der}));
  };

  leaveUntrustedCopy();
  EXPECT_EQ(RecordOf(root_).IsInstalled(u"Root"), 0);
  ASSERT_TRUE(api.Uninstall(RecordOf(root_), u"Root"));
  EXPECT_THAT(Listed(), ElementsAre(CertutilEntry{"Corvane Test Intermediate", ",,"}));

  leaveUntrustedCopy();
  ASSERT_TRUE(api.Install(RecordOf(root_), u"Root"));
  EXPECT_THAT(Listed(), UnorderedElementsAre(CertutilEntry{"Left Behind", "CT,C,C"},
                                             CertutilEntry{"Corvane Test Intermediate", ",,"}));

  // The other way round: an intermediate that another program trusted as an authority.
  ASSERT_TRUE(corvane_test::Certutil(dir, {"-M", "-n", "Corvane Test Intermediate", "-t", "C,,"}));
  EXPECT_EQ(RecordOf(intermediate_).IsInstalled(u"CA"), 0);
  ASSERT_TRUE(api.Uninstall(RecordOf(intermediate_), u"CA"));
  EXPECT_THAT(Listed(), ElementsAre(CertutilEntry{"Left Behind", "CT,C,C"}));
}

TEST_F(StoreOperations, SameSubjectWithAnotherKeyIsKeptApart) {
  const TestCertificate renewed = MakeTestCertificate({.commonName = "Corvane Test Root R1"});
  TCryptoapi api;
  ASSERT_TRUE(api.Install(RecordOf(renewed), u"Root"));

  EXPECT_FALSE(api.Uninstall(RecordOf(root_), u"Root"));
  EXPECT_EQ(api.lastError, platform::kCryptENotFound);
  EXPECT_THAT(Listed(), ElementsAre(CertutilEntry{"Corvane Test Root R1", "CT,C,C"}));

  // Both can be installed; the second gets a nickname of its own.
  ASSERT_TRUE(api.Install(RecordOf(root_), u"Root"));
  EXPECT_THAT(Listed(), UnorderedElementsAre(CertutilEntry{"Corvane Test Root R1", "CT,C,C"},
                                             CertutilEntry{"Corvane Test Root R1 #2", "CT,C,C"}));
  ASSERT_TRUE(api.Uninstall(RecordOf(root_), u"Root"));
  EXPECT_EQ(RecordOf(renewed).IsInstalled(u"Root"), 1);
}

TEST_F(StoreOperations, OnlyTheExactNameRootKeepsTheStoredCopysNickname) {
  const std::string dir = home_.XdgDatabaseDir();
  std::filesystem::create_directories(dir);
  corvane_test::WriteFile(home_.Path() + "/root.pem", root_.certPem);
  ASSERT_TRUE(corvane_test::Certutil(dir, {"-N", "--empty-password"}));
  ASSERT_TRUE(corvane_test::Certutil(
      dir, {"-A", "-n", "Named by the user", "-t", ",,", "-i", home_.Path() + "/root.pem"}));

  TCryptoapi api;
  ASSERT_TRUE(api.Install(RecordOf(root_), u"Root"));
  EXPECT_THAT(Listed(), ElementsAre(CertutilEntry{"Named by the user", "CT,C,C"}));

  // Another spelling opens the same store but replaces the stored copy's properties.
  ASSERT_TRUE(api.Install(RecordOf(root_), u"root"));
  EXPECT_THAT(Listed(), ElementsAre(CertutilEntry{"Corvane Test Root R1", "CT,C,C"}));
  EXPECT_EQ(RecordOf(root_).IsInstalled(u"ROOT"), 1);
  EXPECT_TRUE(api.Uninstall(RecordOf(root_), u"rOOt"));
}

TEST_F(StoreOperations, UnknownStoreNamesFailAndCreateNothing) {
  for (const std::u16string name : {u"Nonexistent", u"", u"Root ", u"CAs"}) {
    TCryptoapi api;
    platform::SetLastError(0);
    EXPECT_FALSE(api.Install(RecordOf(root_), name));
    EXPECT_EQ(api.lastError, platform::kErrorFileNotFound);
    EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);
    EXPECT_EQ(RecordOf(root_).IsInstalled(name), 0);
    EXPECT_FALSE(api.Uninstall(RecordOf(root_), name));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);
  }
  EXPECT_FALSE(DatabaseFolderExists());
}

TEST_F(StoreOperations, SeesChangesMadeByAnotherProgramAtOnce) {
  TCryptoapi api;
  ASSERT_TRUE(api.Install(RecordOf(root_), u"Root"));
  ASSERT_EQ(RecordOf(intermediate_).IsInstalled(u"CA"), 0);

  const std::string dir = home_.XdgDatabaseDir();
  corvane_test::WriteFile(home_.Path() + "/intermediate.pem", intermediate_.certPem);
  ASSERT_TRUE(corvane_test::Certutil(
      dir, {"-A", "-n", "added elsewhere", "-t", ",,", "-i", home_.Path() + "/intermediate.pem"}));
  ASSERT_TRUE(corvane_test::Certutil(dir, {"-D", "-n", "Corvane Test Root R1"}));

  EXPECT_EQ(RecordOf(intermediate_).IsInstalled(u"CA"), 1);
  EXPECT_EQ(RecordOf(root_).IsInstalled(u"Root"), 0);
}

TEST(StoreContext, IsRebuiltFromDerOrElseFromPemText) {
  const TestCertificate certificate = MakeTestCertificate({.commonName = "Corvane Context"});
  TCertDetails record;
  EXPECT_EQ(record.CreateContext(), nullptr);

  // PEM text with words around the block, as a catalogue text may have.
  record.pemText = ToWide("Issued for tests\n" + certificate.certPem + "trailing words\n");
  platform::CertContextPtr context = record.CreateContext();
  ASSERT_NE(context, nullptr);
  EXPECT_EQ(context->encoded, certificate.der);
  EXPECT_FALSE(context->keyProvInfo.has_value());

  // The DER bytes win over the text.
  record.pemText = u"-----BEGIN CERTIFICATE-----\nnot base64 at all\n-----END CERTIFICATE-----\n";
  EXPECT_EQ(record.CreateContext(), nullptr);
  record.certEncoded = certificate.der;
  ASSERT_NE(record.CreateContext(), nullptr);

  record.certEncoded = {0x30, 0x03, 0x02, 0x01, 0x01};
  EXPECT_EQ(record.CreateContext(), nullptr);
}

TEST(StoreContext, InstallWithoutAContextLeavesLastErrorAlone) {
  corvane_test::ScopedTestHome home;
  TCertDetails record;
  record.pemText = u"no certificate here";
  TCryptoapi api;
  api.lastError = 1234;
  EXPECT_FALSE(api.Install(record, u"Root"));
  EXPECT_EQ(api.lastError, 1234u);
  EXPECT_EQ(record.IsInstalled(u"Root"), 0);
}

TEST(StoreContext, KeyProviderIsAttachedOnlyWithProviderContainerAndSpec) {
  const TestCertificate certificate = MakeTestCertificate({.commonName = "Corvane Key Link"});
  TCertDetails record;
  record.certEncoded = certificate.der;
  record.keyProvName = u"NSS Certificate DB";
  record.keyContainerName = u"Corvane Key Link";
  record.keyProvType = 1;
  record.keySpec = 2;

  platform::CertContextPtr context = record.CreateContext();
  ASSERT_NE(context, nullptr);
  ASSERT_TRUE(context->keyProvInfo.has_value());
  EXPECT_EQ(context->keyProvInfo->provName, u"NSS Certificate DB");
  EXPECT_EQ(context->keyProvInfo->containerName, u"Corvane Key Link");
  EXPECT_EQ(context->keyProvInfo->provType, 1u);
  EXPECT_EQ(context->keyProvInfo->flags, 0u);
  EXPECT_EQ(context->keyProvInfo->keySpec, 2u);

  for (auto clear : {+[](TCertDetails& r) { r.keyProvName.clear(); },
                     +[](TCertDetails& r) { r.keyContainerName.clear(); },
                     +[](TCertDetails& r) { r.keySpec = 0; }}) {
    TCertDetails partial = record;
    clear(partial);
    platform::CertContext bare;
    EXPECT_EQ(AttachKeyProvInfo(bare, partial), 0);
    EXPECT_FALSE(bare.keyProvInfo.has_value());
  }
}

}  // namespace
