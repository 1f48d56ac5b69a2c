// Reading a password from the console with its echo off, or from a file. Every buffer that held
// the password is wiped before it goes away.
#include "platform/terminal_password.h"

#include <array>

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/windows/win_api.h"

namespace platform {
namespace {

// The longest password line read; longer input is cut there.
constexpr std::size_t kMaxPasswordLength = 1024;

// The console's input mode while its echo is off, so that Ctrl+C or a closed console can put it
// back before the process ends.
HANDLE g_restoreInput = nullptr;
DWORD g_savedMode = 0;

BOOL WINAPI RestoreConsoleMode(DWORD /*event*/) {
  if (g_restoreInput != nullptr) {
    ::SetConsoleMode(g_restoreInput, g_savedMode);
  }
  return FALSE;  // the default handling (ending the process) follows
}

void WriteError(std::string_view text) {
  HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
  DWORD written = 0;
  if (error != nullptr && error != INVALID_HANDLE_VALUE && !text.empty()) {
    ::WriteFile(error, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
}

// The password from a UTF-16 line as the console gives it, in UTF-8.
SecretText SecretOfWide(const wchar_t* text, std::size_t length) {
  std::array<char, kMaxPasswordLength * 3> utf8{};
  const int size =
      length == 0 ? 0
                  : ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), utf8.data(),
                                          static_cast<int>(utf8.size()), nullptr, nullptr);
  SecretText secret(std::string_view(utf8.data(), size > 0 ? static_cast<std::size_t>(size) : 0));
  WipeSecret(utf8.data(), utf8.size());
  return secret;
}

}  // namespace

bool StandardInputIsTerminal() {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

std::optional<SecretText> ReadPasswordFromTerminal(const std::string& prompt) {
  HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (!::GetConsoleMode(input, &mode)) {
    return std::nullopt;
  }
  g_savedMode = mode;
  g_restoreInput = input;
  ::SetConsoleCtrlHandler(RestoreConsoleMode, TRUE);
  ::SetConsoleMode(input, (mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT |
                              ENABLE_PROCESSED_INPUT);
  // Only once the echo is off, so that an answer typed right after the prompt is not shown.
  WriteError(prompt);

  std::array<wchar_t, kMaxPasswordLength> buffer{};
  std::array<wchar_t, 256> chunk{};
  std::size_t length = 0;
  bool sawLineEnd = false;
  bool sawInput = false;
  for (;;) {
    DWORD count = 0;
    if (!::ReadConsoleW(input, chunk.data(), static_cast<DWORD>(chunk.size()), &count, nullptr) ||
        count == 0) {
      break;
    }
    sawInput = true;
    for (DWORD index = 0; index < count && !sawLineEnd; ++index) {
      if (chunk[index] == L'\n') {
        sawLineEnd = true;
      } else if (length < buffer.size()) {
        buffer[length++] = chunk[index];
      }
    }
    if (sawLineEnd) {
      break;
    }
  }
  WipeSecret(chunk.data(), sizeof chunk);

  ::SetConsoleMode(input, mode);
  g_restoreInput = nullptr;
  ::SetConsoleCtrlHandler(RestoreConsoleMode, FALSE);
  // The line end the user typed was not shown either.
  WriteError("\n");

  if (length > 0 && buffer[length - 1] == L'\r') {
    --length;
  }
  std::optional<SecretText> line;
  if (sawLineEnd || (sawInput && length > 0)) {
    line = SecretOfWide(buffer.data(), length);
  }
  WipeSecret(buffer.data(), sizeof buffer);
  return line;
}

std::optional<SecretText> ReadPasswordFile(const std::u16string& path) {
  if (path.empty() || path.find(u'\0') != std::u16string::npos) {
    SetLastError(kErrorInvalidParameter);
    return std::nullopt;
  }
  const windows::FileHandle file(::CreateFileW(windows::WideOf(path), GENERIC_READ, FILE_SHARE_READ,
                                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                               nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    SetLastError(::GetLastError());
    return std::nullopt;
  }
  std::array<char, kMaxPasswordLength> buffer{};
  std::array<char, 256> chunk{};
  std::size_t length = 0;
  bool sawLineEnd = false;
  DWORD readError = 0;
  while (!sawLineEnd) {
    DWORD count = 0;
    if (!::ReadFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &count, nullptr)) {
      readError = ::GetLastError();
      break;
    }
    if (count == 0) {
      break;
    }
    for (DWORD index = 0; index < count && !sawLineEnd; ++index) {
      if (chunk[index] == '\n') {
        sawLineEnd = true;
      } else if (length < buffer.size()) {
        buffer[length++] = chunk[index];
      }
    }
  }
  WipeSecret(chunk.data(), chunk.size());
  if (length > 0 && buffer[length - 1] == '\r') {
    --length;
  }
  // An empty file is an empty password.
  std::optional<SecretText> line;
  if (readError == 0) {
    line.emplace(std::string_view(buffer.data(), length));
  }
  WipeSecret(buffer.data(), buffer.size());
  if (readError != 0) {
    SetLastError(readError);
  }
  return line;
}

}  // namespace platform
