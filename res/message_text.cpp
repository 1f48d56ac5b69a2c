#include "res/message_text.h"

#include "platform/platform_texts.h"
#include "platform/system_error_text.h"

namespace {

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

std::u16string HexDigits(std::uint32_t value) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string text(8, u'0');
  for (std::size_t index = text.size(); index-- > 0; value >>= 4) {
    text[index] = kDigits[value & 0xF];
  }
  return text;
}

std::u16string DecimalDigits(std::uint32_t value) {
  std::u16string text;
  do {
    text.insert(text.begin(), static_cast<char16_t>(u'0' + value % 10));
    value /= 10;
  } while (value != 0);
  return text;
}

}  // namespace

std::u16string FormatText(std::u16string_view format, std::span<const std::u16string_view> args) {
  std::u16string text;
  std::size_t nextArg = 0;
  for (std::size_t index = 0; index < format.size() && text.size() <= kMaxFormattedLength;
       ++index) {
    const char16_t unit = format[index];
    const char16_t following = index + 1 < format.size() ? format[index + 1] : u'\0';
    if (unit == u'%' && following == u's') {
      if (nextArg < args.size()) {
        text.append(args[nextArg]);
      }
      ++nextArg;
      ++index;
    } else if (unit == u'%' && following == u'%') {
      text += u'%';
      ++index;
    } else {
      text += unit;
    }
  }
  if (text.size() > kMaxFormattedLength) {
    text.resize(kMaxFormattedLength);
    // Half of a surrogate pair is no character; it would spoil the whole text on its way out.
    if (IsHighSurrogate(text.back())) {
      text.pop_back();
    }
  }
  return text;
}

std::u16string ErrorCodeText(std::uint32_t code) {
  if (code == 0) {
    return {};
  }
  std::u16string text = platform::PlatformWording(platform::PlatformText::kErrorCodeWords)
                            .value_or(LoadResourceString(strings::kWindowsError));
  text += u": 0x";
  text += HexDigits(code);
  text += u" (";
  text += DecimalDigits(code);
  text += u")";
  const std::u16string systemText = platform::SystemErrorText(code);
  if (!systemText.empty()) {
    text += u"- ";
    text += systemText;
  }
  return text;
}
