// The proof that an install reaches Firefox, which trusts only its profile's own database: a
// throw-away profile with its database is made in a throw-away home, and a headless Firefox opens
// a page served with the leaf of a test chain. Before the install it refuses the page, after
// Corvane installed the root it loads it, and after the uninstall it refuses it again.
//
// A request that reaches the server is the proof of trust (headless Firefox never finishes on a
// certificate error, so every load is bounded and judged by the server's request log). The server
// turns off TLS session tickets and keep-alive, so every load checks the chain afresh. Server and
// browser run in a network namespace of their own with loopback only.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "crypto/cryptoapi.h"
#include "platform/user_cert_database.h"
#include "tests/support/request_log_server.h"
#include "tests/support/store_test_home.h"
#include "tests/support/store_test_pki.h"

namespace {

using corvane_test::MakeTestCertificate;
using corvane_test::ProcessResult;
using corvane_test::RunProcess;
using corvane_test::TestCertificate;

constexpr char kBrowser[] = "/usr/bin/firefox-esr";
constexpr char kPython[] = "/usr/bin/python3";
constexpr int kPort = 8443;

// Starts the server, waits until it listens, and lets Firefox load the page for at most the given
// number of seconds.
constexpr char kScript[] = R"(set -u
python=$1 server=$2 port=$3 cert=$4 key=$5 log=$6 profile=$7 seconds=$8
ip link set lo up || exit 90
"$python" -c "$server" "$port" "$cert" "$key" "$log" </dev/null >/dev/null 2>&1 &
pid=$!
listening=0
for attempt in $(seq 100); do
  if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then listening=1; break; fi
  sleep 0.1
done
if [ "$listening" != 1 ]; then kill "$pid"; exit 91; fi
timeout -k 5 "$seconds" firefox-esr --headless --no-remote --profile "$profile" \
  --screenshot "$profile/../screenshot.png" "https://127.0.0.1:$port/" </dev/null
kill "$pid"
wait "$pid" 2>/dev/null
exit 0
)";

TCertDetails RecordOf(const TestCertificate& certificate) {
  TCertDetails record;
  record.certEncoded = certificate.der;
  return record;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class StoreFirefox : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kBrowser) || !std::filesystem::exists(kPython)) {
      GTEST_SKIP() << "needs " << kBrowser << " and " << kPython;
    }
    for (std::vector<std::string> prefix :
         {std::vector<std::string>{"unshare", "-n"}, {"unshare", "-r", "-n"}}) {
      std::vector<std::string> probe = prefix;
      probe.push_back("true");
      if (RunProcess(probe, std::chrono::seconds(10)).exitCode == 0) {
        namespacePrefix_ = prefix;
        break;
      }
    }
    if (namespacePrefix_.empty()) {
      GTEST_SKIP() << "cannot make a network namespace";
    }
    // A profile as Firefox lists it, with the empty-password database its first start would make.
    const std::string profiles = home_.Path() + "/.mozilla/firefox";
    profile_ = profiles + "/test.default";
    std::filesystem::create_directories(profile_);
    corvane_test::WriteFile(profiles + "/profiles.ini",
                            "[Profile0]\nName=default\nIsRelative=1\nPath=test.default\n");
    ASSERT_TRUE(corvane_test::Certutil(profile_, {"-N", "--empty-password"}));
    certFile_ = home_.Path() + "/leaf.pem";
    keyFile_ = home_.Path() + "/leaf.key";
    corvane_test::WriteFile(certFile_, leaf_.certPem);
    corvane_test::WriteFile(keyFile_, leaf_.keyPem);
  }

  // True when the page's request reached the server within the time Firefox was given.
  bool PageLoads(const std::string& attempt, int seconds) {
    const std::string log = home_.Path() + "/requests-" + attempt + ".log";
    corvane_test::WriteFile(log, "");
    std::vector<std::string> argv = namespacePrefix_;
    argv.insert(argv.end(), {"bash", "-c", kScript, "bash", kPython,
                             corvane_test::kRequestLogServer, std::to_string(kPort), certFile_,
                             keyFile_, log, profile_, std::to_string(seconds)});
    const ProcessResult result = RunProcess(argv, std::chrono::seconds(seconds + 30));
    EXPECT_FALSE(result.timedOut) << attempt;
    EXPECT_EQ(result.exitCode, 0) << attempt << ": " << result.err;
    return ReadText(log).find("/\n") != std::string::npos;
  }

  corvane_test::ScopedTestHome home_;
  std::vector<std::string> namespacePrefix_;
  std::string profile_;
  std::string certFile_;
  std::string keyFile_;
  const TestCertificate root_ = MakeTestCertificate({.commonName = "Corvane Firefox Root"});
  const TestCertificate intermediate_ =
      MakeTestCertificate({.commonName = "Corvane Firefox Intermediate", .issuer = &root_});
  const TestCertificate leaf_ = MakeTestCertificate({.commonName = "127.0.0.1",
                                                     .isCa = false,
                                                     .issuer = &intermediate_,
                                                     .ipAddresses = {"127.0.0.1"}});
};

TEST_F(StoreFirefox, FirefoxTrustsTheProfileOnlyWhileTheRootIsInstalled) {
  // A refusal is judged by a request that never came; a load that succeeds takes a few seconds.
  constexpr int kRefusalSeconds = 45;
  constexpr int kLoadSeconds = 120;
  TCryptoapi api;
  ASSERT_TRUE(api.Install(RecordOf(intermediate_), u"CA")) << api.lastError;
  platform::CloseUserCertDatabase();
  EXPECT_FALSE(PageLoads("before", kRefusalSeconds));

  ASSERT_TRUE(api.Install(RecordOf(root_), u"Root")) << api.lastError;
  platform::CloseUserCertDatabase();
  EXPECT_TRUE(PageLoads("installed", kLoadSeconds));

  ASSERT_TRUE(api.Uninstall(RecordOf(root_), u"Root")) << api.lastError;
  platform::CloseUserCertDatabase();
  EXPECT_FALSE(PageLoads("uninstalled", kRefusalSeconds));
}

}  // namespace
