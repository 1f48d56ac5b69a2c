// The user's database when something else has it: another program holding it locked, a writer
// killed in the middle of a change, a password, files that cannot be read. Each ends in a clear
// answer, never in "not installed" for a store that was not read, nor in a half-done change.
#include <gmock/gmock.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "crypto/cryptoapi.h"
#include "crypto/installed_state.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/user_cert_database.h"
#include "tests/support/sqlite_test_files.h"
#include "tests/support/store_test_home.h"
#include "tests/support/store_test_pki.h"

namespace {

namespace fs = std::filesystem;
using corvane_test::CertutilEntry;
using corvane_test::MakeTestCertificate;
using corvane_test::TestCertificate;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;

TCertDetails RecordOf(const TestCertificate& certificate) {
  TCertDetails record;
  record.certEncoded = certificate.der;
  return record;
}

class StoreConflicts : public ::testing::Test {
 protected:
  void InstallBoth() {
    TCryptoapi api;
    ASSERT_TRUE(api.Install(RecordOf(root_), u"Root"));
    ASSERT_TRUE(api.Install(RecordOf(intermediate_), u"CA"));
    platform::CloseUserCertDatabase();
  }
  std::vector<CertutilEntry> Listed() const { return corvane_test::CertutilList(dir_); }
  std::vector<CertutilEntry> Both() const {
    return {{"Corvane Conflict Root", "CT,C,C"}, {"Corvane Conflict Intermediate", ",,"}};
  }

  corvane_test::ScopedTestHome home_;
  const std::string dir_ = home_.XdgDatabaseDir();
  const TestCertificate root_ = MakeTestCertificate({.commonName = "Corvane Conflict Root"});
  const TestCertificate intermediate_ =
      MakeTestCertificate({.commonName = "Corvane Conflict Intermediate", .issuer = &root_});
};

TEST_F(StoreConflicts, KilledWritersJournalIsRolledBackWithEveryCertificateIntact) {
  InstallBoth();
  ASSERT_TRUE(corvane_test::KillWriterInTheMiddle(dir_ + "/cert9.db"));

  EXPECT_EQ(LookUpInstalledState(RecordOf(root_), u"Root"), InstalledState::kInstalled);
  EXPECT_EQ(LookUpInstalledState(RecordOf(intermediate_), u"CA"), InstalledState::kInstalled);
  EXPECT_FALSE(fs::exists(dir_ + "/cert9.db-journal"));
  EXPECT_EQ(corvane_test::IntegrityCheck(dir_ + "/cert9.db"), "ok");
  EXPECT_THAT(Listed(), UnorderedElementsAre(Both()[0], Both()[1]));
}

TEST_F(StoreConflicts, LockHeldByAnotherProgramFailsSoonSayingSoAndChangesNothing) {
  TCryptoapi api;
  ASSERT_TRUE(api.Install(RecordOf(root_), u"Root"));
  platform::CloseUserCertDatabase();
  const auto start = std::chrono::steady_clock::now();
  {
    corvane_test::SqliteLockHolder holder(dir_ + "/cert9.db");
    ASSERT_TRUE(holder.Holding());
    EXPECT_EQ(LookUpInstalledState(RecordOf(root_), u"Root"), InstalledState::kUnreadable);
    EXPECT_EQ(platform::GetLastError(), platform::kErrorDatabaseInUse);
    EXPECT_FALSE(api.Install(RecordOf(intermediate_), u"CA"));
    EXPECT_EQ(api.lastError, platform::kErrorDatabaseInUse);
    EXPECT_FALSE(api.Uninstall(RecordOf(root_), u"Root"));
    EXPECT_EQ(api.lastError, platform::kErrorDatabaseInUse);
  }
  // Three operations that each give up after a few seconds, not a minute each.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  EXPECT_THAT(Listed(), UnorderedElementsAre(Both()[0]));
}

TEST_F(StoreConflicts, PasswordProtectedDatabaseIsReadButNotChanged) {
  fs::create_directories(dir_);
  const std::string password = home_.Path() + "/password";
  corvane_test::WriteFile(password, "secret\n");
  ASSERT_TRUE(corvane_test::Certutil(dir_, {"-N", "-f", password}));
  const std::string der = home_.Path() + "/root.der";
  corvane_test::WriteFile(der, std::string(root_.der.begin(), root_.der.end()));
  ASSERT_TRUE(corvane_test::Certutil(
      dir_, {"-A", "-n", "Corvane Conflict Root", "-t", "CT,C,C", "-i", der, "-f", password}));

  EXPECT_EQ(LookUpInstalledState(RecordOf(root_), u"Root"), InstalledState::kInstalled);
  TCryptoapi api;
  EXPECT_FALSE(api.Install(RecordOf(intermediate_), u"CA"));
  EXPECT_EQ(api.lastError, platform::kErrorDatabasePasswordNeeded);
  EXPECT_FALSE(api.Uninstall(RecordOf(root_), u"Root"));
  EXPECT_EQ(api.lastError, platform::kErrorDatabasePasswordNeeded);
  EXPECT_THAT(Listed(), UnorderedElementsAre(Both()[0]));
}

// What the lookup of a certificate makes of databases that cannot be read, in a child process
// (that may drop root's rights, which ignore permissions).
std::string LookUpAs(bool dropRights, const TestCertificate& certificate) {
  if (dropRights &&
      (::setgroups(0, nullptr) != 0 || ::setresgid(kNoGroup, kNoGroup, kNoGroup) != 0 ||
       ::setresuid(kNobody, kNobody, kNobody) != 0)) {
    return "cannot drop privileges";
  }
  const InstalledState state = LookUpInstalledState(RecordOf(certificate), u"Root");
  return std::to_string(static_cast<int>(state)) + " " + std::to_string(platform::GetLastError());
}

TEST_F(StoreConflicts, DatabasesThatCannotBeReadAreErrorsButAMissingOneIsEmpty) {
  EXPECT_EQ(LookUpInstalledState(RecordOf(root_), u"Root"), InstalledState::kNotInstalled);
  EXPECT_FALSE(fs::exists(dir_));

  InstallBoth();
  const std::string expectedFailure = [](std::uint32_t code) {
    return std::to_string(static_cast<int>(InstalledState::kUnreadable)) + " " +
           std::to_string(code);
  }(platform::kErrorAccessDenied);
  for (std::string path = dir_; path.size() >= home_.Path().size();
       path = fs::path(path).parent_path().string()) {
    ::chmod(path.c_str(), 0755);
  }
  ::chmod((dir_ + "/cert9.db").c_str(), 0);
  const corvane_test::ChildResult unreadable = corvane_test::RunInChild(
      [&] { return LookUpAs(::geteuid() == 0, root_); }, std::chrono::seconds(60));
  ::chmod((dir_ + "/cert9.db").c_str(), 0600);
  EXPECT_EQ(unreadable.output, expectedFailure);

  fs::rename(dir_ + "/key4.db", home_.Path() + "/key4.db");
  EXPECT_EQ(LookUpInstalledState(RecordOf(root_), u"Root"), InstalledState::kUnreadable);
  EXPECT_EQ(platform::GetLastError(), platform::kErrorDatabaseIncomplete);
  fs::rename(home_.Path() + "/key4.db", dir_ + "/key4.db");

  platform::CloseUserCertDatabase();
  fs::resize_file(dir_ + "/cert9.db", 3 * 4096);
  EXPECT_EQ(LookUpInstalledState(RecordOf(root_), u"Root"), InstalledState::kUnreadable);
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFileCorrupt);
}

}  // namespace
