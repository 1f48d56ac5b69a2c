// The program's message texts: string-table formats filled with arguments, and the text of an
// error code. Every window of the program words its messages through these, so that they read
// the same wherever they are shown.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "res/string_table.h"

// Formatted texts are cut to this many characters.
inline constexpr std::size_t kMaxFormattedLength = 1022;

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
// one (that text ends with CR LF); empty for code 0. A platform may word the first two words its
// own way ("System error" on Linux). Leaves the thread's last error untouched.
std::u16string ErrorCodeText(std::uint32_t code);
