// The one conversion between the program's UTF-16 texts and the UTF-8 of the system's own
// interfaces (file names, NSS, GLib, GTK, WebKit). The program's own narrow texts go through
// ToWide and ToNarrow (crypto/conversions.h) instead, whose results are fixed by their callers.
//
// Bad input is never refused and never ends the text early: every byte that does not start a
// well-formed UTF-8 sequence (malformed, cut short, overlong, an encoded surrogate, beyond
// U+10FFFF) becomes U+FFFD and conversion goes on with the next byte; every unpaired surrogate
// becomes U+FFFD. A NUL is converted like any other character. Callers for whom a changed text
// is no text (a file name names one file only) compare the way back with what they had.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform::linux_utf8 {

std::u16string ToUtf16(std::string_view text);
std::string ToUtf8(std::u16string_view text);

// The UTF-8 name of a file or folder; none when the conversion would change the path (an
// unpaired surrogate), since the name would then be another file's.
std::optional<std::string> FileNameToUtf8(std::u16string_view path);
// The UTF-16 text of a file or folder name; empty when the name is not well-formed UTF-8, since
// the text would then name another file.
std::u16string FileNameToUtf16(std::string_view name);

}  // namespace platform::linux_utf8
