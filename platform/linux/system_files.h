// Reading and writing the machine's own files for the system trust targets. Every write replaces
// the file atomically (a temporary file beside it, then a rename), so a program reading it sees
// the old or the new content, never a part; a replaced file keeps its owner and mode, a new one is
// readable by everyone (0644) whatever the process's file-creation mask, as is a new folder
// (0755). Problems come back as one line of text that names the path.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace platform::linux_trust {

struct FileRead {
  bool exists = false;
  std::string content;
  std::string problem;  // set when the file exists but cannot be read
};

FileRead ReadSystemFile(const std::filesystem::path& path);
// Each gives a problem text, or empty on success.
std::string WriteSystemFile(const std::filesystem::path& path, std::string_view content);
std::string RemoveSystemFile(const std::filesystem::path& path);  // a missing file is no problem
std::string MakeSystemFolder(const std::filesystem::path& path);  // with its missing parents
// Removes the folder when nothing is left in it.
void RemoveFolderIfEmpty(const std::filesystem::path& path);

// "PATH: the system's text of the errno code".
std::string ErrnoProblem(const std::filesystem::path& path, int error);

}  // namespace platform::linux_trust
