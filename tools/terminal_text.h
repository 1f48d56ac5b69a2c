// What the command-line tools print of texts they did not write themselves (profile names, folder
// names, certificate fields, command-line arguments): such text never brings a control character
// to the terminal, and one bad character never blanks the rest of the text.
//
// In plain text every control character (C0 including TAB, LF and ESC, DEL, and C1 U+0080 to
// U+009F) is shown as \xHH with the two lower-case hexadecimal digits of its code point, such as
// \x09 for a TAB or \x9b for U+009B; a byte that is not part of well-formed UTF-8 and an unpaired
// UTF-16 surrogate are shown as U+FFFD. A backslash stays as it is. In JSON, DEL and C1 are written
// as the escapes \u007f and \u0080 to \u009f, which keep the value; the JSON writer escapes C0
// itself.
#pragma once

#include <string>
#include <string_view>

namespace tools {

// UTF-8 text as the terminal may show it.
std::string TerminalText(std::string_view utf8);
// UTF-16 text as the terminal may show it.
std::string TerminalText(std::u16string_view text);

// UTF-16 text as UTF-8 with each unpaired surrogate as U+FFFD (a value to put into JSON), where the
// program's own conversion would give the empty text for the whole value.
std::string ShownUtf8(std::u16string_view text);

// A JSON text as written by the JSON library (well-formed UTF-8, C0 already escaped) with DEL and
// C1 escaped as well.
std::string JsonForTerminal(std::string_view json);

}  // namespace tools
