// Reading a password on the command line: from a terminal with its echo off (and put back
// afterwards), or as the first line of a file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/linux/terminal_echo.h"
#include "platform/password_line.h"
#include "platform/terminal_password.h"
#include "tests/support/store_test_home.h"

namespace {

bool EchoOn(int fd) {
  struct termios settings {};
  return ::tcgetattr(fd, &settings) == 0 && (settings.c_lflag & ECHO) != 0;
}

class Pty : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::openpty(&master_, &terminal_, nullptr, nullptr, nullptr), 0);
  }
  void TearDown() override {
    ::close(master_);
    ::close(terminal_);
  }
  void Type(const std::string& text) {
    ASSERT_EQ(::write(master_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  // Everything the terminal showed so far.
  std::string Shown() {
    std::string shown;
    ::fcntl(master_, F_SETFL, O_NONBLOCK);
    char buffer[256];
    for (ssize_t count; (count = ::read(master_, buffer, sizeof buffer)) > 0;) {
      shown.append(buffer, static_cast<std::size_t>(count));
    }
    return shown;
  }

  int master_ = -1;
  int terminal_ = -1;
};

TEST_F(Pty, ReadsOneLineWithoutShowingItAndPutsTheEchoBack) {
  ASSERT_TRUE(EchoOn(terminal_));
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  // Typed once the echo is off, as a user answering the prompt would.
  std::thread typist([&] {
    for (int tries = 0; tries < 200 && EchoOn(terminal_); ++tries) {
      ::usleep(10000);
    }
    Type("p\u00e4ss word\r\nnext line\n");
  });
  const std::optional<platform::SecretText> line =
      platform::linux_terminal::ReadLineWithoutEcho(terminal_, pipeEnds[1], "Password: ");
  typist.join();
  ASSERT_TRUE(line);
  EXPECT_STREQ(line->c_str(), "p\u00e4ss word");
  EXPECT_TRUE(EchoOn(terminal_));
  EXPECT_EQ(Shown().find("ss word"), std::string::npos);

  char prompt[32] = {};
  ASSERT_GT(::read(pipeEnds[0], prompt, sizeof prompt - 1), 0);
  EXPECT_STREQ(prompt, "Password: \n");
  ::close(pipeEnds[0]);
  ::close(pipeEnds[1]);
}

TEST(PasswordInput, NoTerminalGivesNothing) {
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  EXPECT_FALSE(platform::linux_terminal::ReadLineWithoutEcho(pipeEnds[0], pipeEnds[1], "P: "));
  ::close(pipeEnds[0]);
  ::close(pipeEnds[1]);
}

TEST(PasswordInput, FileGivesItsFirstLineAndAMissingFileFails) {
  corvane_test::ScopedTestHome home;
  const std::string file = home.Path() + "/password";
  corvane_test::WriteFile(file, "first line\nsecond\n");
  const std::u16string path(file.begin(), file.end());
  std::optional<platform::SecretText> password = platform::ReadPasswordFile(path);
  ASSERT_TRUE(password);
  EXPECT_STREQ(password->c_str(), "first line");

  corvane_test::WriteFile(file, "");
  password = platform::ReadPasswordFile(path);
  ASSERT_TRUE(password);
  EXPECT_TRUE(password->empty());

  EXPECT_FALSE(platform::ReadPasswordFile(path + u".missing"));
  EXPECT_NE(platform::GetLastError(), 0u);
  // A folder is no password file either.
  EXPECT_FALSE(platform::ReadPasswordFile(std::u16string(home.Path().begin(), home.Path().end())));
}

TEST(PasswordInput, AFileLineIsBoundedAndALongerOneIsRefusedNotCut) {
  corvane_test::ScopedTestHome home;
  const std::string file = home.Path() + "/password";
  const std::u16string path(file.begin(), file.end());
  const std::string longest(platform::kMaxPasswordBytes, 'p');
  corvane_test::WriteFile(file, longest + "\r\nnext\n");
  std::optional<platform::SecretText> password = platform::ReadPasswordFile(path);
  ASSERT_TRUE(password);
  EXPECT_EQ(std::string(password->c_str(), password->size()), longest);

  // One byte more, here in a file of 10 MB without a line end: refused at the bound.
  corvane_test::WriteFile(file, std::string(10'000'000, 'p'));
  EXPECT_FALSE(platform::ReadPasswordFile(path));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorPasswordTooLong);
  corvane_test::WriteFile(file, longest + "p\n");
  EXPECT_FALSE(platform::ReadPasswordFile(path));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorPasswordTooLong);

  // An endless input of NUL bytes ends at its first block.
  EXPECT_FALSE(platform::ReadPasswordFile(u"/dev/zero"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorPasswordHoldsNul);
}

}  // namespace
