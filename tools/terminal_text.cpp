#include "tools/terminal_text.h"

#include <cstdint>
#include <cstdio>

namespace tools {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsControl(char32_t code) {
  return code < 0x20 || (code >= 0x7F && code <= 0x9F);
}

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The character as the terminal may show it.
void AppendShown(std::string& out, char32_t code) {
  if (IsControl(code)) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned>(code));
    out += escape;
  } else {
    AppendUtf8(out, code);
  }
}

// The code point of the well-formed UTF-8 sequence at the start of text and its length; length 0
// when the first byte starts none (malformed, cut short, overlong, a surrogate, beyond U+10FFFF).
struct Decoded {
  char32_t code = 0;
  std::size_t length = 0;
};
Decoded DecodeUtf8(std::string_view text) {
  const auto byte = [&text](std::size_t index) { return static_cast<std::uint8_t>(text[index]); };
  const std::uint8_t first = byte(0);
  if (first < 0x80) {
    return {first, 1};
  }
  std::size_t length = 0;
  char32_t code = 0;
  std::uint8_t low = 0x80;  // the range of the second byte
  std::uint8_t high = 0xBF;
  if (first >= 0xC2 && first <= 0xDF) {
    length = 2;
    code = first & 0x1F;
  } else if (first >= 0xE0 && first <= 0xEF) {
    length = 3;
    code = first & 0x0F;
    low = first == 0xE0 ? 0xA0 : 0x80;
    high = first == 0xED ? 0x9F : 0xBF;
  } else if (first >= 0xF0 && first <= 0xF4) {
    length = 4;
    code = first & 0x07;
    low = first == 0xF0 ? 0x90 : 0x80;
    high = first == 0xF4 ? 0x8F : 0xBF;
  } else {
    return {};
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) {
    return {};
  }
  for (std::size_t index = 1; index < length; ++index) {
    if ((byte(index) & 0xC0) != 0x80) {
      return {};
    }
    code = (code << 6) | (byte(index) & 0x3F);
  }
  return {code, length};
}

// Calls use(code) for each character of UTF-16 text, an unpaired surrogate as U+FFFD.
template <typename Use>
void ForEachCharacter(std::u16string_view text, Use use) {
  for (std::size_t index = 0; index < text.size(); ++index) {
    const char16_t unit = text[index];
    if (unit >= 0xD800 && unit <= 0xDBFF && index + 1 < text.size() && text[index + 1] >= 0xDC00 &&
        text[index + 1] <= 0xDFFF) {
      use(0x10000 + ((static_cast<char32_t>(unit - 0xD800) << 10) | (text[index + 1] - 0xDC00)));
      ++index;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      use(kReplacement);
    } else {
      use(unit);
    }
  }
}

}  // namespace

std::string TerminalText(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  while (!utf8.empty()) {
    const Decoded decoded = DecodeUtf8(utf8);
    AppendShown(out, decoded.length == 0 ? kReplacement : decoded.code);
    utf8.remove_prefix(decoded.length == 0 ? 1 : decoded.length);
  }
  return out;
}

std::string TerminalText(std::u16string_view text) {
  std::string out;
  ForEachCharacter(text, [&out](char32_t code) { AppendShown(out, code); });
  return out;
}

std::string ShownUtf8(std::u16string_view text) {
  std::string out;
  ForEachCharacter(text, [&out](char32_t code) { AppendUtf8(out, code); });
  return out;
}

std::string JsonForTerminal(std::string_view json) {
  std::string out;
  out.reserve(json.size());
  for (std::size_t index = 0; index < json.size(); ++index) {
    const auto byte = static_cast<std::uint8_t>(json[index]);
    const auto next = index + 1 < json.size() ? static_cast<std::uint8_t>(json[index + 1]) : 0;
    char escape[8];
    if (byte == 0x7F) {
      out += "\\u007f";
    } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(next));
      out += escape;
      ++index;
    } else {
      out += json[index];
    }
  }
  return out;
}

}  // namespace tools
