// corvanectl with a browser profile whose database is protected by a password: the password
// comes from --password-file or is typed at the terminal without being shown; without either,
// or with a wrong one, nothing changes in any database.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/store_test_home.h"

namespace fs = std::filesystem;

namespace {

constexpr char kPassword[] = "corvane-secret-7";
constexpr char kCorvanectl[] = CORVANE_BINARY_DIR "/tools/corvanectl";

class CorvanectlPassword : public testing::Test {
 protected:
  void SetUp() override {
    profile_ = home_.Path() + "/.mozilla/firefox/p.locked";
    fs::create_directories(profile_);
    corvane_test::WriteFile(home_.Path() + "/.mozilla/firefox/profiles.ini",
                            "[Profile0]\nName=locked\nIsRelative=1\nPath=p.locked\n");
    passwordFile_ = home_.Path() + "/password";
    corvane_test::WriteFile(passwordFile_, std::string(kPassword) + "\n");
    ASSERT_TRUE(corvane_test::Certutil(profile_, {"-N", "-f", passwordFile_}));
  }

  // Certificates in the profile's database and whether the shared database exists.
  std::size_t InProfile() const { return corvane_test::CertutilList(profile_).size(); }
  bool SharedExists() const { return fs::exists(home_.XdgDatabaseDir()); }

  corvane_test::ScopedTestHome home_;
  std::string profile_;
  std::string passwordFile_;
};

TEST_F(CorvanectlPassword, PasswordFileOpensTheDatabaseAndWithoutOneNothingChanges) {
  // Standard input is no terminal here.
  const auto none = corvane_test::RunProcess({kCorvanectl, "install", "1028_0"});
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_NE(none.err.find("\"Firefox: locked\""), std::string::npos) << none.err;
  EXPECT_NE(none.err.find("--password-file"), std::string::npos) << none.err;

  const std::string wrongFile = home_.Path() + "/wrong";
  corvane_test::WriteFile(wrongFile, "not it\n");
  const auto wrong =
      corvane_test::RunProcess({kCorvanectl, "install", "--password-file", wrongFile, "1028_0"});
  EXPECT_EQ(wrong.exitCode, 1);
  EXPECT_NE(wrong.err.find("Firefox: locked"), std::string::npos) << wrong.err;
  EXPECT_EQ(InProfile(), 0u);
  EXPECT_FALSE(SharedExists());

  const auto right = corvane_test::RunProcess(
      {kCorvanectl, "install", "1028_0", "--password-file", passwordFile_});
  ASSERT_EQ(right.exitCode, 0) << right.err;
  EXPECT_EQ(InProfile(), 1u);
  EXPECT_EQ(corvane_test::CertutilList(home_.XdgDatabaseDir()).size(), 1u);
}

TEST_F(CorvanectlPassword, APasswordFileThatHoldsNoPasswordFailsSayingWhyAndChangesNothing) {
  // An endless input ends at once.
  const auto zero = corvane_test::RunProcess(
      {kCorvanectl, "install", "--password-file", "/dev/zero", "1028_0"}, std::chrono::seconds(20));
  EXPECT_FALSE(zero.timedOut);
  EXPECT_EQ(zero.exitCode, 1);
  EXPECT_NE(zero.err.find("/dev/zero: The password holds a NUL byte"), std::string::npos)
      << zero.err;

  // A password longer than the bound is refused, not cut.
  const std::string longFile = home_.Path() + "/long";
  corvane_test::WriteFile(longFile, kPassword + std::string(5000, 'x') + "\n");
  const auto tooLong =
      corvane_test::RunProcess({kCorvanectl, "install", "--password-file", longFile, "1028_0"});
  EXPECT_EQ(tooLong.exitCode, 1);
  EXPECT_NE(tooLong.err.find("longer than 4096 bytes"), std::string::npos) << tooLong.err;
  EXPECT_EQ(InProfile(), 0u);
  EXPECT_FALSE(SharedExists());
}

// Runs corvanectl on a terminal, typing each answer after each password prompt; returns what the
// terminal showed and the exit status.
std::pair<std::string, int> RunOnTerminal(const std::vector<std::string>& args,
                                          const std::vector<std::string>& answers) {
  int terminal = -1;
  const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  if (child == 0) {
    std::vector<char*> argv{const_cast<char*>(kCorvanectl)};
    for (const std::string& arg : args) {
      argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    ::execv(kCorvanectl, argv.data());
    ::_exit(127);
  }
  std::string shown;
  std::size_t answered = 0;
  std::size_t searchFrom = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd ready{terminal, POLLIN, 0};
    if (::poll(&ready, 1, 200) <= 0) {
      continue;
    }
    char buffer[512];
    const ssize_t count = ::read(terminal, buffer, sizeof buffer);
    if (count <= 0) {
      break;  // the program ended and closed the terminal
    }
    shown.append(buffer, static_cast<std::size_t>(count));
    const std::size_t prompt = shown.find("Password of the certificate database", searchFrom);
    if (prompt != std::string::npos && shown.find(": ", prompt) != std::string::npos &&
        answered < answers.size()) {
      searchFrom = shown.size();
      const std::string line = answers[answered++] + "\n";
      EXPECT_EQ(::write(terminal, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    }
  }
  ::close(terminal);
  int status = 0;
  ::waitpid(child, &status, 0);
  return {shown, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST_F(CorvanectlPassword, TerminalPromptHidesThePasswordAndAllowsThreeTries) {
  const auto [shown, status] = RunOnTerminal({"install", "1028_0"}, {"first wrong", kPassword});
  EXPECT_EQ(status, 0) << shown;
  EXPECT_NE(shown.find("\"Firefox: locked\""), std::string::npos) << shown;
  EXPECT_NE(shown.find("not correct"), std::string::npos) << shown;
  EXPECT_EQ(shown.find(kPassword), std::string::npos) << shown;
  EXPECT_EQ(shown.find("first wrong"), std::string::npos) << shown;
  EXPECT_EQ(InProfile(), 1u);

  const auto [failedShown, failedStatus] =
      RunOnTerminal({"uninstall", "1028_0"}, {"a", "b", "c", kPassword});
  EXPECT_EQ(failedStatus, 1) << failedShown;
  EXPECT_EQ(InProfile(), 1u);
}

// One command is one operation: a password file that can be read only once (a pipe) serves
// every entry.
TEST_F(CorvanectlPassword, PipedPasswordServesEveryEntry) {
  const auto piped = corvane_test::RunProcess(
      {"sh", "-c",
       "printf '%s\\n' \"$0\" | \"$1\" install --password-file /dev/stdin 1028_0 1028_1", kPassword,
       kCorvanectl});
  ASSERT_EQ(piped.exitCode, 0) << piped.err;
  EXPECT_EQ(InProfile(), 2u);
}

}  // namespace
