// corvanectl run as a separate process against a throw-away certificate database, with NSS's own
// certutil as the witness of what is in the database.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <gmock/gmock.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/cert_manager.h"
#include "catalogue/embedded_certificates.h"
#include "crypto/conversions.h"
#include "tests/support/sqlite_test_files.h"
#include "tests/support/store_test_home.h"
#include "tests/support/store_test_pki.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class CorvanectlTest : public testing::Test {
 protected:
  static corvane_test::ProcessResult Ctl(std::vector<std::string> args) {
    args.insert(args.begin(), CORVANE_BINARY_DIR "/tools/corvanectl");
    return corvane_test::RunProcess(args);
  }

  // The DER bytes of every certificate in the database, with its trust as certutil shows it.
  std::map<std::string, std::string> DatabaseTrustByDer() const {
    std::map<std::string, std::string> trustByDer;
    if (!fs::exists(home_.XdgDatabaseDir())) {
      return trustByDer;
    }
    for (const auto& entry : corvane_test::CertutilList(home_.XdgDatabaseDir())) {
      const auto der = corvane_test::RunProcess(
          {"certutil", "-L", "-d", "sql:" + home_.XdgDatabaseDir(), "-n", entry.nickname, "-r"});
      EXPECT_EQ(der.exitCode, 0) << der.err;
      trustByDer[der.out] = entry.trust;
    }
    return trustByDer;
  }

  fs::path Home() const { return home_.Path(); }

  corvane_test::ScopedTestHome home_;
};

std::string CatalogueDer(const char16_t* pem) {
  TCertDetails record;
  EXPECT_EQ(DecodePemCertificate(pem, record), 1);
  return std::string(record.certEncoded.begin(), record.certEncoded.end());
}

TEST_F(CorvanectlTest, ListsTheCatalogueWithoutCreatingTheDatabase) {
  const auto text = Ctl({"list"});
  EXPECT_EQ(text.exitCode, 0) << text.err;
  EXPECT_EQ(text.err, "");
  EXPECT_NE(text.out.find("Trusted root test certificates"), std::string::npos);
  EXPECT_NE(text.out.find("1028_0  not installed"), std::string::npos);
  EXPECT_NE(text.out.find("524384_1  -"), std::string::npos);
  EXPECT_NE(text.out.find("CN=Oberit Test Root CA R1"), std::string::npos);
  EXPECT_NE(text.out.find("2024-01-01T00:00:00Z - 2044-01-01T00:00:00Z"), std::string::npos);

  const auto json = Ctl({"list", "--json"});
  ASSERT_EQ(json.exitCode, 0) << json.err;
  const nlohmann::json list = nlohmann::json::parse(json.out);
  ASSERT_TRUE(list.is_array());
  ASSERT_EQ(list.size(), 15u);
  EXPECT_EQ(list[0].at("entry"), "1028_0");
  EXPECT_EQ(list[0].at("store"), "Root");
  EXPECT_EQ(list[0].at("installed"), false);
  EXPECT_EQ(list[0].at("notBefore"), "2024-01-01T00:00:00Z");
  EXPECT_EQ(list[4].at("entry"), "16392_0");
  EXPECT_EQ(list[4].at("store"), "CA");
  EXPECT_EQ(list[14].at("entry"), "524384_1");
  EXPECT_TRUE(list[14].at("store").is_null());
  EXPECT_TRUE(list[14].at("installed").is_null());
  EXPECT_EQ(list[14].at("subjectName"), "tsa2.oberit.example");

  // Reading never creates a database.
  EXPECT_FALSE(fs::exists(Home() / ".local/share/pki"));
  EXPECT_FALSE(fs::exists(Home() / ".pki"));
}

