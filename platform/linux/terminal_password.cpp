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
#include "platform/linux/file_descriptor.h"
#include "platform/linux/terminal_echo.h"
#include "platform/linux/utf8_text.h"
#include "platform/password_line.h"
#include "platform/terminal_password.h"

namespace platform {
namespace {

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

// Reads blocks up to the line end, the end of the input or a fault of the line (one that is too
// long stops the reading at the bound). A read that fails leaves its errno code in readError.
void ReadLine(int fd, PasswordLineReader& line, int& readError) {
  std::array<char, kMaxPasswordBytes> block{};
  while (line.state() == PasswordLineReader::State::kOpen) {
    const ssize_t count = ::read(fd, block.data(), block.size());
    if (count < 0 && errno == EINTR) {
      continue;
    }
    if (count < 0) {
      readError = errno;
      break;
    }
    if (count == 0) {
      line.End();
      break;
    }
    line.Add(std::string_view(block.data(), static_cast<std::size_t>(count)));
  }
  WipeSecret(block.data(), block.size());
}

// The password of a line that was read; none with the thread's last error set when the reading
// failed or the line is no password. emptyInput is what an input without a byte gives.
std::optional<SecretText> PasswordOf(const PasswordLineReader& line, int readError,
                                     std::optional<SecretText> emptyInput) {
  if (readError != 0) {
    SetLastError(ErrorFromErrno(readError));
    return std::nullopt;
  }
  if (line.state() == PasswordLineReader::State::kEmpty) {
    return emptyInput;
  }
  return line.Password();
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

  PasswordLineReader reader;
  int readError = 0;
  ReadLine(terminalFd, reader, readError);

  ::tcsetattr(terminalFd, TCSAFLUSH, &settings);
  g_restoreFd = -1;
  for (std::size_t index = 0; index < kEndingSignals.size(); ++index) {
    ::sigaction(kEndingSignals[index], &previous[index], nullptr);
  }
  // The line end the user typed was not shown either.
  WriteAll(promptFd, "\n");
  return PasswordOf(reader, readError, std::nullopt);
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
  // Blocking: the file may be a pipe whose writer has not written yet.
  const linux_fd::FileDescriptor file(::open(narrow->c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) {
    SetLastError(ErrorFromErrno(errno));
    return std::nullopt;
  }
  PasswordLineReader reader;
  int readError = 0;
  ReadLine(file.get(), reader, readError);
  // An empty file is an empty password.
  return PasswordOf(reader, readError, SecretText(""));
}

}  // namespace platform
