// Where the user's database is, that reading never creates it, and how the first add makes it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "crypto/cryptoapi.h"
#include "platform/cert_store.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/user_cert_database.h"
#include "tests/support/store_test_home.h"
#include "tests/support/store_test_pki.h"

namespace {

namespace fs = std::filesystem;
using corvane_test::CertutilEntry;
using corvane_test::MakeTestCertificate;
using corvane_test::TestCertificate;
using ::testing::ElementsAre;

TCertDetails RecordOf(const TestCertificate& certificate) {
  TCertDetails record;
  record.certEncoded = certificate.der;
  return record;
}

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

class StoreDatabase : public ::testing::Test {
 protected:
  corvane_test::ScopedTestHome home_;
  const TestCertificate root_ = MakeTestCertificate({.commonName = "Corvane Database Root"});
};

TEST_F(StoreDatabase, FolderIsTheLegacyOneWhenItExistsElseTheDataHomeOne) {
  EXPECT_EQ(platform::UserCertDatabaseDir(), home_.XdgDatabaseDir());

  ::setenv("XDG_DATA_HOME", "/elsewhere/data", 1);
  EXPECT_EQ(platform::UserCertDatabaseDir(), "/elsewhere/data/pki/nssdb");
  // Relative or empty values do not count.
  ::setenv("XDG_DATA_HOME", "relative/data", 1);
  EXPECT_EQ(platform::UserCertDatabaseDir(), home_.Path() + "/.local/share/pki/nssdb");
  ::unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(platform::UserCertDatabaseDir(), home_.Path() + "/.local/share/pki/nssdb");

  // An empty legacy folder is enough.
  fs::create_directories(home_.LegacyDatabaseDir());
  EXPECT_EQ(platform::UserCertDatabaseDir(), home_.LegacyDatabaseDir());
}

TEST_F(StoreDatabase, ReadingWithoutADatabaseFindsNothingAndCreatesNothing) {
  for (const std::u16string name : {u"Root", u"CA", u"MY", u"my"}) {
    std::unique_ptr<platform::CertStore> store = platform::CertStore::OpenSystemStore(name);
    ASSERT_NE(store, nullptr);
    EXPECT_TRUE(store->Enumerate().empty());
    platform::CertContext context;
    context.encoded = root_.der;
    EXPECT_EQ(store->FindExisting(context), nullptr);
    EXPECT_EQ(platform::GetLastError(), platform::kCryptENotFound);
    EXPECT_EQ(RecordOf(root_).IsInstalled(name), 0);
  }
  // Adding to "MY" needs a private key in the database, so it does not make one either.
  std::unique_ptr<platform::CertStore> personal = platform::CertStore::OpenSystemStore(u"MY");
  platform::CertContext context;
  context.encoded = root_.der;
  EXPECT_FALSE(personal->Add(context, platform::AddDisposition::kReplaceExisting));
  EXPECT_EQ(platform::GetLastError(), platform::kCryptENotFound);

  EXPECT_TRUE(fs::is_empty(home_.Path()));
}

TEST_F(StoreDatabase, FirstAddCreatesAPrivatePasswordlessDatabase) {
  TCryptoapi api;
  ASSERT_TRUE(api.Install(RecordOf(root_), u"Root"));

  const std::string dir = home_.XdgDatabaseDir();
  for (const char* file : {"/cert9.db", "/key4.db", "/pkcs11.txt"}) {
    EXPECT_TRUE(fs::is_regular_file(dir + file)) << file;
  }
  EXPECT_EQ(ModeOf(dir), 0700u);
  EXPECT_EQ(ModeOf(home_.Path() + "/.local/share/pki"), 0700u);
  EXPECT_THAT(corvane_test::CertutilList(dir),
              ElementsAre(CertutilEntry{"Corvane Database Root", "CT,C,C"}));

  // No password: certutil changes the database without being given one.
  std::string output;
  EXPECT_TRUE(
      corvane_test::Certutil(dir, {"-M", "-n", "Corvane Database Root", "-t", "C,,"}, &output))
      << output;
  // An empty password file opens the key database: certutil gets as far as finding no keys.
  corvane_test::Certutil(dir, {"-K", "-f", "/dev/null"}, &output);
  EXPECT_THAT(output, ::testing::HasSubstr("no keys found"));
}

TEST_F(StoreDatabase, AddUsesAnExistingEmptyLegacyFolder) {
  fs::create_directories(home_.LegacyDatabaseDir());
  TCryptoapi api;
  ASSERT_TRUE(api.Install(RecordOf(root_), u"Root"));

  EXPECT_TRUE(fs::is_regular_file(home_.LegacyDatabaseDir() + "/cert9.db"));
  EXPECT_FALSE(fs::exists(home_.Path() + "/.local"));
  EXPECT_THAT(corvane_test::CertutilList(home_.LegacyDatabaseDir()),
              ElementsAre(CertutilEntry{"Corvane Database Root", "CT,C,C"}));
}

TEST_F(StoreDatabase, FollowsTheEnvironmentWhileOpen) {
  TCryptoapi api;
  ASSERT_TRUE(api.Install(RecordOf(root_), u"Root"));
  ASSERT_EQ(RecordOf(root_).IsInstalled(u"Root"), 1);

  // Another data folder while the first database is open: used from the next operation on.
  const std::string otherData = home_.Path() + "/other-data";
  ::setenv("XDG_DATA_HOME", otherData.c_str(), 1);
  EXPECT_EQ(RecordOf(root_).IsInstalled(u"Root"), 0);
  EXPECT_FALSE(fs::exists(otherData));

  ::setenv("XDG_DATA_HOME", (home_.Path() + "/.local/share").c_str(), 1);
  EXPECT_EQ(RecordOf(root_).IsInstalled(u"Root"), 1);
}

}  // namespace
