// Installing and uninstalling across the user's set of databases: the shared one and two browser
// profiles, one of them protected by a password. certutil is the witness of every database.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <deque>
#include <filesystem>
#include <optional>
#include <string>

#include "crypto/cryptoapi.h"
#include "crypto/installed_state.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/password_source.h"
#include "tests/support/store_test_home.h"
#include "tests/support/store_test_pki.h"

namespace {

namespace fs = std::filesystem;
using corvane_test::CertutilEntry;
using corvane_test::MakeTestCertificate;
using corvane_test::TestCertificate;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char kPassword[] = "Pr\u00edmary pa$$word";

TCertDetails RecordOf(const TestCertificate& certificate) {
  TCertDetails record;
  record.certEncoded = certificate.der;
  return record;
}

// Answers password requests in turn from a list (none = Cancel), recording each.
class ScriptedPasswords final : public platform::PasswordSource {
 public:
  ScriptedPasswords() { platform::SetPasswordSource(this); }
  ~ScriptedPasswords() override { platform::SetPasswordSource(nullptr); }

  std::optional<platform::SecretText> AskPassword(const platform::CertDatabase& database,
                                                  int attempt) override {
    asked.push_back(
        {std::string(database.displayName.begin(), database.displayName.end()), attempt});
    if (answers.empty() || !answers.front()) {
      return std::nullopt;
    }
    platform::SecretText answer(*answers.front());
    answers.pop_front();
    return answer;
  }

  std::deque<std::optional<std::string>> answers;
  std::vector<std::pair<std::string, int>> asked;
};

class StoreSet : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string profiles = home_.Path() + "/.mozilla/firefox";
    firefox_ = profiles + "/a.default-release";
    locked_ = profiles + "/b.locked";
    fs::create_directories(firefox_);
    fs::create_directories(locked_);
    corvane_test::WriteFile(
        profiles + "/profiles.ini",
        "[Profile0]\nName=default-release\nIsRelative=1\nPath=a.default-release\n"
        "\n[Profile1]\nName=locked\nIsRelative=1\nPath=b.locked\n");
    ASSERT_TRUE(corvane_test::Certutil(firefox_, {"-N", "--empty-password"}));
    passwordFile_ = home_.Path() + "/password";
    corvane_test::WriteFile(passwordFile_, std::string(kPassword) + "\n");
    ASSERT_TRUE(corvane_test::Certutil(locked_, {"-N", "-f", passwordFile_}));
    shared_ = home_.XdgDatabaseDir();
    fs::create_directories(shared_);
    ASSERT_TRUE(corvane_test::Certutil(shared_, {"-N", "--empty-password"}));
  }

  std::vector<CertutilEntry> Listed(const std::string& dir) const {
    return corvane_test::CertutilList(dir);
  }
  // Puts the root into one database only, as another program might.
  void AddWithCertutil(const std::string& dir) {
    corvane_test::WriteFile(home_.Path() + "/root.pem", root_.certPem);
    std::vector<std::string> arguments{"-A",     "-n", "Added elsewhere",         "-t",
                                       "CT,C,C", "-i", home_.Path() + "/root.pem"};
    if (dir == locked_) {
      arguments.insert(arguments.end(), {"-f", passwordFile_});
    }
    ASSERT_TRUE(corvane_test::Certutil(dir, arguments));
  }

  corvane_test::ScopedTestHome home_;
  std::string shared_;
  std::string firefox_;
  std::string locked_;
  std::string passwordFile_;
  const TestCertificate root_ = MakeTestCertificate({.commonName = "Corvane Set Root"});
};

