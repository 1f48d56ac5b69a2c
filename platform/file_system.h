// Files and the current directory.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace platform {

// Writes the bytes as the whole content of the file at path, creating or replacing it. The new
// content is written to a temporary file in the same folder and moved over the target only once
// it is complete, so a failure never leaves a truncated file nor damages the file being replaced.
// On failure the thread's last error holds the code; an empty path or no bytes fail at once
// (ERROR_INVALID_PARAMETER) without touching the file system.
bool WriteFileReplacing(const std::u16string& path, std::span<const std::uint8_t> bytes);

// The process's current directory; empty when it cannot be read.
std::u16string GetCurrentDir();
// Changes the process's current directory; on failure the thread's last error holds the code.
bool SetCurrentDir(const std::u16string& path);

}  // namespace platform
