// Which databases make up the user's stores: the shared one and every browser or mail profile
// listed in a profiles.ini, in each place those programs keep their profiles.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/cert_database_login.h"
#include "platform/cert_databases.h"
#include "platform/cert_store.h"
#include "tests/support/store_test_home.h"
#include "tests/support/store_test_pki.h"

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::SizeIs;

struct Found {
  std::string kind;
  std::u16string displayName;
  std::string folder;
  friend bool operator==(const Found&, const Found&) = default;
  friend void PrintTo(const Found& found, std::ostream* out) {
    *out << found.kind << " \"" << std::string(found.displayName.begin(), found.displayName.end())
         << "\" " << found.folder;
  }
};

std::vector<Found> Databases(const platform::CertDatabaseSet& set) {
  std::vector<Found> found;
  for (const platform::CertDatabase& database : set.databases) {
    found.push_back({platform::CertDatabaseKindWord(database.kind), database.displayName,
                     std::string(database.folder.begin(), database.folder.end())});
  }
  return found;
}

class CertDatabases : public ::testing::Test {
 protected:
  // A profile folder, with a database file unless told otherwise.
  std::string MakeProfile(const std::string& folder, bool withDatabase = true) {
    fs::create_directories(folder);
    if (withDatabase) {
      corvane_test::WriteFile(folder + "/cert9.db", "");
    }
    return fs::canonical(folder).string();
  }
  void WriteList(const std::string& root, const std::string& text) {
    fs::create_directories(root);
    corvane_test::WriteFile(root + "/profiles.ini", text);
  }
  std::string Home() const { return home_.Path(); }
  std::string SharedFolder() const { return home_.XdgDatabaseDir(); }

  corvane_test::ScopedTestHome home_;
};

TEST_F(CertDatabases, OnlyTheSharedDatabaseWithoutProfiles) {
  const platform::CertDatabaseSet set = platform::FindUserCertDatabases();
  EXPECT_THAT(Databases(set),
              ElementsAre(Found{"shared", u"Shared (Chromium, GNOME programs)", SharedFolder()}));
  EXPECT_THAT(set.problems, IsEmpty());
}

TEST_F(CertDatabases, ProfilesOfEveryLocationRelativeAndAbsolute) {
  const std::string classic = Home() + "/.mozilla/firefox";
  const std::string elsewhere = MakeProfile(Home() + "/profiles/work");
  WriteList(classic,
            "[Install4F96D1932A9F858E]\nDefault=abc.default-release\n\n"
            "[Profile1]\nName=work\nIsRelative=0\nPath=" +
                elsewhere +
                "\n\n"
                "[Profile0]\nName=default-release\nIsRelative=1\nPath=abc.default-release\n"
                "Default=1\n\n"
                "[Profile2]\nName=no-database\nIsRelative=1\nPath=empty\n\n"
                "[Profile3]\nName=missing\nIsRelative=1\nPath=gone\n\n"
                "[General]\nStartWithLastProfile=1\nVersion=2\n");
  const std::string release = MakeProfile(classic + "/abc.default-release");
  MakeProfile(classic + "/empty", false);

  // XDG_CONFIG_HOME moves the newer Firefox location and Thunderbird's.
  const std::string config = Home() + "/config";
  ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  WriteList(config + "/mozilla/firefox", "[Profile0]\nName=xdg\nIsRelative=1\nPath=x.xdg\n");
  const std::string xdg = MakeProfile(config + "/mozilla/firefox/x.xdg");
  WriteList(config + "/thunderbird", "[Profile0]\nName=mail\nIsRelative=1\nPath=m.mail\n");
  const std::string xdgMail = MakeProfile(config + "/thunderbird/m.mail");

  const std::string snap = Home() + "/snap/firefox/common/.mozilla/firefox";
  WriteList(snap, "[Profile0]\nName=default\nIsRelative=1\nPath=s.default\n");
  const std::string snapProfile = MakeProfile(snap + "/s.default");
  const std::string flatpak = Home() + "/.var/app/org.mozilla.firefox/.mozilla/firefox";
  // Without IsRelative and without a name: relative, named after its folder.
  WriteList(flatpak, "[Profile0]\nPath=f.default\n");
  const std::string flatpakProfile = MakeProfile(flatpak + "/f.default");

  const std::string mail = Home() + "/.thunderbird";
  WriteList(mail, "[Profile0]\nName=default\nIsRelative=1\nPath=t.default\n");
  const std::string mailProfile = MakeProfile(mail + "/t.default");
  const std::string snapMail = Home() + "/snap/thunderbird/common/.thunderbird";
  WriteList(snapMail, "[Profile0]\nName=default\nIsRelative=1\nPath=t.default\n");
  const std::string snapMailProfile = MakeProfile(snapMail + "/t.default");
  const std::string flatpakMail = Home() + "/.var/app/org.mozilla.Thunderbird/.thunderbird";
  WriteList(flatpakMail, "[Profile0]\nName=default\nIsRelative=1\nPath=t.default\n");
  const std::string flatpakMailProfile = MakeProfile(flatpakMail + "/t.default");

  const platform::CertDatabaseSet set = platform::FindUserCertDatabases();
  EXPECT_THAT(set.problems, IsEmpty());
  EXPECT_THAT(
      Databases(set),
      ElementsAre(Found{"shared", u"Shared (Chromium, GNOME programs)", SharedFolder()},
                  Found{"firefox", u"Firefox: work", elsewhere},
                  Found{"firefox", u"Firefox: default-release", release},
                  Found{"firefox", u"Firefox: xdg", xdg},
                  Found{"firefox", u"Firefox (snap): default", snapProfile},
                  Found{"firefox", u"Firefox (flatpak): f.default", flatpakProfile},
                  Found{"thunderbird", u"Thunderbird: default", mailProfile},
                  Found{"thunderbird", u"Thunderbird: mail", xdgMail},
                  Found{"thunderbird", u"Thunderbird (snap): default", snapMailProfile},
                  Found{"thunderbird", u"Thunderbird (flatpak): default", flatpakMailProfile}));
}