TEST_F(StoreSet, InstallReachesEveryDatabaseAndUninstallLeavesNone) {
  ScriptedPasswords passwords;
  passwords.answers = {kPassword, kPassword};
  TCryptoapi api;
  ASSERT_TRUE(api.Install(RecordOf(root_), u"Root")) << api.lastError;
  const CertutilEntry installed{"Corvane Set Root", "CT,C,C"};
  for (const std::string& dir : {shared_, firefox_, locked_}) {
    EXPECT_THAT(Listed(dir), ElementsAre(installed)) << dir;
  }
  EXPECT_EQ(RecordOf(root_).IsInstalled(u"Root"), 1);
  // Asked once, for the one database with a password.
  EXPECT_THAT(passwords.asked, ElementsAre(std::pair<std::string, int>{"Firefox: locked", 1}));

  ASSERT_TRUE(api.Uninstall(RecordOf(root_), u"Root")) << api.lastError;
  for (const std::string& dir : {shared_, firefox_, locked_}) {
    EXPECT_THAT(Listed(dir), IsEmpty()) << dir;
  }
  EXPECT_EQ(RecordOf(root_).IsInstalled(u"Root"), 0);
}

TEST_F(StoreSet, PresentInSomeDatabasesIsPartialAndInstallCompletesIt) {
  AddWithCertutil(firefox_);
  AddWithCertutil(locked_);
  const TCertDetails record = RecordOf(root_);
  const StorePresence presence = LookUpPresence({&record}, u"Root");
  ASSERT_EQ(presence.error, 0u);
  EXPECT_THAT(presence.present[0], ElementsAre(false, true, true));
  EXPECT_EQ(presence.StateOf(0), InstalledState::kPartial);
  ASSERT_EQ(presence.Lacking(0).size(), 1u);
  EXPECT_EQ(presence.Lacking(0).front().displayName, u"Shared (Chromium, GNOME programs)");

  // Only the shared database changes, so no password is needed.
  ScriptedPasswords passwords;
  TCryptoapi api;
  ASSERT_TRUE(api.Install(record, u"Root")) << api.lastError;
  EXPECT_THAT(passwords.asked, IsEmpty());
  EXPECT_THAT(Listed(shared_), ElementsAre(CertutilEntry{"Corvane Set Root", "CT,C,C"}));
  EXPECT_THAT(Listed(firefox_), ElementsAre(CertutilEntry{"Added elsewhere", "CT,C,C"}));
  EXPECT_EQ(record.IsInstalled(u"Root"), 1);
}

TEST_F(StoreSet, WrongPasswordsOrCancelChangeNothingAnywhere) {
  {
    ScriptedPasswords passwords;
    passwords.answers = {"wrong", "also wrong", "still wrong", kPassword};
    TCryptoapi api;
    EXPECT_FALSE(api.Install(RecordOf(root_), u"Root"));
    EXPECT_NE(api.lastError, 0u);
    EXPECT_EQ(platform::GetLastError(), api.lastError);
    EXPECT_TRUE(api.lastDatabase.starts_with(u"Firefox: locked (")) << api.lastError;
    EXPECT_THAT(passwords.asked, ElementsAre(std::pair<std::string, int>{"Firefox: locked", 1},
                                             std::pair<std::string, int>{"Firefox: locked", 2},
                                             std::pair<std::string, int>{"Firefox: locked", 3}));
  }
  {
    ScriptedPasswords cancel;
    TCryptoapi api;
    EXPECT_FALSE(api.Install(RecordOf(root_), u"Root"));
    EXPECT_EQ(api.lastError, platform::kErrorCancelled);
  }
  for (const std::string& dir : {shared_, firefox_, locked_}) {
    EXPECT_THAT(Listed(dir), IsEmpty()) << dir;
  }

  // Nor does a cancelled uninstall: the root stays in every database.
  AddWithCertutil(shared_);
  AddWithCertutil(firefox_);
  AddWithCertutil(locked_);
  ScriptedPasswords cancel;
  TCryptoapi api;
  EXPECT_FALSE(api.Uninstall(RecordOf(root_), u"Root"));
  EXPECT_EQ(api.lastError, platform::kErrorCancelled);
  for (const std::string& dir : {shared_, firefox_, locked_}) {
    EXPECT_THAT(Listed(dir), ElementsAre(CertutilEntry{"Added elsewhere", "CT,C,C"})) << dir;
  }
}

