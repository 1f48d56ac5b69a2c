// corvanectl --system as root and as another user, and the Ansible role that drives it, in the
// private mount namespace of tests/run-in-private-system.sh (the tests skip anywhere else).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "tests/support/private_system.h"
#include "tests/support/store_test_home.h"

namespace {

namespace fs = std::filesystem;
using corvane_test::ProcessResult;
using corvane_test::RunProcess;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

constexpr char kCorvanectl[] = CORVANE_BINARY_DIR "/tools/corvanectl";
constexpr char kNobody[] = "65534";

nlohmann::json EntryOf(const nlohmann::json& list, const std::string& entry) {
  for (const auto& certificate : list) {
    if (certificate.at("entry") == entry) {
      return certificate;
    }
  }
  ADD_FAILURE() << "no entry " << entry;
  return {};
}

class CorvanectlSystem : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!corvane_test::InPrivateSystem()) {
      GTEST_SKIP() << "needs root in the namespace of tests/run-in-private-system.sh";
    }
    corvane_test::RebuildCaBundle();
    // A copy another user may run, and a home of that user's own.
    fs::permissions(home_.Path(), fs::perms(0755));
    fs::copy_file(kCorvanectl, home_.Path() + "/corvanectl");
    fs::create_directory(home_.Path() + "/nobody");
    ASSERT_EQ(chown((home_.Path() + "/nobody").c_str(), 65534, 65534), 0);
  }

  static ProcessResult AsRoot(std::vector<std::string> args) {
    args.insert(args.begin(), kCorvanectl);
    return RunProcess(args, std::chrono::seconds(120));
  }

  ProcessResult AsNobody(std::vector<std::string> args) const {
    const std::string home = home_.Path() + "/nobody";
    std::vector<std::string> argv{"setpriv",
                                  std::string("--reuid=") + kNobody,
                                  "--regid=65534",
                                  "--clear-groups",
                                  "env",
                                  "HOME=" + home,
                                  "XDG_DATA_HOME=" + home + "/.local/share",
                                  "XDG_CONFIG_HOME=" + home + "/.config",
                                  home_.Path() + "/corvanectl"};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv, std::chrono::seconds(60));
  }

  corvane_test::ScopedTestHome home_;
};

TEST_F(CorvanectlSystem, OnlyRootChangesTheMachineAndEveryoneSeesIt) {
  const auto before = corvane_test::SnapshotTrustFiles();
  for (const std::vector<std::string>& command :
       {std::vector<std::string>{"--system", "install", "1028_0"}, {"--system", "list"}}) {
    const ProcessResult refused = AsNobody(command);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_THAT(refused.err, StartsWith("corvanectl: --system needs root"));
    EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1);
  }
  EXPECT_THAT(corvane_test::DifferingFiles(before, corvane_test::SnapshotTrustFiles()), IsEmpty());

  const ProcessResult install = AsRoot({"--system", "install", "1028_0", "16392_0"});
  ASSERT_EQ(install.exitCode, 0) << install.err;
  EXPECT_THAT(install.out,
              HasSubstr("ca-bundle\tchanged\t/usr/local/share/ca-certificates/corvane"));
  EXPECT_THAT(install.out, HasSubstr("firefox\tchanged\t/etc/firefox/policies/policies.json"));
  EXPECT_THAT(install.out,
              HasSubstr("chromium\tchanged\t/etc/chromium/policies/managed/corvane.json"));
  const ProcessResult again = AsRoot({"--system", "install", "1028_0"});
  EXPECT_EQ(again.exitCode, 0) << again.err;
  EXPECT_THAT(again.out, Not(HasSubstr("\tchanged")));

  const nlohmann::json system = nlohmann::json::parse(AsRoot({"--system", "list", "--json"}).out);
  EXPECT_EQ(EntryOf(system["certificates"], "1028_0")["installed"], true);
  EXPECT_EQ(EntryOf(system["certificates"], "1028_0")["targets"],
            nlohmann::json({"ca-bundle", "firefox", "chromium"}));
  EXPECT_EQ(EntryOf(system["certificates"], "16392_0")["targets"], nlohmann::json({"chromium"}));
  EXPECT_EQ(EntryOf(system["certificates"], "1028_1")["installed"], false);

  // Every user sees what the administrator trusts, beside the user's own databases.
  const ProcessResult userList = AsNobody({"list", "--json"});
  ASSERT_EQ(userList.exitCode, 0) << userList.err;
  const nlohmann::json user = nlohmann::json::parse(userList.out);
  EXPECT_EQ(EntryOf(user, "1028_0")["systemWide"], true);
  EXPECT_EQ(EntryOf(user, "1028_0")["installed"], false);
  EXPECT_EQ(EntryOf(user, "16392_0")["systemWide"], true);
  EXPECT_EQ(EntryOf(user, "1028_1")["systemWide"], false);
  EXPECT_TRUE(EntryOf(user, "524384_1")["systemWide"].is_null());
  EXPECT_THAT(AsNobody({"list"}).out, HasSubstr("1028_0  not installed, trusted system-wide\n"));

  const ProcessResult uninstall = AsRoot({"--system", "uninstall", "1028_0", "16392_0"});
  ASSERT_EQ(uninstall.exitCode, 0) << uninstall.err;
  EXPECT_THAT(uninstall.out, HasSubstr("ca-bundle\tchanged"));
  EXPECT_THAT(corvane_test::DifferingFiles(before, corvane_test::SnapshotTrustFiles()), IsEmpty());
}