TEST_F(CorvanectlTest, InstallsAndUninstallsWithTheRightTrust) {
  const auto install = Ctl({"install", "1028_2", "16392_0", "1028_2"});
  ASSERT_EQ(install.exitCode, 0) << install.err;
  EXPECT_EQ(install.out, "");
  EXPECT_EQ(install.err, "");

  std::map<std::string, std::string> trustByDer = DatabaseTrustByDer();
  ASSERT_EQ(trustByDer.size(), 2u);
  const std::string root = CatalogueDer(CERTS_ROOT_TEST[2]);
  const std::string intermediate = CatalogueDer(CERTS_INTERMEDIATE_TEST[0]);
  ASSERT_TRUE(trustByDer.contains(root));
  ASSERT_TRUE(trustByDer.contains(intermediate));
  EXPECT_EQ(trustByDer[root], "CT,C,C");
  EXPECT_EQ(trustByDer[intermediate].find('C'), std::string::npos) << trustByDer[intermediate];

  const nlohmann::json list = nlohmann::json::parse(Ctl({"list", "--json"}).out);
  EXPECT_EQ(list[2].at("installed"), true);
  EXPECT_EQ(list[3].at("installed"), false);
  EXPECT_EQ(list[4].at("installed"), true);

  const auto uninstall = Ctl({"uninstall", "1028_2"});
  EXPECT_EQ(uninstall.exitCode, 0) << uninstall.err;
  EXPECT_EQ(uninstall.out + uninstall.err, "");
  trustByDer = DatabaseTrustByDer();
  ASSERT_EQ(trustByDer.size(), 1u);
  EXPECT_TRUE(trustByDer.contains(intermediate));
}

TEST_F(CorvanectlTest, ExportsThePemTextOfTheRecord) {
  const fs::path file = Home() / "tsa.cer";
  std::ofstream(file) << "an older, longer file that gets replaced as a whole";
  const auto exported = Ctl({"export", "131104_0", file.string()});
  ASSERT_EQ(exported.exitCode, 0) << exported.err;
  EXPECT_EQ(exported.out + exported.err, "");
  TCertDetails record;
  ASSERT_EQ(DecodePemCertificate(CERTS_TSA_TEST[0], record), 1);
  EXPECT_EQ(ReadFile(file), ToNarrow(record.pemText));
  EXPECT_EQ(ReadFile(file).rfind("-----BEGIN CERTIFICATE-----\n", 0), 0u);
}

TEST_F(CorvanectlTest, WrongUsageExitsWithTwoAndChangesNothing) {
  const std::vector<std::vector<std::string>> wrong = {
      {},
      {"frobnicate"},
      {"list", "--xml"},
      {"install"},
      {"install", "1028"},
      {"install", "1028_0", "1028_x"},
      {"uninstall", "_0"},
      {"uninstall", "1028_-1"},
      {"uninstall", "1028_00"},
      {"install", "01028_0"},
      {"install", "+1028_0"},
      {"install", " 1028_0"},
      {"export", "131104_0"},
      {"export", "131104_0", "a.cer", "b.cer"},
  };
  for (const auto& args : wrong) {
    const auto result = Ctl(args);
    EXPECT_EQ(result.exitCode, 2) << testing::PrintToString(args);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("Usage: corvanectl"), std::string::npos);
  }
  EXPECT_FALSE(fs::exists(Home() / ".local/share/pki"));

  const auto help = Ctl({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("WITHOUT ASKING"), std::string::npos);
}

TEST_F(CorvanectlTest, FailuresAreOneLineEachAndUninstallingTwiceSucceeds) {
  const auto notInstalled = Ctl({"uninstall", "1028_0"});
  EXPECT_EQ(notInstalled.exitCode, 0);
  EXPECT_EQ(notInstalled.out, "");
  EXPECT_EQ(notInstalled.err,
            "corvanectl: note: 1028_0 (C=CZ, L=Praha, O=\"Oberit, a.s.\", OU=Test Environment, "
            "CN=Oberit Test Root CA R1) is not installed; nothing to uninstall\n");

  const fs::path missing = Home() / "missing" / "x.cer";
  const auto unwritable = Ctl({"export", "1028_0", missing.string()});
  EXPECT_EQ(unwritable.exitCode, 1);
  EXPECT_EQ(unwritable.err, "corvanectl: cannot export 1028_0 to " + missing.string() +
                                ": No such file or directory (error 0x20000002)\n");

  // Entries that name nothing, or a group without a store: nothing is changed at all.
  for (const auto& args : std::vector<std::vector<std::string>>{{"install", "1028_0", "1028_4"},
                                                                {"install", "1028_0", "131104_0"},
                                                                {"export", "1_0", "x.cer"}}) {
    const auto result = Ctl(args);
    EXPECT_EQ(result.exitCode, 1) << testing::PrintToString(args);
    EXPECT_NE(result.err.find("corvanectl: "), std::string::npos);
  }
  EXPECT_TRUE(DatabaseTrustByDer().empty());
}