// One operation for several certificates: each database is asked for its password once.
TEST_F(StoreSet, SeveralCertificatesAreOneOperationWithOnePasswordPerDatabase) {
  const TestCertificate second = MakeTestCertificate({.commonName = "Corvane Set Root 2"});
  const TCertDetails first = RecordOf(root_);
  const TCertDetails other = RecordOf(second);
  std::vector<StoreChangeItem> items{{&first, u"Root"}, {&other, u"Root"}};
  ScriptedPasswords passwords;
  passwords.answers = {kPassword};
  TCryptoapi api;
  ASSERT_TRUE(api.InstallAll(items)) << api.lastError;
  EXPECT_THAT(passwords.asked, ElementsAre(std::pair<std::string, int>{"Firefox: locked", 1}));
  for (const std::string& dir : {shared_, firefox_, locked_}) {
    EXPECT_EQ(Listed(dir).size(), 2u) << dir;
  }

  passwords.answers = {kPassword};
  passwords.asked.clear();
  ASSERT_TRUE(api.UninstallAll(items)) << api.lastError;
  EXPECT_EQ(passwords.asked.size(), 1u);
  for (const std::string& dir : {shared_, firefox_, locked_}) {
    EXPECT_THAT(Listed(dir), IsEmpty()) << dir;
  }
}

// A damaged profile database: the look-up names it (not the healthy shared one), every row is
// unknown, and what the readable databases hold is still known.
TEST_F(StoreSet, UnreadableDatabaseIsNamedAndLeavesTheStateUnknown) {
  AddWithCertutil(shared_);
  corvane_test::WriteFile(firefox_ + "/cert9.db", std::string(4096, 'x'));
  const TCertDetails record = RecordOf(root_);
  const StorePresence presence = LookUpPresence({&record}, u"Root");
  EXPECT_NE(presence.error, 0u);
  EXPECT_EQ(
      presence.unreadableDatabase,
      u"Firefox: default-release (" + std::u16string(firefox_.begin(), firefox_.end()) + u")");
  EXPECT_EQ(presence.StateOf(0), InstalledState::kUnreadable);
  ASSERT_EQ(presence.Holding(0).size(), 1u);
  EXPECT_EQ(presence.Holding(0).front().kind, platform::CertDatabaseKind::kShared);
  EXPECT_THAT(presence.UnreadableNames(), ElementsAre(u"Firefox: default-release"));

  // Nothing changes anywhere while one database of the set cannot be read.
  ScriptedPasswords passwords;
  passwords.answers = {kPassword};
  TCryptoapi api;
  EXPECT_FALSE(api.Uninstall(record, u"Root"));
  EXPECT_TRUE(api.lastDatabase.starts_with(u"Firefox: default-release (")) << api.lastError;
  EXPECT_EQ(Listed(shared_).size(), 1u);
}

// Run as the administrator, a database that belongs to another account is left alone, and the
// refusal comes before any database changes.
TEST_F(StoreSet, AdministratorLeavesAnotherAccountsDatabaseAlone) {
  if (::geteuid() != 0) {
    GTEST_SKIP() << "needs the administrator";
  }
  ASSERT_EQ(::chown(firefox_.c_str(), 65534, 65534), 0);
  ScriptedPasswords passwords;
  passwords.answers = {kPassword};
  TCryptoapi api;
  EXPECT_FALSE(api.Install(RecordOf(root_), u"Root"));
  EXPECT_EQ(api.lastError, platform::kErrorDatabaseOwnedByOther);
  EXPECT_TRUE(api.lastDatabase.starts_with(u"Firefox: default-release (")) << api.lastError;
  EXPECT_TRUE(api.lastDatabase.ends_with(u", which belongs to nobody"));
  for (const std::string& dir : {shared_, firefox_, locked_}) {
    EXPECT_THAT(Listed(dir), IsEmpty()) << dir;
  }
}

}  // namespace