TEST_F(CertDatabases, AFolderReachedTwiceCountsOnce) {
  // The classic folder is a link to the XDG one, and a second entry names the same folder by its
  // absolute path.
  const std::string xdg = Home() + "/.config/mozilla/firefox";
  const std::string profile = MakeProfile(xdg + "/a.default");
  WriteList(xdg,
            "[Profile0]\nName=default\nIsRelative=1\nPath=a.default\n\n[Profile1]\n"
            "Name=again\nIsRelative=0\nPath=" +
                xdg + "/./a.default\n");
  fs::create_directories(Home() + "/.mozilla");
  fs::create_directory_symlink(xdg, Home() + "/.mozilla/firefox");

  const platform::CertDatabaseSet set = platform::FindUserCertDatabases();
  ASSERT_THAT(set.databases, SizeIs(2));
  EXPECT_EQ(Databases(set)[1], (Found{"firefox", u"Firefox: default", profile}));
}

TEST_F(CertDatabases, ABrokenListIsReportedAndTheOthersStillCount) {
  WriteList(Home() + "/.mozilla/firefox", "[Profile0\nName=broken\n");
  WriteList(Home() + "/.thunderbird", "[Profile0]\nName=default\nIsRelative=1\nPath=t.default\n");
  const std::string mail = MakeProfile(Home() + "/.thunderbird/t.default");

  const platform::CertDatabaseSet set = platform::FindUserCertDatabases();
  ASSERT_THAT(set.problems, SizeIs(1));
  const std::u16string expectedFile = u"/.mozilla/firefox/profiles.ini";
  EXPECT_TRUE(set.problems[0].file.ends_with(expectedFile));
  EXPECT_FALSE(set.problems[0].message.empty());
  EXPECT_THAT(Databases(set),
              ElementsAre(Found{"shared", u"Shared (Chromium, GNOME programs)", SharedFolder()},
                          Found{"thunderbird", u"Thunderbird: default", mail}));
}

TEST_F(CertDatabases, AProfileFolderNamedInBytesThatAreNoTextIsADatabaseOfTheSet) {
  const std::string root = Home() + "/.mozilla/firefox";
  const std::string bytes =
      "\xff\xfe.d\xe9"
      "fault";  // Latin-1, as an old system may have made it
  WriteList(root, "[Profile0]\nName=caf\xe9\nIsRelative=1\nPath=" + bytes + "\n");
  const std::string folder = root + "/" + bytes;
  fs::create_directories(folder);
  ASSERT_TRUE(corvane_test::Certutil(folder, {"-N", "--empty-password"}));
  const auto certificate = corvane_test::MakeTestCertificate({.commonName = "Corvane Bytes Root"});
  corvane_test::WriteFile(Home() + "/root.pem", certificate.certPem);
  ASSERT_TRUE(corvane_test::Certutil(
      folder, {"-A", "-n", "bytes", "-t", "CT,C,C", "-i", Home() + "/root.pem"}));

  const platform::CertDatabaseSet set = platform::FindUserCertDatabases();
  EXPECT_THAT(set.problems, IsEmpty());
  ASSERT_THAT(set.databases, SizeIs(2));
  const platform::CertDatabase& profile = set.databases[1];
  EXPECT_EQ(profile.nativeFolder, fs::canonical(folder).string());
  EXPECT_EQ(profile.displayName, u"Firefox: caf\uFFFD");
  EXPECT_TRUE(profile.folder.ends_with(u"/\uFFFD\uFFFD.d\uFFFDfault")) << profile.nativeFolder;

  // The store reads the database by its bytes.
  EXPECT_EQ(platform::CertDatabaseNeedsPassword(profile), std::optional<bool>(false));
  const std::unique_ptr<platform::CertStore> store =
      platform::CertStore::OpenStoreIn(u"Root", profile);
  ASSERT_TRUE(store);
  const auto found = store->Enumerate();
  ASSERT_THAT(found, SizeIs(1));
  EXPECT_EQ(found[0]->encoded, certificate.der);
}

