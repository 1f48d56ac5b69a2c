#include "platform/linux/gui/gui_text.h"

#include "platform/linux/utf8_text.h"

namespace platform::gui {

std::string ToGtkText(std::u16string_view text) {
  return linux_utf8::ToUtf8(text.substr(0, text.find(u'\0')));
}

std::u16string FromGtkText(const char* text) {
  return text != nullptr ? linux_utf8::ToUtf16(text) : std::u16string();
}

}  // namespace platform::gui
