// UTF-16 texts of the program crossing to GTK and WebKit as UTF-8, and back.
#pragma once

#include <string>
#include <string_view>

namespace platform::gui {

// UTF-8 of the text up to its first NUL (as a zero-terminated platform string ends there); a
// lone surrogate becomes U+FFFD instead of failing the whole text.
std::string ToGtkText(std::u16string_view text);
// UTF-16 of a UTF-8 text from GTK or WebKit; null or invalid UTF-8 gives the empty text.
std::u16string FromGtkText(const char* text);

}  // namespace platform::gui
