// Loading and formatting the program's texts, turning error codes into text, and the program's
// three kinds of message box.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "res/string_table.h"

// Formatted texts are cut to this many characters.
inline constexpr std::size_t kMaxFormattedLength = 1022;

// Message box styles of ShowInfo, AskQuestion and ShowError.
inline constexpr std::uint32_t kInfoStyle = 0x40;
inline constexpr std::uint32_t kQuestionStyle = 0x33;
inline constexpr std::uint32_t kErrorStyle = 0x10;

// Puts the arguments in place of the format's %s in turn (a %s beyond the last argument gives
// nothing) and %% gives %; any other % sequence stays as it is. The result is cut to
// kMaxFormattedLength characters, never inside a surrogate pair.
std::u16string FormatText(std::u16string_view format, std::span<const std::u16string_view> args);

// The string-table text of id formatted with the arguments; empty when there is no such text.
template <typename... Args>
std::u16string FormatResourceString(std::uint32_t id, const Args&... args) {
  const std::u16string format = LoadResourceString(id);
  if (format.empty()) {
    return {};
  }
  const std::array<std::u16string_view, sizeof...(Args)> views{std::u16string_view(args)...};
  return FormatText(format, views);
}

// "Windows error: 0x%08X (%u)" followed by "- " and the system's text of the code when it has
// one (that text ends with CR LF); empty for code 0. Leaves the thread's last error untouched.
std::u16string ErrorCodeText(std::uint32_t code);
// ErrorCodeText of the thread's last error code.
std::u16string LastErrorText();

// The full path of the running executable.
std::u16string GetModulePath();
// The file name of a path without its folders, cut at its last ".exe" (case-sensitive); empty
// when the path has no folder separator or ends with one.
std::u16string BaseNameOfPath(std::u16string_view path);
// The caption of every message box: BaseNameOfPath(GetModulePath()).
std::u16string AppBaseName();

// A message box with the program's caption; the id of the button that closed it, IDCANCEL (2)
// without showing anything when no user interface is installed.
int ShowMessage(const std::u16string& text, std::uint32_t style);
int ShowInfo(const std::u16string& text);
int AskQuestion(const std::u16string& text);
int ShowError(const std::u16string& text);
