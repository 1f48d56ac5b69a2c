// Writes the program's string table as the STRINGTABLE block of a resource script: every id the
// program's table holds, with exactly its text. Built and run on the build machine. Every
// character outside printable ASCII, the quotation mark and the backslash is written as a
// four-digit \x escape: the resource compiler would store raw UTF-8 in a wide string wrongly.
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/last_error.h"
#include "res/string_table.h"

// The table saves and restores the thread's last error; there is none to keep here.
namespace platform {
std::uint32_t GetLastError() {
  return 0;
}
void SetLastError(std::uint32_t) {}
}  // namespace platform

namespace {

std::string RcLiteral(const std::u16string& text) {
  std::string literal = "L\"";
  for (const char16_t c : text) {
    if (c >= 0x20 && c < 0x7F && c != u'"' && c != u'\\') {
      literal += static_cast<char>(c);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof(escape), "\\x%04X", static_cast<unsigned>(c));
      literal += escape;
    }
  }
  return literal + "\"";
}

}  // namespace

int main() {
  std::string script = "STRINGTABLE\nBEGIN\n";
  // String ids are 16 bits wide.
  for (std::uint32_t id = 0; id <= 0xFFFF; ++id) {
    const std::u16string text = LoadResourceString(id);
    if (!text.empty()) {
      script += "  " + std::to_string(id) + ", " + RcLiteral(text) + "\n";
    }
  }
  script += "END\n";
  return std::fputs(script.c_str(), stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
}
