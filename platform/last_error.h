// The calling thread's last error code, with the semantics of the platform the program was first
// written for: a failing platform operation sets it, and callers read it afterwards to build
// their message.
#pragma once

#include <cstdint>

namespace platform {

std::uint32_t GetLastError();
void SetLastError(std::uint32_t code);

}  // namespace platform
