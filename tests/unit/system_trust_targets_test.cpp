// The system trust targets below a throw-away root folder: the Fedora-family CA bundle layout
// (its rebuild command a stand-in that records its arguments and concatenates the anchors), and
// the policy files of Firefox and Chromium merged with what other programs put there.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/linux/trust_target.h"
#include "platform/linux/utf8_text.h"
#include "tests/support/store_test_home.h"
#include "tests/support/store_test_pki.h"

namespace {

namespace fs = std::filesystem;
using platform::SystemTrustCertificate;
using platform::SystemTrustRole;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> FilesIn(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A file-creation mask that would keep everyone else from reading new files, while it lives.
class RestrictiveUmask {
 public:
  RestrictiveUmask() : previous_(umask(077)) {}
  ~RestrictiveUmask() { umask(previous_); }
  RestrictiveUmask(const RestrictiveUmask&) = delete;
  RestrictiveUmask& operator=(const RestrictiveUmask&) = delete;

 private:
  mode_t previous_;
};

class SystemTrustTargets : public ::testing::Test {
 protected:
  void SetUp() override { root_ = home_.Path() + "/root"; }

  void Write(const std::string& relative, const std::string& text) {
    fs::create_directories((root_ / relative).parent_path());
    corvane_test::WriteFile(root_ / relative, text);
  }

  // Outcome per target: "id:changed", "id:unchanged" or "id:problem".
  std::vector<std::string> Change(bool install) {
    std::vector<std::string> outcomes;
    for (const auto& outcome : platform::linux_trust::Change(root_, certificates_, install)) {
      outcomes.push_back(outcome.target.id + ":" +
                         (!outcome.problem.empty() ? "problem"
                          : outcome.changed        ? "changed"
                                                   : "unchanged"));
    }
    return outcomes;
  }

  corvane_test::ScopedTestHome home_;
  fs::path root_;
  const corvane_test::TestCertificate rootCa_ =
      corvane_test::MakeTestCertificate({.commonName = "Corvane Target Root"});
  const corvane_test::TestCertificate intermediate_ =
      corvane_test::MakeTestCertificate({.commonName = "Corvane Target CA", .issuer = &rootCa_});
  const std::vector<SystemTrustCertificate> certificates_{
      {rootCa_.der, SystemTrustRole::kRoot}, {intermediate_.der, SystemTrustRole::kIntermediate}};
};

TEST_F(SystemTrustTargets, FedoraLayoutGetsTheRootAsAnAnchorAndGivesItBack) {
  Write("usr/bin/update-ca-trust",
        "#!/bin/sh\nroot=$(dirname \"$0\")/../..\necho \"$*\" >>\"$root/calls\"\n"
        "mkdir -p \"$root/etc/pki/ca-trust/extracted/pem\"\n"
        "cat \"$root\"/etc/pki/ca-trust/source/anchors/*.pem "
        ">\"$root/etc/pki/ca-trust/extracted/pem/tls-ca-bundle.pem\"\n");
  fs::permissions(root_ / "usr/bin/update-ca-trust", fs::perms::owner_all);
  Write("etc/pki/ca-trust/source/anchors/other.pem", intermediate_.certPem);
  const fs::path anchors = root_ / "etc/pki/ca-trust/source/anchors";

  EXPECT_THAT(Change(true), ElementsAre("ca-bundle:changed"));
  const std::vector<std::string> files = FilesIn(anchors);
  ASSERT_EQ(files.size(), 2u);
  EXPECT_THAT(files[0], ::testing::MatchesRegex("corvane-Corvane_Target_Root_[0-9a-f]{16}\\.pem"));
  EXPECT_EQ(ReadText(anchors / files[0]), rootCa_.certPem);
  const auto state = platform::linux_trust::LookUp(root_, certificates_);
  EXPECT_TRUE(state.held[0][0]);
  EXPECT_FALSE(state.held[1][0]);  // an intermediate never becomes an anchor
  EXPECT_THAT(Change(true), ElementsAre("ca-bundle:unchanged"));

  EXPECT_THAT(Change(false), ElementsAre("ca-bundle:changed"));
  EXPECT_THAT(FilesIn(anchors), ElementsAre("other.pem"));
  EXPECT_EQ(ReadText(anchors / "other.pem"), intermediate_.certPem);
  EXPECT_EQ(ReadText(root_ / "calls"), "extract\nextract\n");
}

TEST_F(SystemTrustTargets, PolicyFilesKeepWhatOthersPutThere) {
  const nlohmann::json firefoxBefore = {
      {"policies",
       {{"DisableTelemetry", true},
        {"Certificates", {{"ImportEnterpriseRoots", true}, {"Install", {"/opt/other.pem"}}}}}}};
  Write("etc/firefox/policies/policies.json", firefoxBefore.dump(4));
  fs::permissions(root_ / "etc/firefox/policies/policies.json", fs::perms(0640));
  const std::string chromiumOther = R"({"HomepageLocation": "https://example.org/"})";
  Write("etc/chromium/policies/managed/other.json", chromiumOther);
  const fs::path firefoxPolicies = root_ / "etc/firefox/policies/policies.json";
  const fs::path chromiumPolicy = root_ / "etc/chromium/policies/managed/corvane.json";

  {
    const RestrictiveUmask mask;  // new files must still be readable by every user's browser
    EXPECT_THAT(Change(true), ElementsAre("firefox:changed", "chromium:changed"));
  }
  nlohmann::json firefox = nlohmann::json::parse(ReadText(firefoxPolicies));
  EXPECT_EQ(firefox["policies"]["DisableTelemetry"], true);
  EXPECT_EQ(firefox["policies"]["Certificates"]["ImportEnterpriseRoots"], true);
  const auto& install = firefox["policies"]["Certificates"]["Install"];
  ASSERT_EQ(install.size(), 2u);  // the root only
  EXPECT_EQ(install[0], "/opt/other.pem");
  EXPECT_EQ(ReadText(install[1].get<std::string>()), rootCa_.certPem);
  EXPECT_EQ(fs::status(firefoxPolicies).permissions(), fs::perms(0640));
  const nlohmann::json chromium = nlohmann::json::parse(ReadText(chromiumPolicy));
  EXPECT_EQ(chromium["CACertificates"].size(), 1u);
  EXPECT_EQ(chromium["CAHintCertificates"].size(), 1u);
  EXPECT_EQ(fs::status(chromiumPolicy).permissions(), fs::perms(0644));
  EXPECT_THAT(Change(true), ElementsAre("firefox:unchanged", "chromium:unchanged"));

  EXPECT_THAT(Change(false), ElementsAre("firefox:changed", "chromium:changed"));
  EXPECT_EQ(nlohmann::json::parse(ReadText(firefoxPolicies)), firefoxBefore);
  EXPECT_FALSE(fs::exists(root_ / "etc/firefox/policies/corvane"));
  EXPECT_FALSE(fs::exists(chromiumPolicy));
  EXPECT_EQ(ReadText(root_ / "etc/chromium/policies/managed/other.json"), chromiumOther);
}

TEST_F(SystemTrustTargets, APolicyFileThatIsNoValidJsonIsRefusedUnchanged) {
  fs::create_directories(root_ / "etc/chromium");
  for (const std::string broken :
       {"{\"policies\": {", "[]", R"({"policies": {"Certificates": 1}})"}) {
    Write("etc/firefox/policies/policies.json", broken);
    EXPECT_EQ(Change(true).front(), "firefox:problem") << broken;
    EXPECT_EQ(ReadText(root_ / "etc/firefox/policies/policies.json"), broken);
    EXPECT_FALSE(fs::exists(root_ / "etc/firefox/policies/corvane"));
    const auto state = platform::linux_trust::LookUp(root_, certificates_);
    EXPECT_THAT(platform::linux_utf8::ToUtf8(state.problems[0]), HasSubstr("policies.json"));
  }
}

}  // namespace
