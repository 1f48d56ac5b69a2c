// Files and the current directory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform {

// Writes the bytes as the whole content of what the path names, and never destroys it:
// - A new file, or an existing regular file (also one reached through symbolic links, which stay
//   links): the content goes to a temporary file in the same folder, which is moved over the
//   target only once it is complete, so a failure never leaves a truncated file nor damages the
//   file being replaced. A replaced file keeps its permission bits. An existing file the user may
//   not write is refused (access denied) and left as it is.
// - A character device, FIFO or socket: opened and written in place; every write and the close
//   are checked, so a device that refuses the bytes (a full one) is a failure.
// - A folder or a block device: refused.
// On failure the thread's last error holds the code; an empty path or no bytes fail at once
// (ERROR_INVALID_PARAMETER) without touching the file system.
bool SaveToFile(const std::u16string& path, std::span<const std::uint8_t> bytes);

// Writes every byte to the process's standard output; false (last error set) when a write fails.
bool WriteStandardOutput(std::span<const std::uint8_t> bytes);

// The whole content of the file at path (links followed; devices and FIFOs are read as a stream),
// or none with the thread's last error set. More than maxBytes fails with the errno code EFBIG
// after reading at most one byte beyond the limit, so an endless input ends too.
std::optional<std::vector<std::uint8_t>> ReadFileBounded(const std::filesystem::path& path,
                                                         std::size_t maxBytes);

// The process's current directory; empty when it cannot be read.
std::u16string GetCurrentDir();
// Changes the process's current directory; on failure the thread's last error holds the code.
bool SetCurrentDir(const std::u16string& path);

}  // namespace platform
