#include "platform/linux/utf8_text.h"

#include <glib.h>

namespace platform::linux_utf8 {
namespace {

constexpr char16_t kReplacement = u'\uFFFD';

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

void AppendUtf16(std::u16string& out, gunichar character) {
  if (character >= 0x10000) {
    const gunichar rest = character - 0x10000;
    out += static_cast<char16_t>(0xD800 + (rest >> 10));
    out += static_cast<char16_t>(0xDC00 + (rest & 0x3FF));
  } else {
    out += static_cast<char16_t>(character);
  }
}

}  // namespace

std::u16string ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t offset = 0;
  while (offset < text.size()) {
    const auto byte = static_cast<unsigned char>(text[offset]);
    if (byte < 0x80) {
      out += static_cast<char16_t>(byte);
      ++offset;
      continue;
    }
    // GLib rejects malformed, overlong, surrogate and out-of-range sequences (-1) and sequences
    // cut short by the end of the text (-2).
    const gunichar character =
        g_utf8_get_char_validated(text.data() + offset, static_cast<gssize>(text.size() - offset));
    if (character == static_cast<gunichar>(-1) || character == static_cast<gunichar>(-2)) {
      out += kReplacement;
      ++offset;
      continue;
    }
    AppendUtf16(out, character);
    offset += static_cast<std::size_t>(g_unichar_to_utf8(character, nullptr));
  }
  return out;
}

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  char encoded[6];
  for (std::size_t i = 0; i < text.size(); ++i) {
    gunichar character = text[i];
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      character = 0x10000 + ((character - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      character = kReplacement;
    }
    out.append(encoded, static_cast<std::size_t>(g_unichar_to_utf8(character, encoded)));
  }
  return out;
}

std::optional<std::string> FileNameToUtf8(std::u16string_view path) {
  std::string name = ToUtf8(path);
  if (ToUtf16(name) != path) {
    return std::nullopt;
  }
  return name;
}

std::u16string FileNameToUtf16(std::string_view name) {
  std::u16string text = ToUtf16(name);
  return ToUtf8(text) == name ? text : std::u16string();
}

}  // namespace platform::linux_utf8