TEST_F(CertDatabases, AProfileListThatCannotBeReadIsAProblemNamingIt) {
  const std::string config = Home() + "/.config";
  // A FIFO (never waited on), a folder, a file beyond the bound, a link loop, a link to nothing,
  // and a malformed list whose bad line holds a terminal control sequence.
  const std::string fifo = Home() + "/.mozilla/firefox";
  fs::create_directories(fifo);
  ASSERT_EQ(::mkfifo((fifo + "/profiles.ini").c_str(), 0600), 0);
  fs::create_directories(config + "/mozilla/firefox/profiles.ini");
  WriteList(Home() + "/snap/firefox/common/.mozilla/firefox",
            "[Profile0]\nPath=a\n" + std::string(1024 * 1024, '#'));
  const std::string loop = Home() + "/.var/app/org.mozilla.firefox/.mozilla/firefox";
  fs::create_directories(loop);
  fs::create_symlink(loop + "/profiles.ini", loop + "/profiles.ini");
  const std::string dangling = Home() + "/.var/app/org.mozilla.Thunderbird/.thunderbird";
  fs::create_directories(dangling);
  fs::create_symlink(dangling + "/gone.ini", dangling + "/profiles.ini");
  WriteList(Home() + "/.thunderbird", "[Profile0]\n\x1b[2Jbad line\n");
  // One good list: its profile still counts.
  WriteList(config + "/thunderbird", "[Profile0]\nName=mail\nPath=m.mail\n");
  const std::string mail = MakeProfile(config + "/thunderbird/m.mail");

  const platform::CertDatabaseSet set = platform::FindUserCertDatabases();
  std::vector<std::string> files;
  for (const platform::CertDatabaseProblem& problem : set.problems) {
    files.emplace_back(problem.file.begin(), problem.file.end());
    const std::string message(problem.message.begin(), problem.message.end());
    EXPECT_THAT(message, Not(HasSubstr("bad line"))) << files.back();
    EXPECT_THAT(message, Not(HasSubstr("\x1b"))) << files.back();
    EXPECT_FALSE(message.empty()) << files.back();
  }
  const auto listIn = [](const std::string& folder) { return folder + "/profiles.ini"; };
  EXPECT_THAT(files, ElementsAre(listIn(fifo), listIn(config + "/mozilla/firefox"),
                                 listIn(Home() + "/snap/firefox/common/.mozilla/firefox"),
                                 listIn(loop), listIn(Home() + "/.thunderbird"), listIn(dangling)));
  EXPECT_THAT(Databases(set),
              ElementsAre(Found{"shared", u"Shared (Chromium, GNOME programs)", SharedFolder()},
                          Found{"thunderbird", u"Thunderbird: mail", mail}));
}

TEST_F(CertDatabases, ARelativePathMarkedAbsoluteIsReadFromTheListsFolder) {
  const std::string root = Home() + "/.mozilla/firefox";
  WriteList(root, "[Profile0]\nName=odd\nIsRelative=0\nPath=sub/p\n");
  const std::string profile = MakeProfile(root + "/sub/p");
  // The same relative path under the current folder must not count.
  const std::string elsewhere = Home() + "/elsewhere";
  MakeProfile(elsewhere + "/sub/p");
  const fs::path before = fs::current_path();
  fs::current_path(elsewhere);
  const platform::CertDatabaseSet set = platform::FindUserCertDatabases();
  fs::current_path(before);
  ASSERT_THAT(set.databases, SizeIs(2));
  EXPECT_EQ(Databases(set)[1], (Found{"firefox", u"Firefox: odd", profile}));
}

}  // namespace
