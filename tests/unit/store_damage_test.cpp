// Databases that cannot be written or are damaged: every operation ends with an error code, never
// a hang or a crash, and nothing reports success while the database stays as it was. Each case
// runs in a child process with a time limit, so that a regression fails instead of hanging.
#include <gmock/gmock.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "crypto/cryptoapi.h"
#include "platform/cert_store.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/linux/nss_database.h"
#include "platform/user_cert_database.h"
#include "tests/support/store_test_home.h"
#include "tests/support/store_test_pki.h"

namespace {

namespace fs = std::filesystem;
using corvane_test::CertutilEntry;
using corvane_test::MakeTestCertificate;
using corvane_test::TestCertificate;
using ::testing::ElementsAre;

// Generous: the sanitizer build is slow; a hang is what this limit is for.
constexpr auto kChildTimeout = std::chrono::seconds(60);
constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;

TCertDetails RecordOf(const TestCertificate& certificate) {
  TCertDetails record;
  record.certEncoded = certificate.der;
  return record;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string RandomBytes(std::size_t count, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(count, '\0');
  for (char& byte : bytes) {
    byte = static_cast<char>(generator() & 0xFF);
  }
  return bytes;
}

// What an install of one certificate and an uninstall of another did, as the child reports it.
struct Outcome {
  int installed = -1;
  std::uint32_t installError = 0;
  std::uint32_t installThreadError = 0;
  int uninstalled = -1;
  std::uint32_t uninstallError = 0;
  std::uint32_t uninstallThreadError = 0;
  int present = -1;  // IsInstalled of the uninstalled certificate afterwards
};

std::string InstallThenUninstall(const TestCertificate& toInstall,
                                 const TestCertificate& toUninstall, const std::u16string& store) {
  Outcome outcome;
  TCryptoapi installer;
  outcome.installed = installer.Install(RecordOf(toInstall), store);
  outcome.installError = installer.lastError;
  outcome.installThreadError = platform::GetLastError();
  TCryptoapi remover;
  outcome.uninstalled = remover.Uninstall(RecordOf(toUninstall), store);
  outcome.uninstallError = remover.lastError;
  outcome.uninstallThreadError = platform::GetLastError();
  outcome.present = RecordOf(toUninstall).IsInstalled(store);
  std::ostringstream text;
  text << outcome.installed << ' ' << outcome.installError << ' ' << outcome.installThreadError
       << ' ' << outcome.uninstalled << ' ' << outcome.uninstallError << ' '
       << outcome.uninstallThreadError << ' ' << outcome.present;
  return text.str();
}

Outcome ParseOutcome(const std::string& text) {
  Outcome outcome;
  std::istringstream fields(text);
  fields >> outcome.installed >> outcome.installError >> outcome.installThreadError >>
      outcome.uninstalled >> outcome.uninstallError >> outcome.uninstallThreadError >>
      outcome.present;
  EXPECT_TRUE(fields) << "child reported: " << text;
  return outcome;
}

class DamagedDatabase : public ::testing::Test {
 protected:
  void InstallRoot() {
    TCryptoapi api;
    ASSERT_TRUE(api.Install(RecordOf(root_), u"Root"));
    platform::CloseUserCertDatabase();
  }

  corvane_test::ScopedTestHome home_;
  const TestCertificate root_ = MakeTestCertificate({.commonName = "Corvane Damage Root"});
  const TestCertificate intermediate_ =
      MakeTestCertificate({.commonName = "Corvane Damage Intermediate", .issuer = &root_});
};

TEST_F(DamagedDatabase, ReadOnlyFolderReportsFailedChangesAsFailures) {
  InstallRoot();
  const std::string dir = home_.XdgDatabaseDir();
  // The database files stay writable, the folder does not: SQLite cannot make its journal.
  // Permissions do not bind root, so the child then works as an unprivileged user.
  const bool asRoot = ::geteuid() == 0;
  for (std::string path = dir; path.size() >= home_.Path().size();
       path = fs::path(path).parent_path().string()) {
    ::chmod(path.c_str(), 0755);
  }
  if (asRoot) {
    for (const auto& entry : fs::directory_iterator(dir)) {
      ASSERT_EQ(::chown(entry.path().c_str(), kNobody, kNoGroup), 0);
    }
  } else {
    ::chmod(dir.c_str(), 0555);
  }

  const corvane_test::ChildResult child = corvane_test::RunInChild(
      [&] {
        if (asRoot &&
            (::setgroups(0, nullptr) != 0 || ::setresgid(kNoGroup, kNoGroup, kNoGroup) != 0 ||
             ::setresuid(kNobody, kNobody, kNobody) != 0)) {
          return std::string("cannot drop privileges");
        }
        return InstallThenUninstall(intermediate_, root_, u"Root");
      },
      kChildTimeout);
  ASSERT_TRUE(child.finished) << (child.timedOut ? "timed out" : "child died");
  const Outcome outcome = ParseOutcome(child.output);
  // Neither change is tried: both say the folder is read-only.
  EXPECT_EQ(outcome.installed, 0);
  EXPECT_EQ(outcome.installError, platform::kErrorDatabaseFolderReadOnly);
  EXPECT_EQ(outcome.installThreadError, outcome.installError);
  EXPECT_EQ(outcome.uninstalled, 0);
  EXPECT_EQ(outcome.uninstallError, platform::kErrorDatabaseFolderReadOnly);
  EXPECT_EQ(outcome.uninstallThreadError, platform::kErrorDatabaseFolderReadOnly);
  EXPECT_EQ(outcome.present, 1);
  EXPECT_THAT(corvane_test::CertutilList(dir),
              ElementsAre(CertutilEntry{"Corvane Damage Root", "CT,C,C"}));
}

TEST_F(DamagedDatabase, RandomBytesFailCleanlyAndStayUntouched) {
  const std::string dir = home_.XdgDatabaseDir();
  fs::create_directories(dir);
  corvane_test::WriteFile(dir + "/cert9.db", RandomBytes(64 * 1024, 1));
  corvane_test::WriteFile(dir + "/key4.db", RandomBytes(32 * 1024, 2));

  const corvane_test::ChildResult child = corvane_test::RunInChild(
      [&] {
        const bool storeOpens = platform::CertStore::OpenSystemStore(u"CA") != nullptr;
        return InstallThenUninstall(root_, root_, u"Root") + " " + std::to_string(storeOpens);
      },
      kChildTimeout);
  ASSERT_TRUE(child.finished) << (child.timedOut ? "timed out" : "child died");
  const Outcome outcome = ParseOutcome(child.output);
  EXPECT_EQ(outcome.installed, 0);
  EXPECT_EQ(outcome.installError, platform::kErrorFileCorrupt);
  EXPECT_EQ(outcome.installThreadError, platform::kErrorFileCorrupt);
  // Not even reading opens it, and the store does not open.
  EXPECT_EQ(outcome.uninstalled, 0);
  EXPECT_EQ(outcome.uninstallError, platform::kErrorFileCorrupt);
  EXPECT_EQ(outcome.uninstallThreadError, platform::kErrorFileCorrupt);
  EXPECT_EQ(outcome.present, 0);
  EXPECT_THAT(child.output, ::testing::EndsWith(" 0"));
  EXPECT_EQ(ReadFile(dir + "/cert9.db"), RandomBytes(64 * 1024, 1));
}

// A database of several pages with one page in the middle overwritten: it still opens and reads,
// but NSS may loop forever writing to it.
TEST_F(DamagedDatabase, SmashedPagesRefuseWritesInsteadOfHanging) {
  InstallRoot();
  {
    TCryptoapi api;
    for (int i = 0; i < 24; ++i) {
      const TestCertificate filler =
          MakeTestCertificate({.commonName = "Corvane Filler " + std::to_string(i)});
      ASSERT_TRUE(api.Install(RecordOf(filler), u"CA"));
    }
    platform::CloseUserCertDatabase();
  }
  const std::string file = home_.XdgDatabaseDir() + "/cert9.db";
  const std::string pristine = ReadFile(file);
  constexpr std::size_t kPageSize = 4096;
  const std::size_t pages = pristine.size() / kPageSize;
  ASSERT_GE(pages, 6u);

  for (const std::size_t page : {std::size_t{2}, pages / 2, pages - 2}) {
    SCOPED_TRACE("page " + std::to_string(page));
    std::string damaged = pristine;
    damaged.replace(page * kPageSize, kPageSize,
                    RandomBytes(kPageSize, static_cast<unsigned>(page)));
    corvane_test::WriteFile(file, damaged);
    ASSERT_EQ(platform::nss::CheckSqliteFileIntegrity(file), platform::kErrorFileCorrupt);

    const corvane_test::ChildResult child = corvane_test::RunInChild(
        [&] { return InstallThenUninstall(intermediate_, root_, u"Root"); }, kChildTimeout);
    ASSERT_TRUE(child.finished) << (child.timedOut ? "timed out" : "child died");
    const Outcome outcome = ParseOutcome(child.output);
    EXPECT_EQ(outcome.installed, 0);
    EXPECT_EQ(outcome.installError, platform::kErrorFileCorrupt);
    EXPECT_EQ(outcome.installThreadError, platform::kErrorFileCorrupt);
    // Reading still works; whatever it finds, the delete is refused before it writes.
    EXPECT_EQ(outcome.uninstalled, 0);
    EXPECT_NE(outcome.uninstallError, 0u);
    EXPECT_EQ(ReadFile(file), damaged);
  }
}

}  // namespace
