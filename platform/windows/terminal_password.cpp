// Reading a password from the console with its echo off, or from a file. Every buffer that held
// the password is wiped before it goes away.
#include "platform/terminal_password.h"

#include <array>

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/password_line.h"
#include "platform/windows/win_api.h"

namespace platform {
namespace {

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

// Gives the reader the UTF-8 of console input (UTF-16 units without a surrogate cut in half).
void AddWide(PasswordLineReader& reader, const wchar_t* text, std::size_t length) {
  std::array<char, 256 * 3> utf8{};
  const int size =
      length == 0 ? 0
                  : ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), utf8.data(),
                                          static_cast<int>(utf8.size()), nullptr, nullptr);
  reader.Add(std::string_view(utf8.data(), size > 0 ? static_cast<std::size_t>(size) : 0));
  WipeSecret(utf8.data(), utf8.size());
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

  // The console gives UTF-16 in blocks; the line is taken as UTF-8, with the file's bound.
  PasswordLineReader reader;
  std::array<wchar_t, 256> chunk{};
  std::size_t carried = 0;  // a high surrogate whose low half comes with the next block
  while (reader.state() == PasswordLineReader::State::kOpen) {
    DWORD count = 0;
    if (!::ReadConsoleW(input, chunk.data() + carried, static_cast<DWORD>(chunk.size() - carried),
                        &count, nullptr) ||
        count == 0) {
      AddWide(reader, chunk.data(), carried);
      reader.End();
      break;
    }
    const std::size_t length = carried + count;
    carried = IS_HIGH_SURROGATE(chunk[length - 1]) ? 1 : 0;
    AddWide(reader, chunk.data(), length - carried);
    chunk[0] = chunk[length - 1];
  }
  WipeSecret(chunk.data(), sizeof chunk);

  ::SetConsoleMode(input, mode);
  g_restoreInput = nullptr;
  ::SetConsoleCtrlHandler(RestoreConsoleMode, FALSE);
  // The line end the user typed was not shown either.
  WriteError("\n");

  return reader.Password();  // none also when the input ended before a line
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
  // Read in blocks up to the line end only; an endless input stops at the bound.
  PasswordLineReader reader;
  std::array<char, kMaxPasswordBytes> block{};
  DWORD readError = 0;
  while (reader.state() == PasswordLineReader::State::kOpen) {
    DWORD count = 0;
    if (!::ReadFile(file.get(), block.data(), static_cast<DWORD>(block.size()), &count, nullptr)) {
      readError = ::GetLastError();
      break;
    }
    if (count == 0) {
      reader.End();
    } else {
      reader.Add(std::string_view(block.data(), count));
    }
  }
  WipeSecret(block.data(), block.size());
  if (readError != 0) {
    SetLastError(readError);
    return std::nullopt;
  }
  if (reader.state() == PasswordLineReader::State::kEmpty) {
    return SecretText("");  // an empty file is an empty password
  }
  return reader.Password();
}

}  // namespace platform
