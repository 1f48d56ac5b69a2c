// Asking for a password on the command line: typed at the terminal without being shown, or read
// from a file the user names.
#pragma once

#include <optional>
#include <string>

#include "platform/secret_text.h"

namespace platform {

// True when standard input is a terminal someone can type at.
bool StandardInputIsTerminal();

// Shows the prompt on standard error and reads one line from the terminal of standard input
// without showing what is typed. None when standard input is no terminal or ends before a line.
std::optional<SecretText> ReadPasswordFromTerminal(const std::string& prompt);

// The first line of the file, without its line end. None with the thread's last error set when
// the file cannot be read.
std::optional<SecretText> ReadPasswordFile(const std::u16string& path);

}  // namespace platform
