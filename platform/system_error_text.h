// The system's own description of an error code, as the message of a failed operation shows it.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The text of a code, ending with "\r\n" like the system texts the program was first written
// against; empty when the platform has no text for the code. Leaves the last error untouched.
std::u16string SystemErrorText(std::uint32_t code);

}  // namespace platform
