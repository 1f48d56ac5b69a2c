// UTF-16 texts of the program crossing to GTK and WebKit as UTF-8, and back.
#pragma once

#include <string>
#include <string_view>

namespace platform::gui {

// UTF-8 of the text up to its first NUL, as a zero-terminated GTK string ends there. Bad input
// is treated as platform/linux/utf8_text.h says.
std::string ToGtkText(std::u16string_view text);
// UTF-16 of a zero-terminated UTF-8 text from GTK or WebKit; null gives the empty text.
std::u16string FromGtkText(const char* text);

}  // namespace platform::gui
