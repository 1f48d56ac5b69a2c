// The pieces of the export command: the proposed file name, the save dialog that keeps the
// current directory, and the write that never leaves a partial file behind.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "crypto/cert_details.h"

// The characters that may not appear in a file name of the program's first platform.
inline constexpr std::u16string_view kFileNameForbiddenChars = u"<>:\"/\\|?*";

// Removes every occurrence of the forbidden characters; the characters around them close up.
void RemoveFileNameChars(std::u16string& text);

// subjectName, " - ", serialNumber and ".cer", without the forbidden characters.
std::u16string ProposedExportFileName(const TCertDetails& record);

// Shows the save dialog proposing the name (none: an empty name field). True with the chosen
// path when the user confirmed a file name. The current directory is the same afterwards.
bool AskSaveFileName(const std::optional<std::u16string>& proposedName, std::u16string& path);

// Makes the file at path hold exactly the bytes, creating or replacing a regular file (a device
// or FIFO is written in place, never replaced). On failure no partial file is left, a replaced
// file keeps its old content, and the thread's last error holds the code. An empty path or no
// bytes fail without touching the file system.
bool WriteBytesToFile(const std::u16string& path, std::span<const std::uint8_t> bytes);
