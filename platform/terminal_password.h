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
// without showing what is typed. None when standard input is no terminal or ends before a line,
// and also, with the thread's last error set (kErrorPasswordTooLong, kErrorPasswordHoldsNul), when
// the line is no password (see password_line.h).
std::optional<SecretText> ReadPasswordFromTerminal(const std::string& prompt);

// The first line of the file, without its line end (an empty file is the empty password). The file
// is opened once and read in blocks up to that line end only, so a pipe gives its first line and
// an endless input stops at the bound. None with the thread's last error set when the file cannot
// be read or its first line is no password (longer than kMaxPasswordBytes, or holding a NUL).
// Each call opens the file anew: a command that needs the password more than once reads it once
// and keeps it.
std::optional<SecretText> ReadPasswordFile(const std::u16string& path);

}  // namespace platform
