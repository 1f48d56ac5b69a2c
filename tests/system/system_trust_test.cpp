// Trust for every program of every user, end to end. Runs as root in the private mount namespace
// of tests/run-in-private-system.sh, whose /etc, /usr, /var, /opt and /root are throw-away
// overlays; the tests skip anywhere else.
//
// A test PKI's root is made trusted system-wide and a server answers with a leaf issued by it.
// curl, Python and OpenSSL (the CA bundle), a fresh Firefox profile (its policy file) and a fresh
// Chromium profile (its managed policy) must reach the server; after the uninstall none may, and
// every file of the other programs must be as it was. A request in the server's log is the proof
// that a client trusted it. Server and clients run in a network namespace with loopback only.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>

#include "platform/system_trust.h"
#include "tests/support/private_system.h"
#include "tests/support/request_log_server.h"
#include "tests/support/store_test_home.h"
#include "tests/support/store_test_pki.h"

namespace {

using corvane_test::ProcessResult;
using corvane_test::RunProcess;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::IsSupersetOf;

constexpr int kPort = 8443;

// Starts the server, waits until it listens, then lets every client try once: the command-line
// clients one after the other, the two browsers side by side for at most the given seconds.
constexpr char kClients[] = R"script(set -u
server=$1 port=$2 cert=$3 key=$4 log=$5 work=$6 seconds=$7
ip link set lo up || exit 90
python3 -c "$server" "$port" "$cert" "$key" "$log" </dev/null >/dev/null 2>&1 &
pid=$!
for attempt in $(seq 100); do
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  sleep 0.1
done
url=https://127.0.0.1:$port
curl -s -o /dev/null "$url/curl"
python3 -c 'import sys, urllib.request; urllib.request.urlopen(sys.argv[1]).read()' \
  "$url/python" 2>/dev/null
printf 'GET /openssl HTTP/1.0\r\n\r\n' |
  timeout 20 openssl s_client -quiet -verify_return_error -connect "127.0.0.1:$port" >/dev/null 2>&1
profile=$(mktemp -d "$work/firefox.XXXXXX")
timeout -k 5 "$seconds" firefox-esr --headless --no-remote --profile "$profile" \
  --screenshot "$profile.png" "$url/firefox" </dev/null >/dev/null 2>&1 &
firefox=$!
timeout -k 5 "$seconds" chromium --headless --no-sandbox --disable-gpu --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --user-data-dir="$(mktemp -d "$work/chromium.XXXXXX")" --dump-dom "$url/chromium" \
  </dev/null >/dev/null 2>&1 &
chromium=$!
wait "$firefox" "$chromium"
kill "$pid"
wait "$pid" 2>/dev/null
exit 0
)script";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

class SystemTrust : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!corvane_test::InPrivateSystem()) {
      GTEST_SKIP() << "needs root in the namespace of tests/run-in-private-system.sh";
    }
    corvane_test::RebuildCaBundle();
    corvane_test::WriteFile(home_.Path() + "/leaf.pem", leaf_.certPem);
    corvane_test::WriteFile(home_.Path() + "/leaf.key", leaf_.keyPem);
  }

  // The paths of the requests that reached the server, one try of every client.
  std::vector<std::string> ClientsThatTrust(const std::string& attempt, int seconds) {
    const std::string log = home_.Path() + "/requests-" + attempt + ".log";
    corvane_test::WriteFile(log, "");
    const ProcessResult result = RunProcess(
        {"unshare", "-n", "bash", "-c", kClients, "bash", corvane_test::kRequestLogServer,
         std::to_string(kPort), home_.Path() + "/leaf.pem", home_.Path() + "/leaf.key", log,
         home_.Path(), std::to_string(seconds)},
        std::chrono::seconds(seconds + 60));
    EXPECT_EQ(result.exitCode, 0) << attempt << ": " << result.err;
    std::vector<std::string> paths = Lines(corvane_test::ReadFileText(log));
    std::sort(paths.begin(), paths.end());
    return paths;
  }

  corvane_test::ScopedTestHome home_;
  const corvane_test::TestCertificate root_ =
      corvane_test::MakeTestCertificate({.commonName = "Corvane System Root"});
  const corvane_test::TestCertificate leaf_ = corvane_test::MakeTestCertificate(
      {.commonName = "127.0.0.1", .isCa = false, .issuer = &root_, .ipAddresses = {"127.0.0.1"}});
};

TEST_F(SystemTrust, EveryClientTrustsTheRootOnlyWhileInstalled) {
  const auto othersBefore = corvane_test::SnapshotTrustFiles();
  const std::vector<platform::SystemTrustCertificate> root{
      {root_.der, platform::SystemTrustRole::kRoot}};

  std::vector<std::string> changed;
  for (const auto& outcome : platform::InstallSystemTrust(root)) {
    EXPECT_TRUE(outcome.problem.empty()) << outcome.target.id;
    if (outcome.changed) {
      changed.push_back(outcome.target.id);
    }
  }
  EXPECT_THAT(changed, ElementsAre("ca-bundle", "firefox", "chromium"));
  EXPECT_TRUE(platform::IsTrustedSystemWide(platform::LookUpSystemTrust(root), 0,
                                            platform::SystemTrustRole::kRoot));
  // (A browser may also ask for the site's icon.)
  EXPECT_THAT(ClientsThatTrust("installed", 90),
              IsSupersetOf({"/chromium", "/curl", "/firefox", "/openssl", "/python"}));

  changed.clear();
  for (const auto& outcome : platform::UninstallSystemTrust(root)) {
    EXPECT_TRUE(outcome.problem.empty()) << outcome.target.id;
    if (outcome.changed) {
      changed.push_back(outcome.target.id);
    }
  }
  EXPECT_THAT(changed, ElementsAre("ca-bundle", "firefox", "chromium"));
  EXPECT_THAT(ClientsThatTrust("uninstalled", 25), IsEmpty());
  EXPECT_THAT(corvane_test::DifferingFiles(othersBefore, corvane_test::SnapshotTrustFiles()),
              IsEmpty());
}

}  // namespace