TEST_F(CorvanectlTest, LockedOrIncompleteDatabaseFailsWithOneLineNamingTheFolder) {
  ASSERT_EQ(Ctl({"install", "1028_0"}).exitCode, 0);
  const std::string dir = home_.XdgDatabaseDir();
  // The message names the database by its name in the set and its folder.
  const std::string cannotRead =
      "corvanectl: cannot read the certificate database Shared (Chromium, GNOME programs) (" + dir +
      "): ";
  {
    corvane_test::SqliteLockHolder holder(dir + "/cert9.db");
    ASSERT_TRUE(holder.Holding());
    const auto start = std::chrono::steady_clock::now();
    const auto list = Ctl({"list", "--json"});
    const auto install = Ctl({"install", "1028_1"});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    // The list still comes, every row of a store "unknown", never "not installed".
    EXPECT_EQ(list.exitCode, 1);
    const auto rows = nlohmann::json::parse(list.out);
    EXPECT_EQ(rows[0].at("state"), "unknown");
    EXPECT_TRUE(rows[0].at("installed").is_null());
    EXPECT_EQ(rows[0].at("unreadable"),
              nlohmann::json::array({"Shared (Chromium, GNOME programs)"}));
    EXPECT_EQ(
        list.err,
        cannotRead + "The certificate database is in use by another program. (error 0x20010001)\n");
    EXPECT_EQ(install.exitCode, 1);
    EXPECT_THAT(install.err, testing::StartsWith("corvanectl: cannot install 1028_1 (C=CZ"));
    // With a set of databases the message names which one, and its folder.
    EXPECT_THAT(install.err,
                testing::EndsWith(
                    " into the certificate database Shared (Chromium, GNOME programs) (" + dir +
                    "): The certificate database is in use by another program. "
                    "(error 0x20010001)\n"));
    EXPECT_EQ(std::count(install.err.begin(), install.err.end(), '\n'), 1);
  }
  fs::rename(dir + "/key4.db", Home() / "key4.db");
  const auto incomplete = Ctl({"list"});
  EXPECT_EQ(incomplete.exitCode, 1);
  EXPECT_NE(incomplete.out.find("  1028_0  unknown\n"), std::string::npos) << incomplete.out;
  EXPECT_EQ(incomplete.out.find("not installed"), std::string::npos);
  EXPECT_EQ(incomplete.err,
            cannotRead + "A file of the certificate database is missing. (error 0x20010004)\n");
}

