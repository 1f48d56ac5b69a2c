// Reading a password from the terminal with its echo off, or from a file.
#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/linux/terminal_echo.h"
#include "platform/linux/utf8_text.h"
#include "platform/terminal_password.h"

namespace platform {
namespace {

// The longest password line read; longer input is cut there.
constexpr std::size_t kMaxPasswordLength = 1024;

// The terminal's settings while its echo is off, so that a signal that ends the process can put
// them back first.
volatile sig_atomic_t g_restoreFd = -1;
struct termios g_savedSettings {};

constexpr std::array kEndingSignals = {SIGINT, SIGTERM, SIGQUIT, SIGHUP, SIGTSTP};

extern "C" void RestoreAndReraise(int signalNumber) {
  if (g_restoreFd >= 0) {
    ::tcsetattr(g_restoreFd, TCSAFLUSH, &g_savedSettings);
  }
  ::signal(signalNumber, SIG_DFL);
  ::raise(signalNumber);
}

// Reads up to a line end or the end of input into a buffer that is wiped afterwards. A read that
// fails leaves its errno code in readError.
std::optional<SecretText> ReadLine(int fd, int* readError = nullptr) {
  std::array<char, kMaxPasswordLength> buffer{};
  std::size_t length = 0;
  bool sawLineEnd = false;
  char byte = 0;
  for (;;) {
    const ssize_t count = ::read(fd, &byte, 1);
    if (count < 0 && errno == EINTR) {
      continue;
    }
    if (count <= 0) {
      if (count < 0 && readError != nullptr) {
        *readError = errno;
      }
      break;
    }
    if (byte == '\n') {
      sawLineEnd = true;
      break;
    }
    if (length < buffer.size()) {
      buffer[length++] = byte;
    }
  }
  if (length > 0 && buffer[length - 1] == '\r') {
    --length;
  }
  std::optional<SecretText> text;
  if (sawLineEnd || length > 0) {
    text.emplace(std::string_view(buffer.data(), length));
  }
  WipeSecret(buffer.data(), buffer.size());
  WipeSecret(&byte, sizeof byte);
  return text;
}

void WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return;
    }
    text.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace

namespace linux_terminal {

std::optional<SecretText> ReadLineWithoutEcho(int terminalFd, int promptFd,
                                              std::string_view prompt) {
  struct termios settings {};
  if (::isatty(terminalFd) == 0 || ::tcgetattr(terminalFd, &settings) != 0) {
    return std::nullopt;
  }
  g_savedSettings = settings;
  g_restoreFd = terminalFd;
  struct sigaction restore {};
  restore.sa_handler = RestoreAndReraise;
  sigemptyset(&restore.sa_mask);
  std::array<struct sigaction, kEndingSignals.size()> previous{};
  for (std::size_t index = 0; index < kEndingSignals.size(); ++index) {
    ::sigaction(kEndingSignals[index], &restore, &previous[index]);
  }
  struct termios silent = settings;
  silent.c_lflag &= static_cast<tcflag_t>(~(ECHO | ECHOE | ECHOK | ECHONL));
  ::tcsetattr(terminalFd, TCSAFLUSH, &silent);
  // Only once the echo is off, so that an answer typed right after the prompt is neither shown nor
  // dropped.
  WriteAll(promptFd, prompt);

  std::optional<SecretText> line = ReadLine(terminalFd);

  ::tcsetattr(terminalFd, TCSAFLUSH, &settings);
  g_restoreFd = -1;
  for (std::size_t index = 0; index < kEndingSignals.size(); ++index) {
    ::sigaction(kEndingSignals[index], &previous[index], nullptr);
  }
  // The line end the user typed was not shown either.
  WriteAll(promptFd, "\n");
  return line;
}

}  // namespace linux_terminal

bool StandardInputIsTerminal() {
  return ::isatty(STDIN_FILENO) != 0;
}

std::optional<SecretText> ReadPasswordFromTerminal(const std::string& prompt) {
  return linux_terminal::ReadLineWithoutEcho(STDIN_FILENO, STDERR_FILENO, prompt);
}

std::optional<SecretText> ReadPasswordFile(const std::u16string& path) {
  const std::optional<std::string> narrow = linux_utf8::FileNameToUtf8(path);
  if (!narrow || narrow->empty()) {
    SetLastError(kErrorInvalidParameter);
    return std::nullopt;
  }
  const int fd = ::open(narrow->c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    SetLastError(ErrorFromErrno(errno));
    return std::nullopt;
  }
  int readError = 0;
  std::optional<SecretText> line = ReadLine(fd, &readError);
  ::close(fd);
  if (readError != 0) {
    SetLastError(ErrorFromErrno(readError));
    return std::nullopt;
  }
  // An empty file is an empty password.
  return line ? std::move(line) : std::optional<SecretText>(SecretText(""));
}

}  // namespace platform
