// The terminal reading behind ReadPasswordFromTerminal, on any pair of descriptors.
#pragma once

#include <optional>
#include <string_view>

#include "platform/secret_text.h"

namespace platform::linux_terminal {

// Switches the echo of the terminal at terminalFd off, writes the prompt to promptFd, reads one
// line and puts the terminal back as it was (also when a signal ends the process meanwhile). None
// when terminalFd is no terminal or the input ends before a line, or (with the thread's last
// error set) when the line is no password.
std::optional<SecretText> ReadLineWithoutEcho(int terminalFd, int promptFd,
                                              std::string_view prompt);

}  // namespace platform::linux_terminal