// Twenty administrators' scripts at once on one database, half of them installing and half
// uninstalling overlapping entries, beside a certificate of the user's own.
TEST_F(CorvanectlTest, TwentyProcessesAtOnceAllSucceedAndLeaveTheDatabaseConsistent) {
  ASSERT_EQ(Ctl({"install", "1028_3"}).exitCode, 0);
  const std::string dir = home_.XdgDatabaseDir();
  const corvane_test::TestCertificate unrelated =
      corvane_test::MakeTestCertificate({.commonName = "Corvane Unrelated", .isCa = false});
  const std::string unrelatedDer(unrelated.der.begin(), unrelated.der.end());
  corvane_test::WriteFile(Home() / "unrelated.der", unrelatedDer);
  ASSERT_TRUE(corvane_test::Certutil(
      dir, {"-A", "-n", "Unrelated", "-t", "P,,", "-i", (Home() / "unrelated.der").string()}));

  std::vector<std::future<corvane_test::ProcessResult>> runs;
  for (int run = 0; run < 20; ++run) {
    std::vector<std::string> args =
        run % 2 == 0 ? std::vector<std::string>{"install", "1028_0", "1028_1", "16392_0", "16392_1"}
                     : std::vector<std::string>{"uninstall", "1028_1", "1028_2", "16392_0"};
    runs.push_back(std::async(std::launch::async, [args] { return Ctl(args); }));
  }
  for (auto& run : runs) {
    const corvane_test::ProcessResult result = run.get();
    EXPECT_EQ(result.exitCode, 0) << result.err;
    std::istringstream lines(result.err);
    for (std::string line; std::getline(lines, line);) {
      EXPECT_THAT(line, testing::StartsWith("corvanectl: note: ")) << line;
    }
  }

  // Every certificate once, with its store's trust; the untouched ones as they were.
  std::map<std::string, std::string> trustByDer = DatabaseTrustByDer();
  EXPECT_EQ(corvane_test::CertutilList(dir).size(), trustByDer.size());
  EXPECT_EQ(trustByDer[unrelatedDer], "P,,");
  EXPECT_EQ(trustByDer[CatalogueDer(CERTS_ROOT_TEST[3])], "CT,C,C");
  EXPECT_EQ(trustByDer[CatalogueDer(CERTS_ROOT_TEST[0])], "CT,C,C");
  EXPECT_EQ(trustByDer[CatalogueDer(CERTS_INTERMEDIATE_TEST[1])], ",,");
  EXPECT_FALSE(trustByDer.contains(CatalogueDer(CERTS_ROOT_TEST[2])));
  for (const char16_t* pem : {CERTS_ROOT_TEST[1], CERTS_INTERMEDIATE_TEST[0]}) {
    const auto found = trustByDer.find(CatalogueDer(pem));
    if (found != trustByDer.end()) {
      EXPECT_EQ(found->second, pem == CERTS_ROOT_TEST[1] ? "CT,C,C" : ",,");
    }
  }
  EXPECT_EQ(corvane_test::IntegrityCheck(dir + "/cert9.db"), "ok");
  EXPECT_EQ(corvane_test::IntegrityCheck(dir + "/key4.db"), "ok");

  // And the list agrees with the witness.
  const auto listed = Ctl({"list", "--json"});
  ASSERT_EQ(listed.exitCode, 0) << listed.err;
  const nlohmann::json list = nlohmann::json::parse(listed.out);
  EXPECT_EQ(list[1].at("installed"), trustByDer.contains(CatalogueDer(CERTS_ROOT_TEST[1])));
  EXPECT_EQ(list[4].at("installed"), trustByDer.contains(CatalogueDer(CERTS_INTERMEDIATE_TEST[0])));
}

// A change killed between its two writes of the database (the certificate, then its trust) is
// finished by the next run, whatever that run is, before it answers.
TEST_F(CorvanectlTest, ChangeCutOffBetweenItsWritesIsFinishedByTheNextRun) {
  const std::string root = CatalogueDer(CERTS_ROOT_TEST[0]);
  const std::string journal = home_.XdgDatabaseDir() + "/corvane-change.journal";
  const auto cutOff = [&](const char* point, const std::vector<std::string>& args) {
    ::setenv("CORVANE_FAULT_POINT", point, 1);
    const auto result = Ctl(args);
    ::unsetenv("CORVANE_FAULT_POINT");
    return result;
  };

  const auto install = cutOff("add-between-writes", {"install", "1028_0"});
  if (install.exitCode == 0) {
    GTEST_SKIP() << "built without fault points (CORVANE_FAULT_POINTS)";
  }
  ASSERT_EQ(install.exitCode, -1) << install.err;  // killed
  EXPECT_NE(DatabaseTrustByDer()[root], "CT,C,C");
  EXPECT_TRUE(fs::exists(journal));
  const auto list = Ctl({"list"});
  EXPECT_EQ(list.exitCode, 0) << list.err;
  EXPECT_NE(list.out.find("  1028_0  installed\n"), std::string::npos) << list.out;
  EXPECT_EQ(DatabaseTrustByDer()[root], "CT,C,C");
  EXPECT_FALSE(fs::exists(journal));

  ASSERT_EQ(cutOff("remove-before-write", {"uninstall", "1028_0"}).exitCode, -1);
  EXPECT_TRUE(fs::exists(journal));
  // Installing another root finishes the removal first.
  ASSERT_EQ(Ctl({"install", "1028_1"}).exitCode, 0);
  EXPECT_FALSE(DatabaseTrustByDer().contains(root));
  EXPECT_EQ(DatabaseTrustByDer().size(), 1u);
  EXPECT_FALSE(fs::exists(journal));
}

}  // namespace
