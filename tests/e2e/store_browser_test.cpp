// The proof that an install reaches the desktop's browsers: a test PKI is made, its root installed
// into "Root" and its intermediate into "CA" of a throw-away home, and a headless browser that
// uses the same home loads a page served with the leaf certificate alone (no chain). After the
// root is uninstalled, a fresh browser refuses the page with the certificate authority error.
//
// The server and the browser run in a network namespace of their own with loopback only, so the
// test neither needs nor touches any network.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "crypto/cryptoapi.h"
#include "platform/user_cert_database.h"
#include "tests/support/store_test_home.h"
#include "tests/support/store_test_pki.h"

namespace {

using corvane_test::MakeTestCertificate;
using corvane_test::ProcessResult;
using corvane_test::RunProcess;
using corvane_test::TestCertificate;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr char kBrowser[] = "/usr/bin/chromium";
// Any port will do: the namespace has nothing else listening.
constexpr int kPort = 8443;
// What openssl s_server -www puts on its page.
constexpr char kServerPageText[] = "Ciphers supported in s_server binary";
// The network error of a certificate whose authority is not trusted.
constexpr char kAuthorityInvalid[] = "net_error -202";

// Starts the server, waits until it listens, loads the page once with a fresh profile and prints
// the page's DOM; the browser's own messages go to stderr. Every wait is bounded.
constexpr char kScript[] = R"(set -u
port=$1 cert=$2 key=$3 profile=$4
ip link set lo up || exit 90
openssl s_server -accept "127.0.0.1:$port" -cert "$cert" -key "$key" -www -quiet \
  </dev/null >/dev/null 2>&1 &
server=$!
listening=0
for attempt in $(seq 100); do
  if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then listening=1; break; fi
  sleep 0.1
done
if [ "$listening" != 1 ]; then kill "$server"; exit 91; fi
timeout -k 5 90 chromium --headless --no-sandbox --disable-gpu --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --user-data-dir="$profile" --dump-dom "https://127.0.0.1:$port/"
status=$?
kill "$server"
wait "$server" 2>/dev/null
exit $status
)";

TCertDetails RecordOf(const TestCertificate& certificate) {
  TCertDetails record;
  record.certEncoded = certificate.der;
  return record;
}

class StoreBrowser : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kBrowser)) {
      GTEST_SKIP() << "no browser at " << kBrowser;
    }
    // Root may make a network namespace directly; anyone else through a user namespace.
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
    leafCertFile_ = home_.Path() + "/leaf.pem";
    leafKeyFile_ = home_.Path() + "/leaf.key";
    corvane_test::WriteFile(leafCertFile_, leaf_.certPem);
    corvane_test::WriteFile(leafKeyFile_, leaf_.keyPem);
  }

  // Loads the page in a browser with a profile of its own.
  ProcessResult LoadPage(const std::string& profileName) {
    std::vector<std::string> argv = namespacePrefix_;
    argv.insert(argv.end(), {"bash", "-c", kScript, "bash", std::to_string(kPort), leafCertFile_,
                             leafKeyFile_, home_.Path() + "/" + profileName});
    return RunProcess(argv, std::chrono::seconds(150));
  }

  corvane_test::ScopedTestHome home_;
  std::vector<std::string> namespacePrefix_;
  std::string leafCertFile_;
  std::string leafKeyFile_;
  const TestCertificate root_ = MakeTestCertificate({.commonName = "Corvane E2E Root"});
  const TestCertificate intermediate_ =
      MakeTestCertificate({.commonName = "Corvane E2E Intermediate", .issuer = &root_});
  const TestCertificate leaf_ = MakeTestCertificate({.commonName = "127.0.0.1",
                                                     .isCa = false,
                                                     .issuer = &intermediate_,
                                                     .ipAddresses = {"127.0.0.1"}});
};

TEST_F(StoreBrowser, BrowserTrustsTheInstalledRootAndNoLongerAfterUninstall) {
  TCryptoapi api;
  ASSERT_TRUE(api.Install(RecordOf(root_), u"Root")) << api.lastError;
  ASSERT_TRUE(api.Install(RecordOf(intermediate_), u"CA")) << api.lastError;
  // The browser opens the database itself; nothing here needs to stay open meanwhile.
  platform::CloseUserCertDatabase();

  const ProcessResult trusted = LoadPage("profile-trusted");
  ASSERT_FALSE(trusted.timedOut);
  ASSERT_EQ(trusted.exitCode, 0) << trusted.err;
  EXPECT_THAT(trusted.out, HasSubstr(kServerPageText)) << trusted.err;
  EXPECT_THAT(trusted.err, Not(HasSubstr(kAuthorityInvalid)));

  ASSERT_TRUE(api.Uninstall(RecordOf(root_), u"Root")) << api.lastError;
  platform::CloseUserCertDatabase();

  const ProcessResult refused = LoadPage("profile-refused");
  ASSERT_FALSE(refused.timedOut);
  ASSERT_EQ(refused.exitCode, 0) << refused.err;
  EXPECT_THAT(refused.out, Not(HasSubstr(kServerPageText)));
  EXPECT_THAT(refused.err, HasSubstr(kAuthorityInvalid));
}

}  // namespace
