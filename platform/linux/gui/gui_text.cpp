#include "platform/linux/gui/gui_text.h"

#include "platform/linux/utf8_text.h"

namespace platform::gui {

std::string ToGtkText(std::u16string_view text) {
  text = text.substr(0, text.find(u'\0'));
  // Replace unpaired surrogates so that the rest of the text survives the conversion.
  std::u16string sound;
  sound.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    const bool high = unit >= 0xD800 && unit <= 0xDBFF;
    const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      sound.push_back(unit);
      sound.push_back(text[++i]);
    } else if (high || low) {
      sound.push_back(u'\uFFFD');
    } else {
      sound.push_back(unit);
    }
  }
  return linux_utf8::ToUtf8(sound).value_or(std::string());
}

std::u16string FromGtkText(const char* text) {
  if (text == nullptr) {
    return {};
  }
  return linux_utf8::ToUtf16(text).value_or(std::u16string());
}

}  // namespace platform::gui