// The role installs a stand-in package that carries the corvanectl of this build (the real
// package is checked by tools/check-package.sh), and runs on this machine with -c local.
TEST_F(CorvanectlSystem, AnsibleRoleIsIdempotentHasACheckModeAndRemoves) {
  const fs::path package = home_.Path() + "/package";
  fs::create_directories(package / "DEBIAN");
  fs::create_directories(package / "usr/bin");
  fs::copy_file(kCorvanectl, package / "usr/bin/corvanectl");
  corvane_test::WriteFile(package / "DEBIAN/control",
                          "Package: corvane\nVersion: 3.0.0.0\nArchitecture: amd64\n"
                          "Maintainer: Corvane tests <tests@oberit.example>\n"
                          "Description: stand-in of Corvane for the role's test\n");
  const std::string deb = home_.Path() + "/corvane.deb";
  ASSERT_EQ(RunProcess({"dpkg-deb", "--root-owner-group", "--build", package, deb}).exitCode, 0);
  const std::string playbook = home_.Path() + "/site.yml";
  corvane_test::WriteFile(playbook,
                          "- hosts: localhost\n  gather_facts: false\n  roles:\n"
                          "    - role: corvane_trust\n      vars:\n        corvane_deb: " +
                              deb +
                              "\n        corvane_trusted_entries: [\"1028_0\", \"16392_0\"]\n");

  // The number of changed tasks of one run.
  const auto play = [&](const std::vector<std::string>& options) {
    std::vector<std::string> argv{"env",
                                  "ANSIBLE_ROLES_PATH=" CORVANE_SOURCE_DIR "/packaging/ansible",
                                  "ANSIBLE_NOCOLOR=1",
                                  "ANSIBLE_PYTHON_INTERPRETER=/usr/bin/python3",
                                  "ansible-playbook",
                                  "-c",
                                  "local",
                                  "-i",
                                  "localhost,",
                                  playbook};
    argv.insert(argv.end(), options.begin(), options.end());
    const ProcessResult run = RunProcess(argv, std::chrono::seconds(120));
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    // The play recap's line for the host comes last: "localhost : ok=N changed=N ...".
    const std::size_t recap = run.out.rfind("localhost");
    const std::size_t changed =
        recap == std::string::npos ? std::string::npos : run.out.find(" changed=", recap);
    if (changed == std::string::npos) {
      ADD_FAILURE() << run.out << run.err;
      return -1;
    }
    return std::atoi(run.out.c_str() + changed + std::strlen(" changed="));
  };
  const auto installed = [] {
    const ProcessResult list = RunProcess({"/usr/bin/corvanectl", "--system", "list", "--json"});
    return list.exitCode == 0 &&
           EntryOf(nlohmann::json::parse(list.out)["certificates"], "1028_0")["installed"] == true;
  };

  EXPECT_GT(play({"--check"}), 0);
  EXPECT_FALSE(fs::exists("/usr/bin/corvanectl"));
  EXPECT_GT(play({}), 0);
  EXPECT_TRUE(installed());
  EXPECT_EQ(play({}), 0);
  EXPECT_GT(play({"-e", "corvane_trust_state=absent"}), 0);
  EXPECT_FALSE(installed());
}

}  // namespace
